file(REMOVE_RECURSE
  "CMakeFiles/quib_driver_without_entry.dir/support/driver_without_entry.cpp.o"
  "CMakeFiles/quib_driver_without_entry.dir/support/driver_without_entry.cpp.o.d"
  "driver_without_entry/ZOVEVIV.DLL"
  "driver_without_entry/ZOVEVIV.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/quib_driver_without_entry.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
