// What the fuzz targets share: a file in memory for readers that take a
// descriptor, and the stop for a broken contract (libFuzzer keeps the input).
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A descriptor positioned at the start of a memory file holding the bytes;
// -1 when none could be made.
inline int MemoryFile(const uint8_t* data, size_t size) {
    const int fd = memfd_create("vornesk-fuzz", MFD_CLOEXEC);
    if (fd < 0) return -1;
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) {
            close(fd);
            return -1;
        }
        done += size_t(n);
    }
    lseek(fd, 0, SEEK_SET);
    return fd;
}

// A reader broke its promise on this input.
[[noreturn]] inline void BrokenContract(const std::string& what) {
    std::fprintf(stderr, "contract broken: %s\n", what.c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, what) \
    do {                            \
        if (!(condition)) BrokenContract(std::string(#condition) + ": " + (what)); \
    } while (0)
