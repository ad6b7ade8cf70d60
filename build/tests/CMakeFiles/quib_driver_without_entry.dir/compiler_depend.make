# Empty compiler generated dependencies file for quib_driver_without_entry.
# This may be replaced when dependencies are built.
