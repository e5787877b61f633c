// Pngload: converts a PNG file into a Draw file holding one sprite.
#include "framework/filter_main.h"
#include "readers/png.h"

int main(int argc, char **argv) {
    static const FilterProgram program{"Syntax: Pngload <input file> <output file>\r\n", "RODEZ", pngin_read, false};
    return filter_main(argc, argv, program);
}
