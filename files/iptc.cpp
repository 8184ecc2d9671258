#include "files/iptc.h"

#include <cstdio>
#include <cstring>

#include "common/filenames.h"
#include "files/psd_doc.h"
#include "files/resource_block.h"
#include "pyramid/glue_names.h"

const char kVorneskMakerAddress[] = "https://www.tarnwhistle.com";

namespace {

constexpr int64_t kIPTCBufferBytes = 1000;
constexpr uint8_t kIPTCEnvelopeRecord = 1;
constexpr uint8_t kDatasetCodedCharacterSet = 90;
// ESC % G: the text of the application record is UTF-8.
constexpr uint8_t kUTF8Marker[3] = {0x1B, 0x25, 0x47};
constexpr uint8_t kIPTCRecord = 2;
constexpr uint8_t kDatasetRecordVersion = 0;
constexpr uint8_t kDatasetKeyword = 25;
constexpr uint8_t kDatasetDateCreated = 55;
constexpr uint8_t kDatasetSource = 115;
constexpr uint8_t kDatasetCaption = 120;
constexpr uint16_t kIPTCResourceID = 1028;

int64_t AppendBytes(TIPTCThing* block, const uint8_t* bytes, int64_t count, bool measure) {
    return ResourceAppend(block, bytes, count, measure);
}

int64_t AppendTextTag(TIPTCThing* block, uint8_t dataset, const char* text, bool measure) {
    return append_tag_to_IPTC_resource(block, dataset, reinterpret_cast<const uint8_t*>(text),
                                       int64_t(std::strlen(text)), measure);
}

char FoldASCII(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// True when stored begins with prefix, ASCII letters compared without case.
bool BeginsWithFolded(const char* stored, const char* prefix, size_t prefixLength) {
    for (size_t i = 0; i < prefixLength; ++i) {
        if (stored[i] == 0 || FoldASCII(stored[i]) != FoldASCII(prefix[i])) return false;
    }
    return true;
}

// The whole resource (with the "Photoshop 3.0" prefix in JPEG form), written
// through the appenders; the tag length is measured by the same code.
int64_t AppendIPTCResource(TIPTCThing* block, bool jpegForm, bool measure) {
    int64_t n = 0;
    if (jpegForm) n += appendCstringWithTrailingNull_to_IPTC_resource(block, "Photoshop 3.0", measure);
    const int64_t tagBytes = append_all_iptc_tags(block, true);
    const uint8_t header[12] = {'8', 'B', 'I', 'M',
                                uint8_t(kIPTCResourceID >> 8), uint8_t(kIPTCResourceID),
                                0, 0,  // empty name, padded to even
                                uint8_t(tagBytes >> 24), uint8_t(tagBytes >> 16),
                                uint8_t(tagBytes >> 8), uint8_t(tagBytes)};
    n += AppendBytes(block, header, sizeof header, measure);
    n += append_all_iptc_tags(block, measure);
    return n;
}

}  // namespace

void InitIPTC(TIPTCThing* block) {
    if (!block) return;
    *block = TIPTCThing{};
}

void dispose_IPTC_resource_memory(TIPTCThing* block, int keep) { ResourceDispose(block, keep); }

void AddIPTCKeyword(TIPTCThing* block, const char* keyword) {
    if (!block || !keyword || keyword[0] == 0) return;
    const size_t length = std::strlen(keyword);
    if (length > size_t(kIPTCKeywordBytes - 1)) return;
    if (block->keywordCount < 0 || block->keywordCount >= kIPTCKeywordsStored) return;
    for (int64_t i = 0; i < block->keywordCount; ++i) {
        if (BeginsWithFolded(block->keywords[i], keyword, length)) return;
    }
    std::memcpy(block->keywords[block->keywordCount], keyword, length + 1);
    ++block->keywordCount;
}

void AddTaskSpecificKeywords(TIPTCThing* block, const PSDdoc* doc, int64_t exportKind) {
    if (!block) return;
    if (doc) {
        if (doc->outputModeForTags != -1 && doc->modeWords.name)
            AddIPTCKeyword(block, doc->modeWords.name(doc->outputModeForTags));
        if (doc->bytesPerComponent == 4) {
            AddIPTCKeyword(block, "HDR");
            AddIPTCKeyword(block, "high dynamic range");
        }
        AddIPTCKeyword(block, "panorama");
        switch (doc->exportKind) {
            case 0:
                AddIPTCKeyword(block, "lego");
                AddIPTCKeyword(block, "sphere");
                break;
            case 4:
                AddIPTCKeyword(block, "3D");
                AddIPTCKeyword(block, "texturemap");
                AddIPTCKeyword(block, "obj");
                break;
            case 1: {
                AddIPTCKeyword(block, "cube");
                AddIPTCKeyword(block, "cubemap");
                static const char* const kFaceWords[7][2] = {
                    {nullptr, nullptr}, {"bottom", nullptr}, {"top", nullptr}, {"left", "270"},
                    {"back", "180"},    {"right", "90"},     {"front", "0"}};
                if (doc->cubeFace >= 1 && doc->cubeFace <= 6) {
                    AddIPTCKeyword(block, kFaceWords[doc->cubeFace][0]);
                    AddIPTCKeyword(block, kFaceWords[doc->cubeFace][1]);
                }
                break;
            }
            case 2:
                AddIPTCKeyword(block, "polyhedron");
                break;
            default:
                break;
        }
    } else {
        AddIPTCKeyword(block, "panorama");
    }
    if (exportKind == 5) {
        AddIPTCKeyword(block, "gallery");
        AddIPTCKeyword(block, "preset");
    } else if (exportKind == 4) {
        AddIPTCKeyword(block, "texturemap");
        AddIPTCKeyword(block, "3D");
        AddIPTCKeyword(block, "obj");
    }
}

void AddSettingsSpecificKeywords(TIPTCThing* block, int64_t exportKind, const ModeWordsSource* words,
                                 int64_t outputMode, bool brickPlates, int64_t grid, bool anamorph,
                                 int64_t glueMode) {
    if (!block) return;
    if (exportKind >= 2 && words) {
        if (words->name) AddIPTCKeyword(block, words->name(outputMode));
        if (words->addKeywords) words->addKeywords(block, outputMode);
    }
    if (exportKind == 0) AddIPTCKeyword(block, brickPlates ? "plates" : "bricks");
    if (grid >= 2) {
        AddIPTCKeyword(block, "grid");
        AddIPTCKeyword(block, "graticule");
    }
    if (anamorph) AddIPTCKeyword(block, "anamorphic");
    if (glueMode != 1) AddIPTCKeyword(block, GlueCaption(int(glueMode)));
}

int64_t append_byte_to_IPTC_resource(TIPTCThing* block, uint8_t value, bool measure) {
    return AppendBytes(block, &value, 1, measure);
}

int64_t appendCstringWithTrailingNull_to_IPTC_resource(TIPTCThing* block, const char* text,
                                                       bool measure) {
    if (!text) return 0;
    return AppendBytes(block, reinterpret_cast<const uint8_t*>(text),
                       int64_t(std::strlen(text)) + 1, measure);
}

namespace {

int64_t AppendRecordTag(TIPTCThing* block, uint8_t record, uint8_t dataset, const uint8_t* data,
                        int64_t dataLength, bool measure) {
    if (dataLength < 0 || dataLength > 0x7FFF) return 0;  // longer data needs the extended form
    if (measure) return 5 + dataLength;
    if (!block || !block->buffer || block->length + 5 + dataLength > block->capacity) return 0;
    const uint8_t header[5] = {0x1C, record, dataset, uint8_t(dataLength >> 8), uint8_t(dataLength)};
    AppendBytes(block, header, 5, false);
    AppendBytes(block, data, dataLength, false);
    return 5 + dataLength;
}

}  // namespace

int64_t append_tag_to_IPTC_resource(TIPTCThing* block, uint8_t dataset, const uint8_t* data,
                                    int64_t dataLength, bool measure) {
    return AppendRecordTag(block, kIPTCRecord, dataset, data, dataLength, measure);
}

int64_t append_all_iptc_tags(TIPTCThing* block, bool measure) {
    int64_t n = 0;
    // Keywords and captions are UTF-8; without the envelope's character-set
    // dataset readers take them for Latin-1.
    n += AppendRecordTag(block, kIPTCEnvelopeRecord, kDatasetCodedCharacterSet, kUTF8Marker, 3, measure);
    const uint8_t version[2] = {0, 2};
    n += append_tag_to_IPTC_resource(block, kDatasetRecordVersion, version, 2, measure);
    n += AppendTextTag(block, kDatasetSource, kVorneskMakerAddress, measure);

    int32_t year = 0, month = 0, day = 0, hour = 0;
    UTCYearMonthDayHour(&year, &month, &day, &hour, 0);
    char date[40];
    std::snprintf(date, sizeof date, "%04d%02d%02d", int(year % 10000), int(month % 100), int(day % 100));
    n += AppendTextTag(block, kDatasetDateCreated, date, measure);
    n += AppendTextTag(block, kDatasetCaption, "Made with Vornesk 2", measure);
    n += AppendTextTag(block, kDatasetKeyword, "Vornesk 2", measure);
    if (block) {
        const int64_t count = block->keywordCount < kIPTCKeywordSlots ? block->keywordCount
                                                                      : kIPTCKeywordSlots;
        for (int64_t i = 0; i < count; ++i) {
            const char* keyword = block->keywords[i];
            const size_t length = strnlen(keyword, kIPTCKeywordBytes - 1);
            if (length == 0) continue;
            n += append_tag_to_IPTC_resource(block, kDatasetKeyword,
                                             reinterpret_cast<const uint8_t*>(keyword),
                                             int64_t(length), measure);
        }
    }
    if (n & 1) n += append_byte_to_IPTC_resource(block, 0, measure);
    return n;
}

int64_t build_IPTC_resource(TIPTCThing* block, bool jpegForm, bool measure) {
    // The stored keywords alone may need more than the customary 1000 bytes,
    // so the buffer is sized from the measure.
    return ResourceBuildOnce(block, kIPTCBufferBytes, measure,
                             [&](bool m) { return AppendIPTCResource(block, jpegForm, m); });
}
