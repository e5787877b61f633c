// The shared entry of the raster filters: arguments, messages, the reader,
// the Draw writer and the exit contract.
#pragma once

#include "framework/error.h"

struct FilterProgram {
    const char *usage;   // "Syntax: Bmpload <input file> <output file>\r\n"
    const char *creator; // Draw creator name, e.g. "VIVOZ"
    ErrorRecord *(*read)(const char *input_path);
    bool preallocate_message_table; // Pcxload starts from an empty block; same outcome
};

// Runs the filter and returns the process exit code (0, or the failure's atom
// on Windows / 1 on POSIX after printing the text).
int filter_main(int argc, char **argv, const FilterProgram &program);

// Runs the filter from argument parsing to the written file and returns the
// failure, if any (the exit code's source; tests and fuzzers call this).
ErrorRecord *filter_run(int argc, char **argv, const FilterProgram &program);
