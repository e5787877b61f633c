/* The floor a GIF decoder is measured against: giflib's DGifSlurp reads and
   decodes every image of the file into memory and writes nothing. */
#include <gif_lib.h>
#include <stdio.h>

int main(int argc, char **argv) {
    int error = 0;
    if (argc != 2) return 2;
    GifFileType *gif = DGifOpenFileName(argv[1], &error);
    if (gif == NULL) {
        fprintf(stderr, "open: %s\n", GifErrorString(error));
        return 1;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        fprintf(stderr, "slurp: %s\n", GifErrorString(gif->Error));
        return 1;
    }
    long sum = 0;
    for (int i = 0; i < gif->SavedImages[0].ImageDesc.Width; ++i) sum += gif->SavedImages[0].RasterBits[i];
    DGifCloseFile(gif, &error);
    return sum < 0;
}
