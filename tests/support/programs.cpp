#include "tests/support/programs.h"
#include "tests/support/files.h"

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {
namespace {

std::string env_or_empty(const char *name) {
    const char *value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string trim_line_end(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// The Wine loader chosen by scripts/wine-env.sh (the 32-bit one), or plain "wine".
std::string wine_command() {
    std::string chosen = env_or_empty("FILTERS_WINE");
    return chosen.empty() ? "wine" : chosen;
}

// The Windows build: the product in bin/, the test host beside it in test-bin/.
std::filesystem::path windows_bin_dir() { return env_or_empty("FILTERS_WINDOWS_BIN_DIR"); }
std::filesystem::path windows_test_host() {
    return (windows_bin_dir() / "..").lexically_normal() / "test-bin" / "winhost.exe";
}

// Runs argv with stdout and stderr sent to files; returns the exit status.
int spawn(const std::vector<std::string> &argv, const std::string &out_path, const std::string &err_path,
          bool wine_environment) {
    pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(out_path.c_str(), "wb", stdout) || !freopen(err_path.c_str(), "wb", stderr)) _exit(127);
        if (wine_environment) {
            setenv("WINEDEBUG", "-all", 1);
            setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
            std::string prefix = env_or_empty("FILTERS_WINE_PREFIX");
            if (!prefix.empty()) setenv("WINEPREFIX", prefix.c_str(), 1);
        }
        std::vector<char *> args;
        for (const auto &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The native programs: FILTERS_BIN_DIR under ctest, else bin/ beside the test binary's folder.
std::filesystem::path native_bin_dir() {
    std::string dir = env_or_empty("FILTERS_BIN_DIR");
    if (!dir.empty()) return dir;
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin";
}

} // namespace

std::string windows_path(const std::string &path) {
    std::string absolute = std::filesystem::absolute(path).string();
    std::string result = "Z:";
    for (char c : absolute) result += c == '/' ? '\\' : c;
    return result;
}

// A configured Windows build always runs: a program that is missing there or
// that Wine cannot start fails the test rather than dropping out of it.
std::vector<Runner> runners_for(std::string_view) {
    std::vector<Runner> runners{Runner::native};
    if (!windows_bin_dir().empty()) runners.push_back(Runner::windows);
    return runners;
}

std::string runner_name(Runner runner) { return runner == Runner::native ? "native" : "windows"; }

RunResult run_program(Runner runner, std::string_view program, const std::vector<std::string> &arguments) {
    TempDir scratch;
    std::string out_path = scratch.file("stdout");
    std::string err_path = scratch.file("stderr");
    RunResult result;
    if (runner == Runner::native) {
        std::vector<std::string> argv{(native_bin_dir() / program).string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        result.exit_code = spawn(argv, out_path, err_path, false);
        result.succeeded = result.exit_code == 0;
        if (!result.succeeded) result.failure_text = trim_line_end(read_text(err_path));
    } else {
        std::filesystem::path exe = windows_bin_dir() / (std::string(program) + ".exe");
        for (const std::filesystem::path &needed : {exe, windows_test_host()})
            if (!std::filesystem::exists(needed)) {
                result.failure_text = needed.string() + " is not built";
                return result;
            }
        std::string report_path = scratch.file("report");
        std::vector<std::string> argv{wine_command(), windows_test_host().string(), windows_path(report_path),
                                      windows_path(exe.string())};
        for (const auto &a : arguments) argv.push_back(a.empty() || a[0] != '/' ? a : windows_path(a));
        // Wine itself occasionally fails to start on a loaded machine, before the
        // test host runs; that is no outcome of the program, so try again.
        std::string report;
        for (int attempt = 0; attempt < 3 && report.empty(); ++attempt) {
            spawn(argv, out_path, err_path, true);
            report = read_text(report_path);
        }
        if (report.empty()) {
            result.failure_text = "Wine did not run the test host: " + trim_line_end(read_text(err_path));
            return result;
        }
        // The report: the exit code on the first line, then the atom's name.
        auto newline = report.find('\n');
        result.exit_code = newline == std::string::npos ? -1 : std::atoi(report.substr(0, newline).c_str());
        result.succeeded = result.exit_code == 0;
        if (newline != std::string::npos) result.failure_text = trim_line_end(report.substr(newline + 1));
    }
    result.output = read_text(out_path);
    return result;
}

} // namespace testing_support
