// Runs a raster filter inside the test process (so sanitizers see the
// reader) and reads back what it wrote.
#pragma once

#include "tools/draw_file.h"
#include "framework/filter_main.h"
#include "framework/messages.h"
#include "framework/sprite.h"
#include "tests/support/files.h"

#include <string>

namespace testing_support {

using draw_file::DrawSprite;
using draw_file::parse_draw;

struct Conversion {
    bool succeeded = false;
    std::string failure; // the failure text, when it failed
    DrawSprite sprite;   // when it succeeded
    std::string parse_problem;
};

inline Conversion convert_in_process(const FilterProgram &program, const std::string &input, const TempDir &dir) {
    std::string output = dir.file("converted.draw");
    std::string name = "filter";
    char *argv[] = {name.data(), const_cast<char *>(input.c_str()), output.data(), nullptr};
    Conversion result;
    ErrorRecord *error = filter_run(3, argv, program);
    result.succeeded = error == nullptr;
    if (error != nullptr) result.failure = error->text;
    else if (!parse_draw(read_file(output), result.sprite, result.parse_problem)) result.succeeded = false;
    sprite_list_clear(&sprite_list);
    message_table_reset();
    return result;
}

} // namespace testing_support
