#include "files/brick_files.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "common/byte_io.h"
#include "files/psd_export.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"
#include "render/globes/brick_exports.h"

namespace {

constexpr const char* kColourNames[12] = {"black      ", "blue       ", "green      ", "red        ",
                                          "white      ", "yellow     ", "light grey ", "dark grey  ",
                                          "brown      ", "sand red   ", "tan        ", "green-gray "};

}  // namespace

int WriteLDRAWFileWithGlobals(Data* data, int fd) {
    if (gParams) gParams->exportPurpose = kExportEquirectangularMap;  // export kind 7
    switch (WriteLDRAWFile_Thingie(data, fd)) {
        case kBrickExportOK: return kPSDExportOK;
        case kBrickExportNoMemory: return kPSDExportNoMemory;
        default: return kPSDExportWriteFailed;
    }
}

int WriteLegoStatsFile_Thingie(Data* data, int fd) {
    const int64_t* all = data && data->storage ? data->storage->brickCellsPerColour : nullptr;
    const int64_t* visible = data && data->storage ? data->storage->brickSurfaceCellsPerColour : nullptr;
    const std::string br = "<br>\r";
    std::string text = "<html><head><title>Sphere statistics</title></head><body><pre>\r";
    char line[128];
    std::snprintf(line, sizeof line, "Cell count for %d-layer sphere:", gParams ? int(gParams->lego_layers) : 0);
    text += line + br;
    text += "(A 2x4 brick counts as 8 cells)" + br + br + br;
    text += "color      total   visible" + br + br;
    for (int k = 1; k <= 12; ++k) {
        std::snprintf(line, sizeof line, "%s%5lld     %5lld", kColourNames[k - 1], all ? (long long)all[k] : 0LL,
                      visible ? (long long)visible[k] : 0LL);
        text += line + br;
    }
    text += "</pre></body></html>" + br;
    int result = WriteBytes(fd, text.data(), int64_t(text.size())) == 0 ? kPSDExportOK : kPSDExportWriteFailed;
    if (TruncateFile(fd) != 0 && result == kPSDExportOK) result = kPSDExportWriteFailed;
    if (close(fd) != 0 && result == kPSDExportOK) result = kPSDExportWriteFailed;
    return result;
}
