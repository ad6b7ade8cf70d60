# Empty dependencies file for quib_platform.
# This may be replaced when dependencies are built.
