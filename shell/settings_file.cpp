#include "shell/settings_file.h"

#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "common/byte_io.h"
#include "files/jpeg_codec.h"
#include "files/jpeg_pyramid.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "records/data.h"
#include "shell/mode_catalogue.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "records/plugin_globals.h"
#include "shell/scripting.h"
#include "shell/settings_ranges.h"

namespace {

// ---- the word table ----

enum WordKind : uint8_t {
    kIntWord,          // a 32-bit integer field
    kFlagWord,         // 0 or 1
    kColourWord,       // a 16-bit colour component in the low half
    kHundredthsWord,   // a float as the integer part of 100 x value
    kFloatWord,        // a float as its IEEE bit pattern
    kZeroWord,         // written 0, ignored on reading
    kFixedWord,        // written -1; read as a 16.16 value into reservedInt15
    kUncompressedPreviewBlock,
    kJPEGPreviewBlock,
};

struct SettingsWord {
    uint8_t since;     // first version that carries the word
    WordKind kind;
    size_t offset;     // of the field in Parameters
};

#define INT_AT(f) offsetof(Parameters, f)
#define COLOUR_AT(f, c) (offsetof(Parameters, f) + offsetof(RGBColor, c))
#define FLOAT_AT(f, i) (offsetof(Parameters, f) + (i) * sizeof(float))

// Words 2 to 98 and the two preview blocks, in file order.
const SettingsWord kWords[] = {
    {1, kColourWord, COLOUR_AT(tab_color, red)},
    {1, kColourWord, COLOUR_AT(tab_color, green)},
    {1, kColourWord, COLOUR_AT(tab_color, blue)},
    {1, kColourWord, COLOUR_AT(background_color, red)},
    {1, kColourWord, COLOUR_AT(background_color, green)},
    {1, kColourWord, COLOUR_AT(background_color, blue)},
    {1, kColourWord, COLOUR_AT(auxColor4, red)},
    {1, kColourWord, COLOUR_AT(auxColor4, green)},
    {1, kColourWord, COLOUR_AT(auxColor4, blue)},
    {1, kIntWord, INT_AT(inputMode)},                 // word 11
    {1, kIntWord, INT_AT(reservedInt1)},
    {1, kIntWord, INT_AT(reservedInt2)},
    {1, kIntWord, INT_AT(reservedInt3)},
    {1, kIntWord, INT_AT(latitudeDegrees)},
    {1, kIntWord, INT_AT(spinDegrees)},
    {1, kIntWord, INT_AT(reservedInt4)},
    {1, kIntWord, INT_AT(reservedInt5)},
    {1, kIntWord, INT_AT(reservedInt6)},
    {1, kIntWord, INT_AT(reservedInt7)},
    {1, kIntWord, INT_AT(outputMode)},                // word 21
    {1, kFlagWord, INT_AT(flip)},
    {1, kFlagWord, INT_AT(hqpr)},
    {1, kIntWord, INT_AT(reservedInt8)},
    {1, kIntWord, INT_AT(longitudeDegrees)},
    {1, kIntWord, INT_AT(tabsInteger)},
    {1, kIntWord, INT_AT(reservedInt17)},
    {1, kIntWord, INT_AT(renderIntA)},
    {1, kIntWord, INT_AT(renderIntB)},
    {1, kIntWord, INT_AT(reservedInt10)},
    // auxColor7 twice; the reader keeps the second copy.
    {1, kColourWord, COLOUR_AT(auxColor7, red)},      // word 31
    {1, kColourWord, COLOUR_AT(auxColor7, green)},
    {1, kColourWord, COLOUR_AT(auxColor7, blue)},
    {1, kColourWord, COLOUR_AT(auxColor7, red)},
    {1, kColourWord, COLOUR_AT(auxColor7, green)},
    {1, kColourWord, COLOUR_AT(auxColor7, blue)},
    {2, kColourWord, COLOUR_AT(auxColor9, red)},
    {2, kColourWord, COLOUR_AT(auxColor9, green)},
    {2, kColourWord, COLOUR_AT(auxColor9, blue)},
    {2, kIntWord, INT_AT(fovDegrees)},                // word 40
    {2, kIntWord, INT_AT(reservedInt9)},
    {2, kIntWord, INT_AT(graticuleLevel)},
    {3, kIntWord, INT_AT(glueMode)},
    {3, kZeroWord, 0},
    {4, kIntWord, INT_AT(reservedInt11)},
    {4, kIntWord, INT_AT(reservedInt12)},
    {4, kFlagWord, INT_AT(faces)},
    {5, kIntWord, INT_AT(renderIntC)},
    {5, kIntWord, INT_AT(reservedInt14)},
    {8, kHundredthsWord, FLOAT_AT(reservedFloats, 0)},   // word 50
    {8, kHundredthsWord, FLOAT_AT(reservedFloats, 1)},
    {8, kHundredthsWord, FLOAT_AT(reservedFloats, 2)},
    {8, kHundredthsWord, FLOAT_AT(reservedFloats, 3)},
    {8, kHundredthsWord, FLOAT_AT(reservedFloats, 4)},
    {8, kHundredthsWord, FLOAT_AT(reservedFloats, 5)},
    {12, kIntWord, INT_AT(randomSeed)},
    {14, kIntWord, INT_AT(reservedInt13)},
    {16, kZeroWord, 0},
    {17, kIntWord, INT_AT(reservedInt15)},
    {18, kColourWord, COLOUR_AT(auxColor5, red)},     // word 60
    {18, kColourWord, COLOUR_AT(auxColor5, green)},
    {18, kColourWord, COLOUR_AT(auxColor5, blue)},
    {18, kColourWord, COLOUR_AT(auxColor6, red)},
    {18, kColourWord, COLOUR_AT(auxColor6, green)},
    {18, kColourWord, COLOUR_AT(auxColor6, blue)},
    {22, kUncompressedPreviewBlock, 0},               // word 66
    {23, kColourWord, COLOUR_AT(auxColor8, red)},
    {23, kColourWord, COLOUR_AT(auxColor8, green)},
    {23, kColourWord, COLOUR_AT(auxColor8, blue)},
    {26, kFixedWord, INT_AT(reservedInt15)},          // word 70
    {26, kFixedWord, INT_AT(reservedInt15)},
    {31, kIntWord, INT_AT(lego_layers)},
    {31, kIntWord, INT_AT(reservedInt16)},
    {31, kFlagWord, INT_AT(legoFlag1)},
    {31, kFlagWord, INT_AT(legoFlag2)},
    {33, kIntWord, INT_AT(cubemap_pixels)},
    {35, kFlagWord, INT_AT(legoFlag3)},
    {35, kFlagWord, INT_AT(lego_diffuse_colors)},
    {35, kIntWord, INT_AT(legoBrickMask)},
    {35, kFlagWord, INT_AT(lego_plates)},             // word 80
    {36, kIntWord, INT_AT(export_pixels)},
    {37, kIntWord, INT_AT(sharpenInteger)},
    {38, kFlagWord, INT_AT(transparent_gaps)},
    {38, kFlagWord, INT_AT(edges)},
    {40, kJPEGPreviewBlock, 0},
    {41, kFlagWord, INT_AT(anamorph)},                // word 85
    {42, kFlagWord, INT_AT(dehalo)},
    {43, kIntWord, INT_AT(grid)},
    {44, kIntWord, INT_AT(previewquality)},
    {46, kFlagWord, INT_AT(indicatrix)},
    {47, kFloatWord, INT_AT(latitude)},               // word 90
    {47, kFloatWord, INT_AT(longitude)},
    {47, kFloatWord, INT_AT(spin)},
    {47, kFloatWord, INT_AT(FOV)},
    {47, kFloatWord, INT_AT(tabs)},
    {47, kFloatWord, INT_AT(sharpen)},
    {48, kColourWord, COLOUR_AT(line_color, red)},
    {48, kColourWord, COLOUR_AT(line_color, green)},
    {48, kColourWord, COLOUR_AT(line_color, blue)},
};

#undef INT_AT
#undef COLOUR_AT
#undef FLOAT_AT

// The last version whose files end after word 66.
constexpr int32_t kShortVersion = 30;


int32_t Hundredths(float v) {
    const double h = std::trunc(double(v) * 100.0);
    if (!(h > -2147483648.0)) return INT32_MIN;   // NaN too
    if (h > 2147483647.0) return INT32_MAX;
    return int32_t(h);
}

int32_t FloatBits(float v) {
    int32_t w;
    std::memcpy(&w, &v, sizeof w);
    return w;
}

float BitsFloat(int32_t w) {
    float v;
    std::memcpy(&v, &w, sizeof v);
    return v;
}

int32_t Narrow(int64_t v) { return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v); }

// ---- writing ----

struct Writer {
    int fd;
    int error = 0;
    void Word(int32_t v) {
        const int e = wrSInt32(v, fd);
        if (e && !error) error = e;
    }
};

void WritePreviewOrNone(Writer* w, const PyramidDescriptor* preview, bool withPreview) {
    const int e = withPreview ? Write_a_JPEG_preview(preview, w->fd) : Write_an_uncompressed_preview(w->fd);
    if (e && !w->error) w->error = e;
}

// ---- reading ----

std::string gLastError;

struct Reader {
    explicit Reader(int descriptor) : fd(descriptor) {}
    int fd;
    int32_t wordNumber = 1;
    int32_t result = kSettingsFileOK;
    std::string why;

    bool Fail(int32_t code, std::string text) {
        if (result == kSettingsFileOK) {
            result = code;
            why = std::move(text);
        }
        return false;
    }
    bool inPreview = false;   // reading a preview block, which has no word numbers
    // A preview decoded from the file, painted only once the whole file is
    // accepted: a refused file leaves the preview as it was.
    std::vector<uint32_t> previewPixels;
    int64_t previewWidth = 0;
    int64_t previewHeight = 0;

    std::string Where() const {
        return inPreview ? "in the preview after word " + std::to_string(wordNumber)
                         : "at word " + std::to_string(wordNumber);
    }
    bool Word(int32_t* v) {
        if (result != kSettingsFileOK) return false;
        const int e = NewRdSInt32(v, fd);
        if (e == 0) return true;
        return Fail(kSettingsFileEndsEarly, (e == kQevEndOfFile ? "the file ends early, " : "the file could not be read ") + Where());
    }
    bool Bytes(void* buffer, int64_t n) {
        if (result != kSettingsFileOK) return false;
        if (n <= 0) return true;
        const int e = ReadBytes(fd, buffer, n);
        if (e == 0) return true;
        return Fail(kSettingsFileEndsEarly, (e == kQevEndOfFile ? "the file ends early, " : "the file could not be read ") + Where());
    }
    // Skips n bytes, stopping at the first failure.
    bool Skip(int64_t n) {
        char block[4096];
        while (n > 0) {
            const int64_t k = n < int64_t(sizeof block) ? n : int64_t(sizeof block);
            if (!Bytes(block, k)) return false;
            n -= k;
        }
        return true;
    }
};

bool PreviewPyramidUsable(const PyramidDescriptor* pyr) {
    return pyr && pyr->tiles && !pyr->noTiles && pyr->kind == kPyrColour8 && pyr->width[0] > 0 &&
           pyr->height[0] > 0;
}

// Paints a w x h picture of packed RGBA words into level 0 of the preview
// pyramid, scaled to fill it (nearest pixel).
void PaintPreview(PyramidDescriptor* pyr, const std::vector<uint32_t>& pixels, int64_t w, int64_t h) {
    const int64_t W = pyr->width[0], H = pyr->height[0];
    for (int64_t y = 0; y < H; ++y)
        for (int64_t x = 0; x < W; ++x)
            set_pyramid_sample_point4_raw(x, y, pyr, 0, pixels[size_t((y * h / H) * w + x * w / W)]);
}

struct DecodedPreview {
    std::vector<uint32_t>* pixels;
    long width;
    long height;
};

bool PreviewRow(void* context, long y, long width, int components, const uint8_t* row) {
    auto* d = static_cast<DecodedPreview*>(context);
    if (width != d->width || y >= d->height) return false;
    for (long x = 0; x < width; ++x) (*d->pixels)[size_t(y * width + x)] = PackedRGBAFromJPEGPixel(row, x, components);
    return true;
}

void ReadJPEGPreview(Reader* r, const PyramidDescriptor* preview) {
    int32_t kind = 0;
    if (!r->Word(&kind) || kind == 0) return;
    if (kind != 1) {
        r->Fail(kSettingsFileBadPreview, "the preview block has an unknown kind " + std::to_string(kind));
        return;
    }
    int32_t width = 0, height = 0, length = 0;
    if (!r->Word(&width) || !r->Word(&height) || !r->Word(&length)) return;
    if (length < 0) {
        r->Fail(kSettingsFileBadPreview, "the preview block claims a negative length");
        return;
    }
    const bool sizeSound = width >= 1 && width <= kPreviewSide && height >= 1 && height <= kPreviewSide;
    // A preview we cannot or need not decode is passed over by its length.
    if (!PreviewPyramidUsable(preview) || !sizeSound || length > kLargestPreviewBytes) {
        r->Skip(length);
        return;
    }
    std::vector<uint8_t> stream(size_t(length) + 1);
    if (!r->Bytes(stream.data(), length)) return;
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0);
    DecodedPreview decoded{&pixels, width, height};
    JPEGImageInfo info;
    const int e = DecompressJPEGRows(stream.data(), size_t(length), PreviewRow, &decoded, &info);
    // The picture must be the one the header announces, decoded whole.
    if (e != kJPEGOK || info.width != width || info.height != height) return;
    r->previewPixels = std::move(pixels);
    r->previewWidth = width;
    r->previewHeight = height;
}

void ReadUncompressedPreview(Reader* r, const PyramidDescriptor* preview) {
    int32_t kind = 0, unused = 0, side = 0;
    if (!r->Word(&kind) || kind == 0) return;
    if (!r->Word(&unused) || !r->Word(&side)) return;
    if (side < 0 || side > kPreviewSide) {
        r->Fail(kSettingsFileBadPreview, "the old preview block claims a side of " + std::to_string(side));
        return;
    }
    std::vector<uint8_t> rgb(size_t(side) * size_t(side) * 3 + 1);
    if (!r->Bytes(rgb.data(), int64_t(side) * side * 3) || side == 0 || !PreviewPyramidUsable(preview)) return;
    std::vector<uint32_t> pixels(size_t(side) * size_t(side));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint32_t(rgb[3 * i]) << 24 | uint32_t(rgb[3 * i + 1]) << 16 | uint32_t(rgb[3 * i + 2]) << 8 | 255u;
    r->previewPixels = std::move(pixels);
    r->previewWidth = side;
    r->previewHeight = side;
}

// What an old file lacks or stored differently; fields keep the file's
// values (or, for words it lacks, what the caller had) unless a rule says.
void FixUpOldVersion(Parameters* p, int32_t v) {
    if (v <= 6) {
        p->auxColor7 = p->tab_color;
        p->renderIntC = 100;
        p->outputMode = 50;
    }
    if (v <= 18) p->spinDegrees = 57;
    if (v <= 19) p->tabsInteger = 0;
    if (v <= 20) p->fovDegrees = 50;

    // Output modes were renumbered as modes were added; the steps apply in
    // turn, each to the value the one before left. Wide arithmetic: a
    // hostile value must not overflow on its way to the range check.
    int64_t out = p->outputMode;
    if (v <= 26) p->faces = 0;
    if (v <= 27) out += 1;
    if (v <= 28 && out > 24) out += 1;
    if (v <= 31 && out > 33) out += 1;
    if (v <= 23) {
        p->reservedInt11 = 0;
        const double in = std::trunc(p->inputMode / 0.3);
        p->inputMode = in > 1e9 ? INT32_MAX : in < -1e9 ? INT32_MIN : int32_t(in);
    }
    if (v <= 39) {
        if (out >= 16) {
            out += 1;
        } else if (out == 14 && v <= 33) {
            // The rectilinear view once took its field of view differently.
            double f = p->fovDegrees / 180.0;
            if (f < 0) f = 0;
            if (f < 1) {
                const double a = std::atan(std::tan(f * M_PI / 2) / 2) * (2 / M_PI) * 180;
                p->fovDegrees = int32_t(a);
                p->FOV = float(a);
            }
        }
    }
    if (v <= 44 && out == 35) {
        out = 38;
        p->fovDegrees = 33;
    }
    p->outputMode = Narrow(out);
}


}  // namespace

int WriteSettingsFile(const Parameters* p, int fd, const PyramidDescriptor* preview, bool withPreview) {
    Writer w{fd};
    w.Word(kSettingsVersion);
    for (const SettingsWord& word : kWords) {
        switch (word.kind) {
            case kIntWord: w.Word(GetParameterField<int32_t>(p, word.offset)); break;
            case kFlagWord: w.Word(GetParameterField<int32_t>(p, word.offset) != 0); break;
            case kColourWord: w.Word(GetParameterField<uint16_t>(p, word.offset)); break;
            case kHundredthsWord: w.Word(Hundredths(GetParameterField<float>(p, word.offset))); break;
            case kFloatWord: w.Word(FloatBits(GetParameterField<float>(p, word.offset))); break;
            case kZeroWord: w.Word(0); break;
            case kFixedWord: w.Word(-1); break;
            case kUncompressedPreviewBlock: w.Word(0); break;
            case kJPEGPreviewBlock: WritePreviewOrNone(&w, preview, withPreview); break;
        }
    }
    return w.error;
}

std::string SettingsVersionProblem(int64_t v) {
    const std::string readable = std::to_string(kOldestSettingsVersion) + " to " + std::to_string(kSettingsVersion);
    // Versions have grown by one at a time: a few hundred more is a newer
    // release, anything else is no version.
    if (v > kSettingsVersion && v < 1000)
        return "settings version " + std::to_string(v) + " comes from a newer Vornesk 2; this one reads versions " +
               readable;
    return "settings version " + std::to_string(v) + " does not exist (versions are " + readable +
           "): these are not Vornesk 2 settings, or they are damaged";
}

int32_t ReadSettingsFile(int fd, Parameters* params, bool takeSettings, PyramidDescriptor* preview,
                         uint8_t* hasPreview, std::string* error) {
    Reader r(fd);
    Parameters p = *params;
    int32_t v = 0;
    if (r.Word(&v) && (v < kOldestSettingsVersion || v > kSettingsVersion))
        r.Fail(kSettingsFileBadVersion, SettingsVersionProblem(v));
    for (const SettingsWord& word : kWords) {
        if (r.result != kSettingsFileOK) break;
        if (word.since > v) continue;
        if (word.kind == kJPEGPreviewBlock) {
            r.inPreview = true;
            ReadJPEGPreview(&r, preview);
            r.inPreview = false;
            continue;
        }
        if (word.kind == kUncompressedPreviewBlock) {
            r.inPreview = true;
            ReadUncompressedPreview(&r, preview);
            r.inPreview = false;
            ++r.wordNumber;
            if (v == kShortVersion) break;
            continue;
        }
        ++r.wordNumber;
        int32_t w = 0;
        if (!r.Word(&w)) break;
        switch (word.kind) {
            case kIntWord: SetParameterField<int32_t>(&p, word.offset, w); break;
            case kFlagWord: SetParameterField<int32_t>(&p, word.offset, w != 0); break;
            case kColourWord:
                // A component beyond 16 bits is refused, not cut to its low half.
                if (w < 0 || w > kLargestColourComponent)
                    r.Fail(kSettingsFileBadValue, "the colour component " + std::to_string(w) + " " + r.Where() +
                                                      " is not from 0 to 65535");
                SetParameterField<uint16_t>(&p, word.offset, uint16_t(w));
                break;
            case kHundredthsWord: SetParameterField<float>(&p, word.offset, float(w / 100.0)); break;
            case kFloatWord: SetParameterField<float>(&p, word.offset, BitsFloat(w)); break;
            case kFixedWord: SetParameterField<int32_t>(&p, word.offset, w / 65536); break;
            default: break;
        }
        // Values some old versions stored the other way round.
        if (word.offset == offsetof(Parameters, longitudeDegrees) && v < 15) p.longitudeDegrees = Narrow(100 - int64_t(w));
        if (word.offset == offsetof(Parameters, graticuleLevel) && v <= 10) p.graticuleLevel = Narrow(int64_t(w) + 1);
        if (word.offset == offsetof(Parameters, reservedInt14) && v < 13) p.reservedInt14 = Narrow(100 - int64_t(w));
    }
    if (r.result == kSettingsFileOK) {
        FixUpOldVersion(&p, v);
        p.version = v;
        if (v >= 1 && v <= 46) FixRedefinedParameters(&p);
        std::string why;
        if (!CheckSettingsRanges(&p, &why)) r.Fail(kSettingsFileBadValue, why);
    }
    if (r.result != kSettingsFileOK) {
        if (error) *error = r.why;
        return r.result;
    }
    if (takeSettings) {
        *params = p;
    } else {
        params->version = v;
    }
    // Version 30 files never carried a preview they could show. A preview
    // painted is one reported, old uncompressed ones too.
    const bool found = !r.previewPixels.empty() && v != kShortVersion;
    if (found) PaintPreview(preview, r.previewPixels, r.previewWidth, r.previewHeight);
    if (hasPreview) *hasPreview = found ? 1 : 0;
    return kSettingsFileOK;
}

const char* LastSettingsFileError() { return gLastError.c_str(); }

int Write_an_uncompressed_preview(int fd) { return wrSInt32(0, fd); }

int Write_a_JPEG_preview(const PyramidDescriptor* preview, int fd) {
    // The encoder writes the single word 0 itself when it fails later on.
    if (!PreviewPyramidUsable(preview) || preview->width[0] != kPreviewSide || preview->height[0] != kPreviewSide ||
        !preview->bufferProcs)
        return wrSInt32(0, fd);
    const int e = WritePyrToJFIF(preview, fd, true, kPreviewQuality, 0, nullptr, nullptr, nullptr);
    return e == kJPEGWriteFailed ? writErr : 0;
}

int32_t ParametersOut(Data* data, int fd, int64_t mode, void* descriptor, int64_t withPreview) {
    if (!gParams) return paramErr;
    gParams->version = kSettingsVersion;
    if (mode == 0) return PutSettingsToDescriptor(gParams, GetWriteDescriptorProcsForSettings(),
                                                  static_cast<PIWriteDescriptor>(descriptor));
    return WriteSettingsFile(gParams, fd, data ? &data->previewPyramid : nullptr, withPreview != 0);
}

int32_t ReadSettingsFileSwitchably_Thingie(Data* data, int fd, void*, int64_t mode, uint8_t* hasPreview) {
    return ReadSettingsFileInto(data, fd, gParams, mode, hasPreview);
}

int32_t ReadSettingsFileInto(Data* data, int fd, Parameters* params, int64_t mode, uint8_t* hasPreview) {
    if (hasPreview) *hasPreview = 0;
    int32_t result = paramErr;
    gLastError.clear();
    if (params) {
        result = ReadSettingsFile(fd, params, mode == 0, data ? &data->previewPyramid : nullptr, hasPreview,
                                  &gLastError);
    } else {
        gLastError = "there are no settings to read into";
    }
    close(fd);
    return result;
}

int64_t LoadPresetPreviewIntoPyr_Thingie(int fd, PyramidDescriptor* pyramid, Data* data, int64_t size) {
    if (!data || !PreviewPyramidUsable(&data->previewPyramid)) {
        close(fd);
        return 0;
    }
    PyramidDescriptor* preview = &data->previewPyramid;
    uint8_t found = 0;
    ReadSettingsFileSwitchably_Thingie(data, fd, nullptr, 1, &found);
    if (!found || !pyramid || size < 1) return 0;
    if (!TryToAllocatePyramid_2006(pyramid, size, size, kPyrColour8, 0, 0)) return 0;
    const int64_t W = preview->width[0], H = preview->height[0];
    for (int64_t y = 0; y < size; ++y)
        for (int64_t x = 0; x < size; ++x)
            set_pyramid_sample_point4_raw(x, y, pyramid, 0,
                                          get_pyramid_sample_point4_raw(x * W / size, y * H / size, preview, 0));
    return 1;
}
