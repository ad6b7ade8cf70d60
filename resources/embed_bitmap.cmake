# Turns a 4-bit .bmp file into a BitmapResource in a C++ source file, so the
# committed picture is the only copy of the logo.
#   cmake -DINPUT=logo.bmp -DOUTPUT=logo_bitmap.cpp -DNAME=logoBitmap -DID=121 -DLANGUAGE=1041 -P embed_bitmap.cmake
# Takes uncompressed 4-bit bottom-up bitmaps with a 40-byte header and a
# 16-entry palette; anything else stops the build.

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR file_size "${hex_length} / 2")

# Unsigned little-endian number of `size` bytes at byte `offset`.
function(read_number offset size result)
  set(value 0)
  math(EXPR last "${size} - 1")
  foreach(i RANGE 0 ${last})
    math(EXPR at "(${offset} + ${i}) * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    math(EXPR value "${value} + (0x${byte} << (8 * ${i}))")
  endforeach()
  set(${result} ${value} PARENT_SCOPE)
endfunction()

if(file_size LESS 54)
  message(FATAL_ERROR "${INPUT}: too short for a bitmap")
endif()
string(SUBSTRING "${hex}" 0 4 magic)
read_number(10 4 pixel_offset)
read_number(14 4 header_size)
read_number(18 4 width)
read_number(22 4 height)
read_number(28 2 bits)
read_number(30 4 compression)
read_number(46 4 colours_used)
if(NOT magic STREQUAL "424d" OR NOT header_size EQUAL 40 OR NOT bits EQUAL 4 OR NOT compression EQUAL 0
   OR height GREATER 32767 OR NOT (colours_used EQUAL 0 OR colours_used EQUAL 16))
  message(FATAL_ERROR "${INPUT}: not an uncompressed bottom-up 4-bit bitmap with a 40-byte header")
endif()
math(EXPR stride "(${width} * 4 + 31) / 32 * 4")
math(EXPR needed "${pixel_offset} + ${stride} * ${height}")
if(file_size LESS needed OR pixel_offset LESS 118)
  message(FATAL_ERROR "${INPUT}: pixel data out of range")
endif()

# Palette entries are blue, green, red, reserved; the resource wants 0x00RRGGBB.
set(palette "")
foreach(i RANGE 0 15)
  math(EXPR at "(54 + ${i} * 4) * 2")
  string(SUBSTRING "${hex}" ${at} 2 blue)
  math(EXPR at "${at} + 2")
  string(SUBSTRING "${hex}" ${at} 2 green)
  math(EXPR at "${at} + 2")
  string(SUBSTRING "${hex}" ${at} 2 red)
  string(APPEND palette "    0x00${red}${green}${blue},\n")
endforeach()

# Rows are stored bottom up; the resource lists them top down.
set(rows "")
math(EXPR last_row "${height} - 1")
foreach(row RANGE 0 ${last_row})
  math(EXPR at "(${pixel_offset} + (${last_row} - ${row}) * ${stride}) * 2")
  math(EXPR row_hex_length "${stride} * 2")
  string(SUBSTRING "${hex}" ${at} ${row_hex_length} row_hex)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," row_bytes "${row_hex}")
  string(APPEND rows "    ${row_bytes}\n")
endforeach()

file(WRITE "${OUTPUT}.new" "// Generated from ${INPUT} by embed_bitmap.cmake; do not edit.
#include \"resources/templates.h\"

namespace templates {
namespace {

constexpr std::uint32_t palette[16] = {
${palette}};

constexpr std::uint8_t pixels[${stride} * ${height}] = {
${rows}};

} // namespace

extern const BitmapResource ${NAME} = {${ID}, ${LANGUAGE}, ${width}, ${height}, 4, palette, pixels};

} // namespace templates
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
