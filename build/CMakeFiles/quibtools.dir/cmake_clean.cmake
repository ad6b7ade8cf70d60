file(REMOVE_RECURSE
  "CMakeFiles/quibtools.dir/platform/launcher.cpp.o"
  "CMakeFiles/quibtools.dir/platform/launcher.cpp.o.d"
  "bin/quibtools"
  "bin/quibtools.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/quibtools.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
