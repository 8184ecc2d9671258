// Settings files ("q2q"): one complete set of settings and, optionally, a
// small preview picture of the result. Presets, the cached settings of the
// last run, memory dots and the undo files all use this format.
//
// The file is big-endian 32-bit words: the version (the writer writes 48),
// then 98 words of settings, with a JPEG preview block between words 84 and
// 85 and an old uncompressed-preview word (always 0 now) at word 66. Readers
// take every version from 1 to 48, fill what an old file lacks and renumber
// the output modes of old files.
//
// A file that ends early, carries a version outside 1..48, an unknown mode
// or a damaged preview block is refused as a whole: the settings stay as
// they were and the reason is kept for the caller.
#pragma once

#include <cstdint>
#include <string>

struct Data;
struct Parameters;
struct PyramidDescriptor;

constexpr int32_t kOldestSettingsVersion = 1;
constexpr int32_t kSettingsFileWords = 98;          // after the version word
constexpr int64_t kPreviewSide = 128;               // previews are written 128 x 128
constexpr int64_t kLargestPreviewBytes = 49152;     // a longer JPEG preview is skipped
constexpr long kPreviewQuality = 80;

enum SettingsFileResult : int32_t {
    kSettingsFileOK = 0,
    kSettingsFileEndsEarly = 1,     // or could not be read
    kSettingsFileBadVersion = 2,
    kSettingsFileBadValue = 3,      // a mode outside its range, a float that is no number
    kSettingsFileBadPreview = 4,    // a preview block of unknown kind or size
};

// Why settings of version v cannot be read, for the user: a version above
// 48 that a newer Vornesk 2 may have written, or a number that is no
// settings version at all (not settings, or damaged).
std::string SettingsVersionProblem(int64_t v);

// Writes the settings as a version-48 file. With withPreview and a 128 x 128
// preview pyramid of kind 3 the JPEG preview block holds it; otherwise the
// block is the single word 0. Returns 0 or the first write failure.
int WriteSettingsFile(const Parameters* params, int fd, const PyramidDescriptor* preview, bool withPreview);

// Reads a settings file from fd (left open). With takeSettings the file's
// settings replace those of *params, on top of what *params holds for words
// an old file lacks; without it only params->version changes. A preview found
// is painted into `preview` (may be null) and sets *hasPreview. On refusal
// nothing changes and *error (may be null) says why.
int32_t ReadSettingsFile(int fd, Parameters* params, bool takeSettings, PyramidDescriptor* preview,
                         uint8_t* hasPreview, std::string* error);

// The reason the last settings file read through the calls below was refused.
const char* LastSettingsFileError();

// Mode 1 writes the file to fd (the preview from data's preview pyramid when
// withPreview); mode 0 puts the settings into the scripting descriptor writer
// instead. Sets the record's version to 48; returns 0 or a write failure.
int32_t ParametersOut(Data* data, int fd, int64_t mode, void* descriptor, int64_t withPreview);
// Mode 0 reads the file into the settings, mode 1 only its preview (and
// version). The preview goes into data's preview pyramid. Closes fd; returns
// a SettingsFileResult.
int32_t ReadSettingsFileSwitchably_Thingie(Data* data, int fd, void* unused, int64_t mode, uint8_t* hasPreview);
// The same into *params instead of the current settings.
int32_t ReadSettingsFileInto(Data* data, int fd, Parameters* params, int64_t mode, uint8_t* hasPreview);

// The preview blocks on their own.
int Write_a_JPEG_preview(const PyramidDescriptor* preview, int fd);
int Write_an_uncompressed_preview(int fd);

// Reads fd's preview into data's preview pyramid (fd is closed) and, when
// there is one, allocates `pyramid` as size x size of kind 3
// and scales the preview into it: 1 then, else 0.
int64_t LoadPresetPreviewIntoPyr_Thingie(int fd, PyramidDescriptor* pyramid, Data* data, int64_t size);
