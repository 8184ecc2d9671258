// Debugging dumps of pyramids as PSD files, to be looked at while
// developing: to the desktop (the slapdash dumps) or the home folder. Names
// given as C strings are Mac OS Roman; without one a dump is "slapdash".
// Nothing in the plug-in's normal work calls them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct PyramidDescriptor;

// The name with its extension replaced by "psd", on the desktop (made when
// missing), written as a one-layer PSD with the keywords of export kind 0.
// 0, or the writer's failure.
int FileZerp_slapdashSavePyr_nameComponent(const PyramidDescriptor* pyr, const std::string& name);
// One level as "NAME LL.psd" (two digits) through an 8-bit RGBA copy of
// the level's size. A level below 0 is level 0, one past the top is the
// top level. 0, or the failure (-1 when the copy cannot be had).
int FileZerp_slapdashSavePyrOneLevel_cname_level(const PyramidDescriptor* pyr, const char* cname, int64_t level);
// The pyramid under the name, or every level as one dump each.
int FileZerp_slapdashSavePyr_cname_allLevels(const PyramidDescriptor* pyr, const char* cname, bool allLevels);
int slapdashSavePyrCocoa(const PyramidDescriptor* pyr, const char* cname);
int slapdashSavePyrCocoaAllLevels(const PyramidDescriptor* pyr, const char* cname);

// The home folder, or "/tmp" when there is none; and a file name in it.
std::string PSDHelp_homePath();
std::string PSDHelp_homePathForFilename(const std::string& name);
// The name with its extension replaced by "psd" in the home folder,
// written as a one-layer PSD without keywords.
int PSDHelp_writePyrToPSDtoHomeDir_name(const PyramidDescriptor* pyr, const std::string& name);
// A float pyramid made into a colour pyramid by normalise (the caller's
// contrast normalisation: a new pyramid, or null), dumped to the home
// folder and freed. -1 when normalise gives nothing.
using FloatPyrNormaliser = std::function<PyramidDescriptor*(const PyramidDescriptor*)>;
int PSDHelp_stashFloatNormalized_name(const PyramidDescriptor* pyr, const std::string& name,
                                      const FloatPyrNormaliser& normalise);
int PSDHelp_stashFloatNormalizedCname_cname(const PyramidDescriptor* pyr, const char* cname,
                                            const FloatPyrNormaliser& normalise);
int stashFloatNormalizedCName(const PyramidDescriptor* pyr, const char* cname, const FloatPyrNormaliser& normalise);
