# Turns a resource file into a C++ table entry for the POSIX build's FindResourceA.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUTPUT}
"// Generated from ${INPUT}; do not edit.
#include \"platform/embedded_resources.h\"
namespace {
const unsigned char bytes[] = {${bytes} 0};
const platform::EmbeddedResource resource{\"${TYPE}\", \"${NAME}\", ${LANGUAGE}, bytes, ${size}};
const platform::ResourceRegistration registration{resource};
}
")
