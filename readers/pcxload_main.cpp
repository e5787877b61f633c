// Pcxload: a PCX file in, a Draw file with one sprite out.
#include "framework/filter_main.h"
#include "readers/pcx.h"

int main(int argc, char **argv) {
    static const FilterProgram program{"Syntax: Pcxload <input file> <output file>\r\n", "VOVID", pcx_read, true};
    return filter_main(argc, argv, program);
}
