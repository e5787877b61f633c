// Bmpload: a Windows or OS/2 bitmap in, a Draw file with one sprite out.
#include "framework/filter_main.h"
#include "readers/bmp.h"

int main(int argc, char **argv) {
    static const FilterProgram program{"Syntax: Bmpload <input file> <output file>\r\n", "VIVOZ", bmp_read, false};
    return filter_main(argc, argv, program);
}
