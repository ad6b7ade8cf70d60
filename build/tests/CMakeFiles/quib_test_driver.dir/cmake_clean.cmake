file(REMOVE_RECURSE
  "CMakeFiles/quib_test_driver.dir/support/test_driver.cpp.o"
  "CMakeFiles/quib_test_driver.dir/support/test_driver.cpp.o.d"
  "test_driver/ZOVEVIV.DLL"
  "test_driver/ZOVEVIV.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/quib_test_driver.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
