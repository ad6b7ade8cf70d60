# Cross build for Debian's armhf (32-bit ARM, hard float) with Debian's cross
# toolchain (crossbuild-essential-armhf) and the armhf libraries installed
# through multiarch (libsqlite3-dev:armhf and the like). The programs run on
# an armhf board, or here under qemu-arm: CTest starts every test program
# through CMAKE_CROSSCOMPILING_EMULATOR.
#
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/armhf-toolchain.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)

# Libraries and headers come from the armhf multiarch folders only; the
# build's own tools (nasm, cmake's scripts) are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# pkg-config answers for armhf: its .pc files live in the multiarch folder,
# and libunibreak's in build-armhf-deps/ (scripts/install-armhf.sh unpacks
# it there: its armhf package cannot stand beside the machine's own).
set(ENV{PKG_CONFIG_LIBDIR}
    /usr/lib/arm-linux-gnueabihf/pkgconfig:/usr/share/pkgconfig:${CMAKE_CURRENT_LIST_DIR}/../build-armhf-deps/usr/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
# Debian's CMake package files that ask dpkg-architecture for their library
# folder (FLTK's, for one) get the armhf one.
set(ENV{DEB_HOST_MULTIARCH} ${CMAKE_LIBRARY_ARCHITECTURE})

# The programs run on the armhf C library installed through multiarch
# (libc6:armhf, /lib/ld-linux-armhf.so.3), as on a board, so qemu-arm needs
# no library prefix. The cross toolchain's own copy in /usr/arm-linux-gnueabihf
# is for linking only: its loader, mixed with the multiarch libc.so.6 that
# the library search finds, crashes every fork.
find_program(QUIB_QEMU_ARM qemu-arm)
if(QUIB_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUIB_QEMU_ARM})
endif()
