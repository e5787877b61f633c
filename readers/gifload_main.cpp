// Gifload: a GIF87a or GIF89a file in, a Draw file with its first image as one sprite out.
#include "framework/filter_main.h"
#include "readers/gif.h"

int main(int argc, char **argv) {
    static const FilterProgram program{"Syntax: Gifload <input file> <output file>\r\n", "VIVOZ", gif_read, false};
    return filter_main(argc, argv, program);
}
