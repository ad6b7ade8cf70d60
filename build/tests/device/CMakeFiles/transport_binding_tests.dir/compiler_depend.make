# Empty compiler generated dependencies file for transport_binding_tests.
# This may be replaced when dependencies are built.
