#include "cli/memory_budget.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// The plug-in's picture holds four components of the document's depth a
// pixel, and its smaller levels a third as much again.
constexpr double kLevels = 4.0 / 3.0;
constexpr double kPyramidComponents = 4;
// The program, its tables, the engine's threads, the small pyramids of a
// run and the stores of a solid and its net, whatever the run's size: a
// 64 x 32 render's peak is 23 MB for a world map and 120 MB for a large
// Goldberg solid.
constexpr double kFixedBytes = 128.0 * 1024 * 1024;

double ReadNumber(const std::string& path) {
    std::ifstream in(path);
    double v = -1;
    if (!(in >> v)) return -1;
    return v;
}

// The control group's room left, or -1 without a limit.
double ControlGroupRoom() {
    std::ifstream groups("/proc/self/cgroup");
    std::string line;
    while (std::getline(groups, line)) {
        const size_t first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        std::string limit, usage;
        if (line.compare(0, 2, "0:") == 0 && controllers.empty()) {
            limit = "/sys/fs/cgroup" + path + "/memory.max";
            usage = "/sys/fs/cgroup" + path + "/memory.current";
        } else if (("," + controllers + ",").find(",memory,") != std::string::npos) {
            limit = "/sys/fs/cgroup/memory" + path + "/memory.limit_in_bytes";
            usage = "/sys/fs/cgroup/memory" + path + "/memory.usage_in_bytes";
        } else {
            continue;
        }
        const double max = ReadNumber(limit), used = ReadNumber(usage);
        // "max", or a limit no machine has: none.
        if (max > 0 && max < 1e18 && used >= 0) return std::max(0.0, max - used);
    }
    return -1;
}

}  // namespace

RunEstimate EstimateRun(const RunShape& s) {
    RunEstimate e;
    const double perPixel = double(s.planes) * s.bytesPerSample;
    const double file = double(s.fileWidth) * double(s.fileHeight) * perPixel;
    const int64_t w = s.width > 0 ? s.width : s.fileWidth, h = s.height > 0 ? s.height : s.fileHeight;
    const double work = double(w) * double(h) * perPixel;
    const bool resized = w != s.fileWidth || h != s.fileHeight;
    // A resize holds the file's picture and the resized one together.
    e.picture = resized ? file + work : work;
    e.pyramid = double(w) * double(h) * kPyramidComponents * s.bytesPerSample * kLevels;
    // A result of another size is the plug-in's layer, at every level, and
    // the host's picture of it.
    const int64_t rw = s.resultWidth > 0 ? s.resultWidth : w, rh = s.resultHeight > 0 ? s.resultHeight : h;
    e.output = double(rw) * double(rh) * perPixel;
    if (rw != w || rh != h) e.output += double(rw) * double(rh) * kPyramidComponents * s.bytesPerSample * kLevels;
    e.exported = double(s.exportWidth) * double(s.exportHeight) * kPyramidComponents * s.exportBytesPerComponent *
                 kLevels;
    e.fixed = kFixedBytes;
    return e;
}

double AvailableMemory() {
    std::ifstream info("/proc/meminfo");
    std::string key;
    double kilobytes = -1;
    while (info >> key) {
        if (key == "MemAvailable:") {
            info >> kilobytes;
            break;
        }
        std::string rest;
        std::getline(info, rest);
    }
    double available = kilobytes >= 0 ? kilobytes * 1024 : 0;
    const double room = ControlGroupRoom();
    if (room >= 0) available = available > 0 ? std::min(available, room) : room;
    return available;
}

bool ParseMemorySize(const std::string& text, double* bytes) {
    size_t end = 0;
    double v = 0;
    try {
        v = std::stod(text, &end);
    } catch (...) {
        return false;
    }
    if (!std::isfinite(v) || v <= 0 || (end > 0 && !std::isdigit(static_cast<unsigned char>(text[0])) && text[0] != '.'))
        return false;
    std::string unit = text.substr(end);
    for (char& c : unit) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (unit.size() == 3 && unit.compare(1, 2, "IB") == 0) unit = unit.substr(0, 1);
    else if (unit.size() == 2 && unit[1] == 'B') unit = unit.substr(0, 1);
    double scale = 1;
    if (unit == "K") scale = 1024.0;
    else if (unit == "M") scale = 1024.0 * 1024;
    else if (unit == "G") scale = 1024.0 * 1024 * 1024;
    else if (unit == "T") scale = 1024.0 * 1024 * 1024 * 1024;
    else if (!unit.empty() && unit != "B") return false;
    *bytes = v * scale;
    return *bytes >= 1;
}

std::string MemoryInWords(double bytes) {
    char text[32];
    const double mb = bytes / (1024.0 * 1024);
    if (mb >= 1024) std::snprintf(text, sizeof text, "%.1f GB", mb / 1024);
    else std::snprintf(text, sizeof text, "%.0f MB", std::max(1.0, mb));
    return text;
}
