// An input file that lives in memory. The converters open their input and
// output by name through the platform layer, so each fuzz input goes into an
// anonymous memory file and the converter is given the file's /proc name:
// no disk, no directory to clean up, and a crash leaves nothing behind.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

struct MemoryFile {
    int fd = -1;
    std::string path; // "/proc/self/fd/<n>", opened anew by every reader
};

inline MemoryFile memory_file_create(const char *name) {
    MemoryFile file;
    file.fd = memfd_create(name, MFD_CLOEXEC);
    if (file.fd < 0) std::abort(); // the harness cannot run without it
    file.path = "/proc/self/fd/" + std::to_string(file.fd);
    return file;
}

// Makes the file hold exactly `size` bytes of `data`.
inline void memory_file_fill(const MemoryFile &file, const std::uint8_t *data, std::size_t size) {
    if (ftruncate(file.fd, static_cast<off_t>(size)) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        ssize_t put = pwrite(file.fd, data + done, size - done, static_cast<off_t>(done));
        if (put <= 0) std::abort();
        done += static_cast<std::size_t>(put);
    }
}
