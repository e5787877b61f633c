// Timing of whole commands for the benchmarks: the best of a few runs, wall
// time and the processor time of the command's processes (the machine may be
// busy, so both are shown).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

namespace bench {

struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
};

inline double children_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Exits when the command fails: a benchmark of a failing run means nothing.
inline Timing best_time(const std::string &command, int runs) {
    Timing best;
    for (int i = 0; i < runs; ++i) {
        double cpu_before = children_cpu_seconds();
        auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            std::exit(1);
        }
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best.wall = std::min(best.wall, took.count());
        best.cpu = std::min(best.cpu, children_cpu_seconds() - cpu_before);
    }
    return best;
}

inline std::string shell_word(const std::string &path) { return "'" + path + "'"; }

} // namespace bench
