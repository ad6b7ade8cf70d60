file(REMOVE_RECURSE
  "CMakeFiles/quib_platform.dir/clock.cpp.o"
  "CMakeFiles/quib_platform.dir/clock.cpp.o.d"
  "CMakeFiles/quib_platform.dir/code_page.cpp.o"
  "CMakeFiles/quib_platform.dir/code_page.cpp.o.d"
  "CMakeFiles/quib_platform.dir/front_end.cpp.o"
  "CMakeFiles/quib_platform.dir/front_end.cpp.o.d"
  "CMakeFiles/quib_platform.dir/host_folder.cpp.o"
  "CMakeFiles/quib_platform.dir/host_folder.cpp.o.d"
  "CMakeFiles/quib_platform.dir/language.cpp.o"
  "CMakeFiles/quib_platform.dir/language.cpp.o.d"
  "CMakeFiles/quib_platform.dir/library_loader.cpp.o"
  "CMakeFiles/quib_platform.dir/library_loader.cpp.o.d"
  "CMakeFiles/quib_platform.dir/message_box.cpp.o"
  "CMakeFiles/quib_platform.dir/message_box.cpp.o.d"
  "CMakeFiles/quib_platform.dir/named_event.cpp.o"
  "CMakeFiles/quib_platform.dir/named_event.cpp.o.d"
  "CMakeFiles/quib_platform.dir/pause.cpp.o"
  "CMakeFiles/quib_platform.dir/pause.cpp.o.d"
  "CMakeFiles/quib_platform.dir/process_start.cpp.o"
  "CMakeFiles/quib_platform.dir/process_start.cpp.o.d"
  "CMakeFiles/quib_platform.dir/script_front_end.cpp.o"
  "CMakeFiles/quib_platform.dir/script_front_end.cpp.o.d"
  "CMakeFiles/quib_platform.dir/terminal_front_end.cpp.o"
  "CMakeFiles/quib_platform.dir/terminal_front_end.cpp.o.d"
  "CMakeFiles/quib_platform.dir/wide_format.cpp.o"
  "CMakeFiles/quib_platform.dir/wide_format.cpp.o.d"
  "CMakeFiles/quib_platform.dir/window_class.cpp.o"
  "CMakeFiles/quib_platform.dir/window_class.cpp.o.d"
  "libquib_platform.a"
  "libquib_platform.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/quib_platform.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
