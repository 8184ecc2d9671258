#include "platform/phase_clock.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

void NotePhaseEnd(const char* name) {
    static const bool wanted = std::getenv("VORNESK_PHASE_TIMES") != nullptr;
    if (!wanted) return;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    std::fprintf(stderr, "phase %s %.4f %.4f %ld\n", name, cpu, double(now.tv_sec) + double(now.tv_nsec) * 1e-9,
                 usage.ru_maxrss);
}
