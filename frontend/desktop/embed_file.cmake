# Turns a file into constant bytes of a C++ source:
#   cmake -DINPUT=file -DOUTPUT=source.cpp -DNAME=symbol -P embed_file.cmake
file(READ ${INPUT} content HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
string(LENGTH "${content}" digits)
math(EXPR size "${digits} / 2")
file(WRITE ${OUTPUT}
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstddef>\n"
  "extern const unsigned char ${NAME}[] = {${bytes}};\n"
  "extern const std::size_t ${NAME}Size = ${size};\n")
