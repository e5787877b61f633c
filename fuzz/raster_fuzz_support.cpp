#include "fuzz/raster_fuzz_support.h"
#include "framework/messages.h"
#include "framework/sprite.h"

#include <cstdio>
#include <string>
#include <unistd.h>

void fuzz_raster_filter(const FilterProgram &program, const std::uint8_t *data, std::size_t size) {
    static const std::string scratch = "/tmp/raster-fuzz-" + std::to_string(getpid());
    static std::string input = scratch + ".in";
    static std::string output = scratch + ".out";
    if (FILE *file = std::fopen(input.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    std::string name = "filter";
    char *argv[] = {name.data(), input.data(), output.data(), nullptr};
    filter_run(3, argv, program);
    sprite_list_clear(&sprite_list);
    message_table_reset();
}
