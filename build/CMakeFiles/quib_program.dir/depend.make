# Empty dependencies file for quib_program.
# This may be replaced when dependencies are built.
