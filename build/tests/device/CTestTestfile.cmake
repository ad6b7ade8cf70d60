# CMake generated Testfile for 
# Source directory: /work/main/tests/device
# Build directory: /work/main/build/tests/device
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[transport_tests]=] "/work/main/build/tests/transport_tests/transport_tests")
set_tests_properties([=[transport_tests]=] PROPERTIES  TIMEOUT "300" _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;38;add_test;/work/main/tests/device/CMakeLists.txt;1;quib_add_test;/work/main/tests/device/CMakeLists.txt;0;")
add_test([=[transport_binding_tests]=] "/work/main/build/tests/transport_binding_tests/transport_binding_tests")
set_tests_properties([=[transport_binding_tests]=] PROPERTIES  TIMEOUT "300" _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;38;add_test;/work/main/tests/device/CMakeLists.txt;2;quib_add_test;/work/main/tests/device/CMakeLists.txt;0;")
