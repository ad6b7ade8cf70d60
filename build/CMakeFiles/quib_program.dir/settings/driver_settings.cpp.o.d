CMakeFiles/quib_program.dir/settings/driver_settings.cpp.o: \
 /work/main/settings/driver_settings.cpp /usr/include/stdc-predef.h \
 /work/main/settings/driver_settings.h
