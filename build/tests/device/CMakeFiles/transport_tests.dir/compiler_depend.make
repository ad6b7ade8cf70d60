# Empty compiler generated dependencies file for transport_tests.
# This may be replaced when dependencies are built.
