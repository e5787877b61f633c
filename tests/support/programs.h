// Runs the real programs the way the host does: natively (failure text on
// standard error, status 1) or, when a Windows build is configured, the .exe
// under Wine through the test host (failure text in the global atom whose
// number is the exit code).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

enum class Runner { native, windows };

struct RunResult {
    bool succeeded = false;
    int exit_code = -1;        // the raw exit code (on Windows the atom number on failure)
    std::string failure_text;  // stderr or the atom's name, trailing line end removed
    std::string output;        // the program's standard output
};

// Native always; Windows too when FILTERS_WINDOWS_BIN_DIR names the Windows build.
std::vector<Runner> runners_for(std::string_view program);
std::string runner_name(Runner runner);

// Arguments are host paths; they are turned into Windows paths for the Windows runner.
RunResult run_program(Runner runner, std::string_view program, const std::vector<std::string> &arguments);

// A host path as the Windows build sees it under Wine ("Z:\\tmp\\x").
std::string windows_path(const std::string &path);

} // namespace testing_support
