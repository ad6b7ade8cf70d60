# Empty dependencies file for quib_test_main.
# This may be replaced when dependencies are built.
