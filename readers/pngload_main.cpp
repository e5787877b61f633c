// Pngload: a PNG file in, a Draw file with one sprite out.
#include "readers/png.h"

int main(int argc, char **argv) { return filter_main(argc, argv, kPngloadProgram); }
