file(REMOVE_RECURSE
  "../transport_binding_tests/transport_binding_tests"
  "../transport_binding_tests/transport_binding_tests.pdb"
  "CMakeFiles/transport_binding_tests.dir/transport_binding_test.cpp.o"
  "CMakeFiles/transport_binding_tests.dir/transport_binding_test.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/transport_binding_tests.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
