file(REMOVE_RECURSE
  "CMakeFiles/quib_program.dir/device/driver_transport.cpp.o"
  "CMakeFiles/quib_program.dir/device/driver_transport.cpp.o.d"
  "CMakeFiles/quib_program.dir/resources/program_resources.cpp.o"
  "CMakeFiles/quib_program.dir/resources/program_resources.cpp.o.d"
  "CMakeFiles/quib_program.dir/settings/driver_settings.cpp.o"
  "CMakeFiles/quib_program.dir/settings/driver_settings.cpp.o.d"
  "CMakeFiles/quib_program.dir/ui/main_menu.cpp.o"
  "CMakeFiles/quib_program.dir/ui/main_menu.cpp.o.d"
  "CMakeFiles/quib_program.dir/ui/message_catalogue.cpp.o"
  "CMakeFiles/quib_program.dir/ui/message_catalogue.cpp.o.d"
  "CMakeFiles/quib_program.dir/ui/startup.cpp.o"
  "CMakeFiles/quib_program.dir/ui/startup.cpp.o.d"
  "libquib_program.a"
  "libquib_program.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/quib_program.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
