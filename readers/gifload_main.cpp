// Gifload: a GIF87a or GIF89a file in, a Draw file with its first image as one sprite out.
#include "framework/filter_main.h"
#include "readers/gif.h"

int main(int argc, char **argv) { return filter_main(argc, argv, kGifloadProgram); }
