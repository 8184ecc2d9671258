// Scripting descriptors as the host hands them over: either the host's own
// layout of a descriptor handle (input starting with its mark "VkDs" in
// this machine's byte order) or lines of
// KEY=VALUE text as the command line gives them. A refused descriptor
// changes nothing and says why; accepted settings pass the range checks and
// survive being written to a descriptor and read back.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/host/descriptors.h"
#include "platform/host/handles.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "shell/scripting.h"
#include "shell/settings_ranges.h"

namespace {

const Parameters& Factory() {
    static Parameters* factory = [] {
        auto* p = new Parameters;
        std::memset(static_cast<void*>(p), 0, sizeof *p);
        GrabDefaultSettings(p);
        return p;
    }();
    return *factory;
}

// The handle the input describes; null when its text does not parse.
PIDescriptorHandle HandleFromInput(const uint8_t* data, size_t size) {
    const OSType mark = MakeFourCC("VkDs");   // the handle's first word, in this machine's order
    if (size >= 4 && std::memcmp(data, &mark, 4) == 0) {
        if (size > size_t(INT32_MAX)) return nullptr;
        Handle h = NewHandle(int32_t(size));
        if (h) std::memcpy(HandleAddress(h), data, size);
        return h;
    }
    std::vector<DescriptorItem> items;
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty()) continue;
        DescriptorItem item;
        std::string error;
        if (!ParseDescriptorItem(line, &item, &error)) {
            FUZZ_CHECK(!error.empty(), "a refused item without a reason");
            return nullptr;
        }
        FUZZ_CHECK(item.type != typeFloat || std::isfinite(item.number), "a float that is no number");
        SetDescriptorItem(&items, item);
    }
    return NewDescriptorHandle(items);
}

// Reads the handle into *p; false with *error when refused or unreadable.
bool ReadHandle(PIDescriptorHandle h, Parameters* p, std::string* error) {
    const ReadDescriptorProcs* procs = HostServicesReadDescriptorProcs();
    PIReadDescriptor reader = procs->openReadDescriptorProc(h, kSettingsKeys);
    if (!reader) {
        *error = "not a descriptor";
        return false;
    }
    const bool ok = GetSettingsFromDescriptor(p, procs, reader, error);
    procs->closeReadDescriptorProc(reader);
    return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Parameters& factory = Factory();
    PIDescriptorHandle h = HandleFromInput(data, size);
    if (!h) return 0;
    Parameters p = factory;
    std::string error;
    const bool ok = ReadHandle(h, &p, &error);
    DisposeHandle(h);
    if (!ok) {
        FUZZ_CHECK(std::memcmp(&p, &factory, sizeof p) == 0, "a refused descriptor changed the settings");
        FUZZ_CHECK(!error.empty(), "a refused descriptor without a reason");
        return 0;
    }
    FUZZ_CHECK(p.version >= 1 && p.version <= kSettingsVersion, "the version");
    Parameters checked = p;
    std::string why;
    FUZZ_CHECK(CheckSettingsRanges(&checked, &why), "accepted settings out of range: " + why);

    // Written as the plug-in records them and read back: the same settings
    // (the version becomes the current one; the preview quality is written only).
    const WriteDescriptorProcs* w = HostServicesWriteDescriptorProcs();
    PIWriteDescriptor writer = w->openWriteDescriptorProc();
    FUZZ_CHECK(PutSettingsToDescriptor(&p, w, writer) == 0, "the settings could not be written");
    PIDescriptorHandle written = nullptr;
    FUZZ_CHECK(w->closeWriteDescriptorProc(writer, &written) == 0, "the descriptor could not be closed");
    Parameters back = factory;
    const bool readBack = ReadHandle(written, &back, &why);
    DisposeHandle(written);
    FUZZ_CHECK(readBack, "written settings refused: " + why);
    back.version = p.version;
    back.previewquality = p.previewquality;
    FUZZ_CHECK(std::memcmp(&back, &p, sizeof p) == 0, "settings changed on their way through a descriptor");
    return 0;
}
