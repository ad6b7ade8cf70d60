
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/device/driver_transport.cpp" "CMakeFiles/quib_program.dir/device/driver_transport.cpp.o" "gcc" "CMakeFiles/quib_program.dir/device/driver_transport.cpp.o.d"
  "/work/main/resources/program_resources.cpp" "CMakeFiles/quib_program.dir/resources/program_resources.cpp.o" "gcc" "CMakeFiles/quib_program.dir/resources/program_resources.cpp.o.d"
  "/work/main/settings/driver_settings.cpp" "CMakeFiles/quib_program.dir/settings/driver_settings.cpp.o" "gcc" "CMakeFiles/quib_program.dir/settings/driver_settings.cpp.o.d"
  "/work/main/ui/main_menu.cpp" "CMakeFiles/quib_program.dir/ui/main_menu.cpp.o" "gcc" "CMakeFiles/quib_program.dir/ui/main_menu.cpp.o.d"
  "/work/main/ui/message_catalogue.cpp" "CMakeFiles/quib_program.dir/ui/message_catalogue.cpp.o" "gcc" "CMakeFiles/quib_program.dir/ui/message_catalogue.cpp.o.d"
  "/work/main/ui/startup.cpp" "CMakeFiles/quib_program.dir/ui/startup.cpp.o" "gcc" "CMakeFiles/quib_program.dir/ui/startup.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build/platform/CMakeFiles/quib_platform.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
