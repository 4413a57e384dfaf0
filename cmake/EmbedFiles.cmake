# cmake -DOUTPUT=file.cpp -DSYMBOL=name -DFILES="a.png;b.png" -P EmbedFiles.cmake
#
# Writes a C++ source with the bytes of each file and a table
# { base name, bytes, size } called SYMBOL, terminated by a null entry, so a
# binary carries its resources wherever it is installed.
set(body "// Generated from the files it embeds; do not edit.\n#include <cstddef>\n\nnamespace {\n")
set(table "")
set(index 0)
foreach(path ${FILES})
  file(READ "${path}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  get_filename_component(base "${path}" NAME)
  file(SIZE "${path}" size)
  string(APPEND body "const unsigned char kData${index}[] = {${bytes}};\n")
  string(APPEND table "    {\"${base}\", kData${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND body "}  // namespace\n\nstruct EmbeddedFile { const char* name; const unsigned char* data; size_t size; };\n")
string(APPEND body "extern const EmbeddedFile ${SYMBOL}[] = {\n${table}    {nullptr, nullptr, 0}};\n")
file(WRITE "${OUTPUT}" "${body}")
