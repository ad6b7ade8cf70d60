file(REMOVE_RECURSE
  "../transport_tests/transport_tests"
  "../transport_tests/transport_tests.pdb"
  "CMakeFiles/transport_tests.dir/transport_test.cpp.o"
  "CMakeFiles/transport_tests.dir/transport_test.cpp.o.d"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/transport_tests.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
