
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/platform/clock.cpp" "platform/CMakeFiles/quib_platform.dir/clock.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/clock.cpp.o.d"
  "/work/main/platform/code_page.cpp" "platform/CMakeFiles/quib_platform.dir/code_page.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/code_page.cpp.o.d"
  "/work/main/platform/front_end.cpp" "platform/CMakeFiles/quib_platform.dir/front_end.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/front_end.cpp.o.d"
  "/work/main/platform/host_folder.cpp" "platform/CMakeFiles/quib_platform.dir/host_folder.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/host_folder.cpp.o.d"
  "/work/main/platform/language.cpp" "platform/CMakeFiles/quib_platform.dir/language.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/language.cpp.o.d"
  "/work/main/platform/library_loader.cpp" "platform/CMakeFiles/quib_platform.dir/library_loader.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/library_loader.cpp.o.d"
  "/work/main/platform/message_box.cpp" "platform/CMakeFiles/quib_platform.dir/message_box.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/message_box.cpp.o.d"
  "/work/main/platform/named_event.cpp" "platform/CMakeFiles/quib_platform.dir/named_event.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/named_event.cpp.o.d"
  "/work/main/platform/pause.cpp" "platform/CMakeFiles/quib_platform.dir/pause.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/pause.cpp.o.d"
  "/work/main/platform/process_start.cpp" "platform/CMakeFiles/quib_platform.dir/process_start.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/process_start.cpp.o.d"
  "/work/main/platform/script_front_end.cpp" "platform/CMakeFiles/quib_platform.dir/script_front_end.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/script_front_end.cpp.o.d"
  "/work/main/platform/terminal_front_end.cpp" "platform/CMakeFiles/quib_platform.dir/terminal_front_end.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/terminal_front_end.cpp.o.d"
  "/work/main/platform/wide_format.cpp" "platform/CMakeFiles/quib_platform.dir/wide_format.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/wide_format.cpp.o.d"
  "/work/main/platform/window_class.cpp" "platform/CMakeFiles/quib_platform.dir/window_class.cpp.o" "gcc" "platform/CMakeFiles/quib_platform.dir/window_class.cpp.o.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
