// Pcxload: a PCX file in, a Draw file with one sprite out.
#include "framework/filter_main.h"
#include "readers/pcx.h"

int main(int argc, char **argv) { return filter_main(argc, argv, kPcxloadProgram); }
