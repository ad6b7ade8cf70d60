# Empty compiler generated dependencies file for quibtools.
# This may be replaced when dependencies are built.
