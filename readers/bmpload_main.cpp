// Bmpload: a Windows or OS/2 bitmap in, a Draw file with one sprite out.
#include "readers/bmp.h"

int main(int argc, char **argv) { return filter_main(argc, argv, kBmploadProgram); }
