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
    if (!gParams) {
        close(fd);
        return kPSDExportNoData;
    }
    gParams->exportPurpose = kExportEquirectangularMap;  // export kind 7
    switch (WriteLDRAWFile_Thingie(data, *gParams, fd)) {
        case kBrickExportOK: return kPSDExportOK;
        case kBrickExportNoMemory: return kPSDExportNoMemory;
        default: return kPSDExportWriteFailed;
    }
}

int WriteLegoStatsFile_Thingie(Data* data, int fd) {
    // The page counts the model the settings make now, not what an earlier
    // build left in the tallies.
    if (!data || !data->storage || !gParams || !CountBrickGlobeOfSettings(data, *gParams)) {
        close(fd);
        return kPSDExportNoMemory;
    }
    const int64_t* all = data->storage->brickCellsPerColour;
    const int64_t* visible = data->storage->brickSurfaceCellsPerColour;
    const std::string br = "<br>\r";
    std::string text = "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r"
                       "<html><head><title>Sphere statistics</title></head><body><pre>\r";
    char line[128];
    std::snprintf(line, sizeof line, "Cell count for %d-layer sphere:", int(gParams->lego_layers));
    text += line + br;
    text += "(A 2x4 brick counts as 8 cells)" + br + br + br;
    text += "color      total   visible" + br + br;
    for (int k = 1; k <= 12; ++k) {
        std::snprintf(line, sizeof line, "%s%5lld     %5lld", kColourNames[k - 1], (long long)all[k], (long long)visible[k]);
        text += line + br;
    }
    text += "</pre></body></html>";
    int result = WriteBytes(fd, text.data(), int64_t(text.size())) == 0 ? kPSDExportOK : kPSDExportWriteFailed;
    if (TruncateFile(fd) != 0 && result == kPSDExportOK) result = kPSDExportWriteFailed;
    if (close(fd) != 0 && result == kPSDExportOK) result = kPSDExportWriteFailed;
    return result;
}
