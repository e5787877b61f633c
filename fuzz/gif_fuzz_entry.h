// The shared body of the reader fuzzers: the readers take a path, so each
// input goes to one scratch file that the reader then converts and the Draw
// writer writes out; the sprite list is emptied after every run.
#pragma once

#include "framework/error.h"
#include "framework/sprite.h"
#include "framework/sprite_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

inline int fuzz_reader(ErrorRecord *(*read)(const char *), const std::uint8_t *data, std::size_t size) {
    static std::string input;
    static std::string output;
    if (input.empty()) {
        // A memory-backed directory when there is one: the files are rewritten on every run.
        char pattern[] = "/dev/shm/reader-fuzz-XXXXXX";
        if (access("/dev/shm", W_OK) != 0) std::strcpy(pattern, "/tmp/reader-fuzz-XXXXXX");
        int fd = mkstemp(pattern);
        if (fd < 0) std::abort();
        close(fd);
        input = pattern;
        output = input + ".draw";
        std::atexit([] {
            std::remove(input.c_str());
            std::remove(output.c_str());
        });
        static CodeTableNode node;
        register_code_table(kFrameworkCodes, &node);
    }
    FILE *file = std::fopen(input.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    // Huge sprites are written by the same loop as small ones; leaving them out keeps the runs quick.
    if (read(input.c_str()) == nullptr) {
        const Bitmap *image = sprite_list.entries[0].image->image;
        if (static_cast<std::int64_t>(image->stride) * image->height <= (1 << 20))
            sprite_file_write(&sprite_list, 0, output.c_str());
    }
    sprite_list_clear(&sprite_list);
    return 0;
}
