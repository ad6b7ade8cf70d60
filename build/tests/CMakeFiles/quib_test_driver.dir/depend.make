# Empty dependencies file for quib_test_driver.
# This may be replaced when dependencies are built.
