# Turns one assembled 512-byte sector into a C++ header holding it as a byte
# array. Run as: cmake -DINPUT=file.bin -DOUTPUT=file.h -DNAME=arrayName -P embed_sector.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
if(NOT digits EQUAL 1024)
  message(FATAL_ERROR "${INPUT}: ${digits} hex digits, not one 512-byte sector")
endif()
set(lines "")
foreach(start RANGE 0 1023 32)
  string(SUBSTRING "${hex}" ${start} 32 row)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " row "${row}")
  string(STRIP "${row}" row)
  string(APPEND lines "    ${row}\n")
endforeach()
get_filename_component(source "${INPUT}" NAME_WE)
file(WRITE "${OUTPUT}.new"
  "// Made by the build from format/loaders/${source}.asm.\n"
  "#pragma once\n\n"
  "#include <cstdint>\n\n"
  "inline constexpr std::uint8_t ${NAME}[512] = {\n${lines}};\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
