tests/CMakeFiles/quib_driver_without_entry.dir/support/driver_without_entry.cpp.o: \
 /work/main/tests/support/driver_without_entry.cpp \
 /usr/include/stdc-predef.h
