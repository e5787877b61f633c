// Timing of programs started without a shell, and the copy floor that a
// converter is measured against: reading its input and writing as many bytes
// as its output holds, in 128 KB pieces through one reused buffer, as cat
// copies. Each run reports wall time, the processor time of the child and its
// peak resident memory; the best of a few runs counts.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

struct Run {
    double wall = 1e9;
    double cpu = 1e9;
    long peakKilobytes = 0;
};

inline double rusageSeconds(const rusage &usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs `child` in a forked process (its return value is the exit status) and
// measures it; exits the benchmark when it fails.
inline Run bestOf(int runs, const std::string &what, const std::function<int()> &child) {
    Run best;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) _exit(child());
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "failed: %s\n", what.c_str());
            std::exit(1);
        }
        best.wall = std::min(best.wall, took.count());
        best.cpu = std::min(best.cpu, rusageSeconds(usage));
        best.peakKilobytes = std::max(best.peakKilobytes, usage.ru_maxrss);
    }
    return best;
}

// A program with its arguments, standard output sent to `stdoutPath`.
inline Run timeProgram(int runs, std::vector<std::string> argv, const std::string &stdoutPath = "/dev/null") {
    return bestOf(runs, argv.front(), [&] {
        const int out = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || dup2(out, 1) < 0) return 126;
        std::vector<char *> args;
        for (auto &a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        execv(args[0], args.data());
        return 127;
    });
}

// Whole buffers written until `written` reaches `outputBytes`.
inline bool writeUpTo(int out, const char *buffer, std::size_t piece, std::uint64_t written, std::uint64_t outputBytes) {
    while (written < outputBytes) {
        const auto put = static_cast<std::size_t>(std::min<std::uint64_t>(piece, outputBytes - written));
        if (write(out, buffer, put) != static_cast<ssize_t>(put)) return false;
        written += put;
    }
    return true;
}

// The floor: the input read once and `outputBytes` written, both in 128 KB
// pieces through one buffer (whole buffers written again when the output is
// the larger).
inline int copyFloor(const std::string &from, const std::string &to, std::uint64_t outputBytes) {
    constexpr std::size_t kPiece = 128 * 1024;
    static char buffer[kPiece];
    const int in = open(from.c_str(), O_RDONLY);
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) return 1;
    std::uint64_t written = 0;
    ssize_t got = 0;
    while ((got = read(in, buffer, kPiece)) > 0) {
        const auto put = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::size_t>(got),
                                                                          outputBytes - written));
        if (put > 0 && write(out, buffer, put) != static_cast<ssize_t>(put)) return 1;
        written += put;
    }
    if (!writeUpTo(out, buffer, kPiece, written, outputBytes)) return 1;
    close(in);
    return close(out) == 0 ? 0 : 1;
}

// What any converter that holds its whole input pays on top of the floor:
// the input mapped, as Markload maps it, and every cache line of it read once,
// with the output written as the floor writes it. Where first touching a page
// is dear (under some hypervisors), this shows how dear.
inline int mappedFloor(const std::string &from, const std::string &to, std::uint64_t outputBytes) {
    constexpr std::size_t kPiece = 128 * 1024;
    static char buffer[kPiece];
    const int in = open(from.c_str(), O_RDONLY);
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    struct stat status {};
    if (in < 0 || out < 0 || fstat(in, &status) != 0) return 1;
    const auto size = static_cast<std::size_t>(status.st_size);
    volatile unsigned sum = 0;
    if (size > 0) {
        void *view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, in, 0);
        if (view == MAP_FAILED) return 1;
        const auto *bytes = static_cast<const unsigned char *>(view);
        for (std::size_t at = 0; at < size; at += 64) sum = sum + bytes[at];
        munmap(view, size);
    }
    if (!writeUpTo(out, buffer, kPiece, 0, outputBytes)) return 1;
    close(in);
    return close(out) == 0 ? 0 : 1;
}

inline Run timeMappedFloor(int runs, const std::string &from, const std::string &to, std::uint64_t outputBytes) {
    return bestOf(runs, "mapped floor", [&] { return mappedFloor(from, to, outputBytes); });
}

inline Run timeCopyFloor(int runs, const std::string &from, const std::string &to, std::uint64_t outputBytes) {
    return bestOf(runs, "copy floor", [&] { return copyFloor(from, to, outputBytes); });
}

// The program against the floor and against cat, wall and processor time.
inline void printRatios(const char *program, const Run &ours, const Run &floor, const Run &cat) {
    std::printf("  floor   %7.3f s wall %7.3f s cpu   (read input, write the output's size, 128 KB pieces)\n",
                floor.wall, floor.cpu);
    std::printf("  cat     %7.3f s wall %7.3f s cpu   (cat input > copy)\n", cat.wall, cat.cpu);
    std::printf("  %-7s %7.3f s wall %7.3f s cpu   peak %ld KB\n", program, ours.wall, ours.cpu, ours.peakKilobytes);
    std::printf("  ratio to floor %5.2f wall %5.2f cpu (target within 3); ratio to cat %5.2f wall %5.2f cpu\n",
                ours.wall / floor.wall, ours.cpu / floor.cpu, ours.wall / cat.wall, ours.cpu / cat.cpu);
}

} // namespace bench
