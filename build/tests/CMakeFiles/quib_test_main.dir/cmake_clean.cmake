file(REMOVE_RECURSE
  "CMakeFiles/quib_test_main.dir/support/run_program.cpp.o"
  "CMakeFiles/quib_test_main.dir/support/run_program.cpp.o.d"
  "CMakeFiles/quib_test_main.dir/support/test_main.cpp.o"
  "CMakeFiles/quib_test_main.dir/support/test_main.cpp.o.d"
  "libquib_test_main.a"
  "libquib_test_main.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/quib_test_main.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
