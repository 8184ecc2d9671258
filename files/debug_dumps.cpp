#include "files/debug_dumps.h"

#include <algorithm>
#include <cstdio>

#include "common/strings.h"
#include "files/export_entry.h"
#include "files/file_layer.h"
#include "files/psd_export.h"
#include "platform/workspace.h"
#include "pyramid/level_copy.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "records/parameters.h"

namespace {

// A Mac OS Roman name as UTF-8; "slapdash" for none.
std::string NameOf(const char* cname) {
    if (!cname) return "slapdash";
    std::string out;
    for (const unsigned char* b = reinterpret_cast<const unsigned char*>(cname); *b; ++b) {
        const uint32_t c = *b < 0x80 ? *b : MacRomanToUnicode(*b);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The name's last component with its extension (if any) replaced by "psd".
std::string WithPSDExtension(const std::string& name) {
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash) && dot > 0;
    return (hasExtension ? name.substr(0, dot) : name) + ".psd";
}

}  // namespace

int FileZerp_slapdashSavePyr_nameComponent(const PyramidDescriptor* pyr, const std::string& name) {
    const std::string desktop = DesktopFolder();
    FileZerp_createDirectoryAtPath(desktop);
    return FileZerp_writePyr_withTags_toPath(pyr, kExportBrickModel, desktop + "/" + WithPSDExtension(name));
}

int FileZerp_slapdashSavePyrOneLevel_cname_level(const PyramidDescriptor* pyr, const char* cname, int64_t level) {
    if (!pyr || !pyr->tiles) return kPSDExportEmpty;
    // The top level is the last one there is (level count - 1).
    level = std::clamp<int64_t>(level, 0, std::max<int64_t>(pyr->topLevel, 0));
    PyramidDescriptor copy{};
    InitPyramidProcs_from_another_pyr(&copy, pyr);
    InitPyramidSincLocal(&copy);
    if (TryToAllocatePyramid_2006(&copy, pyr->width[level], pyr->height[level], kPyrColour8, 0, 0) != 1) {
        DisposePyramidData(&copy);
        return -1;
    }
    CopyLevelToLevelSlowly(pyr, &copy, level, 0);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, " %02lld", (long long)level);
    const int result = FileZerp_slapdashSavePyr_nameComponent(&copy, NameOf(cname) + suffix);
    DisposePyramidData(&copy);
    return result;
}

int FileZerp_slapdashSavePyr_cname_allLevels(const PyramidDescriptor* pyr, const char* cname, bool allLevels) {
    if (!allLevels) return FileZerp_slapdashSavePyr_nameComponent(pyr, NameOf(cname));
    if (!pyr || !pyr->tiles) return kPSDExportEmpty;
    int result = 0;
    for (int64_t level = 0; level <= pyr->topLevel; ++level) {
        const int r = FileZerp_slapdashSavePyrOneLevel_cname_level(pyr, cname, level);
        if (r != 0 && result == 0) result = r;
    }
    return result;
}

int slapdashSavePyrCocoa(const PyramidDescriptor* pyr, const char* cname) {
    return FileZerp_slapdashSavePyr_cname_allLevels(pyr, cname, false);
}

int slapdashSavePyrCocoaAllLevels(const PyramidDescriptor* pyr, const char* cname) {
    return FileZerp_slapdashSavePyr_cname_allLevels(pyr, cname, true);
}

std::string PSDHelp_homePath() { return HomeFolder(); }

std::string PSDHelp_homePathForFilename(const std::string& name) { return PSDHelp_homePath() + "/" + name; }

int PSDHelp_writePyrToPSDtoHomeDir_name(const PyramidDescriptor* pyr, const std::string& name) {
    return FileZerp_writePyr_withTags_toPath(pyr, -1, PSDHelp_homePathForFilename(WithPSDExtension(name)));
}

int PSDHelp_stashFloatNormalized_name(const PyramidDescriptor* pyr, const std::string& name,
                                      const FloatPyrNormaliser& normalise) {
    PyramidDescriptor* colour = normalise ? normalise(pyr) : nullptr;
    if (!colour) return -1;
    const int result = PSDHelp_writePyrToPSDtoHomeDir_name(colour, name);
    DisposeDynamicPyramid(&colour);
    return result;
}

int PSDHelp_stashFloatNormalizedCname_cname(const PyramidDescriptor* pyr, const char* cname,
                                            const FloatPyrNormaliser& normalise) {
    return PSDHelp_stashFloatNormalized_name(pyr, NameOf(cname), normalise);
}

int stashFloatNormalizedCName(const PyramidDescriptor* pyr, const char* cname, const FloatPyrNormaliser& normalise) {
    return PSDHelp_stashFloatNormalizedCname_cname(pyr, cname, normalise);
}
