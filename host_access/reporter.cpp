#include "host_access/reporter.h"

#include <cstdio>

namespace {

const Reporter* gReporter = nullptr;

}  // namespace

void InstallReporter(const Reporter* reporter) { gReporter = reporter; }
const Reporter* InstalledReporter() { return gReporter; }

void ReportMemoryAlert() {
    if (gReporter && gReporter->memoryAlert) return gReporter->memoryAlert();
    std::fprintf(stderr, "Can\u2019t get memory to run this plug-in.\n");
}

void ReportWarning(const char* text) {
    if (gReporter && gReporter->warning) return gReporter->warning(text);
    std::fprintf(stderr, "Vornesk 2: %s\n", text ? text : "");
}

void ReportProgress(double fraction) {
    if (gReporter && gReporter->progress) return gReporter->progress(fraction);
    std::fprintf(stderr, "progress %.0f%%\n", fraction * 100.0);
}

void ReportCancelling() {
    if (gReporter && gReporter->cancelling) return gReporter->cancelling();
    std::fprintf(stderr, "cancelling\n");
}
