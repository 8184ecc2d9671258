#include "shell/host_export.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "files/export_entry.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/host_utilities.h"
#include "platform/host/filter_record.h"
#include "platform/host/result_codes.h"
#include "pyramid/render_storage.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "shell/mode_catalogue.h"

namespace {

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i]) return false;
    return true;
}

void Refuse(const std::string& message) {
    SetHostResult(HostReportError(gFilterRecord ? gFilterRecord->errorString : nullptr, message.c_str()),
                  kDiagNotInThisBuild);
}

}  // namespace

const char* HostExportRequest() {
    const char* path = std::getenv("VORNESK_EXPORT");
    return path && *path ? path : nullptr;
}

bool RunHostExport(const char* path) {
    if (!gParams || !path) return false;
    const std::string file = path;
    if (!EndsWithNoCase(file, ".obj")) {
        Refuse("this build exports only .obj files from the command line, not " + file);
        return false;
    }
    const int32_t mode = gParams->outputMode;
    // The texture is rendered from the picture: read it first.
    MaybeAllocatePyramids(gData);
    if (HostResult() != noErr) return false;
    std::string failed;
    const int result = FileZerp_WriteOBJFileAndItsHandmaidensAtPath(file, CatalogueExportHooks(), &failed);
    if (result == kExportNoSolid) {
        Refuse(std::string("output mode ") + std::to_string(mode) + " (" + VorneskOutputModeName(mode) +
               ") has no solid this build can export as OBJ");
        return false;
    }
    if (result != 0) {
        Refuse("cannot write " + failed + ": " + ExportEntryMessage(result));
        return false;
    }
    return true;
}
