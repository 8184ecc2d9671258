// Settings files of every version: a refused file changes neither the
// settings nor the preview and says why; an accepted one passes the range
// checks, carries a version from 1 to 48 and reads the same a second time.
// The same bytes as the flags of the memory-dot map: taken when they are 25
// words of 0 or 1, else the flags stay as they were.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/host/filter_record.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "shell/settings_file.h"
#include "shell/settings_persistence.h"
#include "shell/settings_ranges.h"

namespace {

struct Fixture {
    Parameters factory;
    BufferProcs procs{};
    PyramidDescriptor preview{};
    Fixture() {
        std::memset(static_cast<void*>(&factory), 0, sizeof factory);
        GrabDefaultSettings(&factory);
        factory.version = kVersionAfterDefaults;
        InitPyramidProcs(&preview, &procs);
        if (TryToAllocatePyramid_2006(&preview, kPreviewSide, kPreviewSide, kPyrColour8, 0, 0) != 1) std::abort();
        // A pattern the preview holds before each read, so any stroke shows;
        // compared and restored a tile's row at a time.
        for (int64_t y = 0; y < kPreviewSide; ++y)
            for (int64_t x = 0; x < kPreviewSide; ++x)
                set_pyramid_sample_point4_raw(x, y, &preview, 0, uint32_t(x * 2654435761u ^ y * 40503u));
        ForEachRun([this](uint8_t* run, size_t bytes) { pattern.insert(pattern.end(), run, run + bytes); });
    }
    std::vector<uint8_t> pattern;

    // Calls f(address, bytes) for each stretch of a row within one tile.
    template <class F>
    void ForEachRun(F f) {
        for (int64_t y = 0; y < kPreviewSide; ++y)
            for (int64_t x = 0; x < kPreviewSide; x += kTileSide) {
                const int64_t n = std::min<int64_t>(kTileSide, kPreviewSide - x);
                f(pyr_pixel_address(&preview, 0, x, y, 4), size_t(n) * 4);
            }
    }
    bool PreviewUnpainted() {
        size_t at = 0;
        bool same = true;
        ForEachRun([&](uint8_t* run, size_t bytes) {
            same = same && std::memcmp(run, pattern.data() + at, bytes) == 0;
            at += bytes;
        });
        return same;
    }
    void Restore() {
        size_t at = 0;
        ForEachRun([&](uint8_t* run, size_t bytes) {
            std::memcpy(run, pattern.data() + at, bytes);
            at += bytes;
        });
    }
};

int32_t Read(const uint8_t* data, size_t size, Parameters* p, bool take, PyramidDescriptor* preview,
             uint8_t* hasPreview, std::string* error) {
    const int fd = MemoryFile(data, size);
    if (fd < 0) std::abort();
    const int32_t r = ReadSettingsFile(fd, p, take, preview, hasPreview, error);
    close(fd);
    return r;
}

}  // namespace

namespace {

void CheckMemDotFlags(const uint8_t* data, size_t size) {
    int32_t before[kMemDotCount];
    for (int i = 0; i < kMemDotCount; ++i) MemDotIsPersistent[i] = before[i] = int32_t((i * 7 + size) % 3 == 0);
    bool sound = size >= 4 * kMemDotCount;
    int32_t words[kMemDotCount] = {};
    for (int i = 0; sound && i < kMemDotCount; ++i) {
        const uint8_t* w = data + 4 * i;
        words[i] = int32_t(uint32_t(w[0]) << 24 | uint32_t(w[1]) << 16 | uint32_t(w[2]) << 8 | w[3]);
        sound = words[i] == 0 || words[i] == 1;
    }
    const int fd = MemoryFile(data, size);
    if (fd < 0) std::abort();
    const int r = ReadMemDotPersistency(fd);
    close(fd);
    FUZZ_CHECK((r == 0) == sound, "the map was " + std::string(sound ? "refused" : "taken"));
    FUZZ_CHECK(std::memcmp(MemDotIsPersistent, sound ? words : before, sizeof before) == 0,
               sound ? "the flags are not the map's" : "a refused map changed the flags");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture* fixture = new Fixture;
    Fixture& f = *fixture;
    // The flags are 100 bytes; longer inputs (the settings files) add nothing.
    if (size < 200) CheckMemDotFlags(data, size);

    Parameters p = f.factory;
    uint8_t hasPreview = 7;
    std::string error;
    const int32_t r = Read(data, size, &p, true, &f.preview, &hasPreview, &error);
    if (r != kSettingsFileOK) {
        FUZZ_CHECK(r >= kSettingsFileEndsEarly && r <= kSettingsFileBadPreview, "an unknown result");
        FUZZ_CHECK(std::memcmp(&p, &f.factory, sizeof p) == 0, "a refused file changed the settings");
        FUZZ_CHECK(f.PreviewUnpainted(), "a refused file painted the preview: " + error);
        FUZZ_CHECK(hasPreview == 7, "a refused file set the preview flag");
        FUZZ_CHECK(!error.empty(), "a refused file without a reason");
        return 0;
    }
    FUZZ_CHECK(p.version >= kOldestSettingsVersion && p.version <= kSettingsVersion, "the version");
    FUZZ_CHECK(hasPreview == 0 || hasPreview == 1, "the preview flag");
    FUZZ_CHECK(hasPreview == 1 || f.PreviewUnpainted(), "a preview painted but not reported");
    if (hasPreview == 1) f.Restore();
    Parameters checked = p;
    std::string why;
    FUZZ_CHECK(CheckSettingsRanges(&checked, &why), "accepted settings out of range: " + why);

    // Reading without taking the settings changes only the version; reading
    // again gives the same settings.
    Parameters q = f.factory;
    FUZZ_CHECK(Read(data, size, &q, false, nullptr, nullptr, nullptr) == kSettingsFileOK, "a second read refused");
    FUZZ_CHECK(q.version == p.version, "the version of a second read");
    q.version = f.factory.version;
    FUZZ_CHECK(std::memcmp(&q, &f.factory, sizeof q) == 0, "a read without taking changed the settings");
    Parameters again = f.factory;
    FUZZ_CHECK(Read(data, size, &again, true, nullptr, nullptr, nullptr) == kSettingsFileOK, "a third read refused");
    FUZZ_CHECK(std::memcmp(&again, &p, sizeof p) == 0, "two reads of one file differ");
    return 0;
}
