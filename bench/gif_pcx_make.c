/* Writes a PPM of the given size using at most `colours` colours: smooth
   diagonal bands with a little noise, so that run-length and LZW coders see
   neither a flat nor a random picture. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
    if (argc != 4) return 2;
    int width = atoi(argv[1]), height = atoi(argv[2]), colours = atoi(argv[3]);
    unsigned char palette[256][3];
    unsigned seed = 12345;
    for (int i = 0; i < 256; ++i) {
        palette[i][0] = (unsigned char)(i * 7);
        palette[i][1] = (unsigned char)(255 - i);
        palette[i][2] = (unsigned char)(i * 3 + 40);
    }
    printf("P6\n%d %d\n255\n", width, height);
    unsigned char *row = malloc((size_t)width * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            int index = ((x + y) / 24 + ((seed >> 16) % 5 == 0 ? (int)(seed >> 20) % 3 : 0)) % colours;
            row[x * 3] = palette[index][0];
            row[x * 3 + 1] = palette[index][1];
            row[x * 3 + 2] = palette[index][2];
        }
        fwrite(row, 3, (size_t)width, stdout);
    }
    free(row);
    return 0;
}
