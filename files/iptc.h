// The IPTC block (IIM application record 2) that exported pictures carry: the
// program, the date, a caption and keywords describing the export. Built once,
// as a PSD image resource or as the data of a JPEG APP13 marker.
#pragma once

#include <cstdint>

struct PSDdoc;
struct ModeWordsSource;

constexpr int kIPTCKeywordSlots = 20;
constexpr int kIPTCKeywordBytes = 50;     // 49 characters and the terminator
constexpr int kIPTCKeywordsStored = 19;   // slots in use at most

struct TIPTCThing {
    int64_t length = 0;          // bytes written into the buffer so far
    uint8_t* buffer = nullptr;   // the serialised block; null until built
    uint8_t* cursor = nullptr;   // next byte to write
    char keywords[kIPTCKeywordSlots][kIPTCKeywordBytes] = {};
    int64_t keywordCount = 0;
    int64_t capacity = 0;        // bytes the buffer holds; appenders never pass it
};

// The maker's address, named in the IPTC source and the JPEG comment.
extern const char kVorneskMakerAddress[];

void InitIPTC(TIPTCThing* block);
// Frees the buffer unless keep is 1; the keywords stay.
void dispose_IPTC_resource_memory(TIPTCThing* block, int keep);

// Drops (silently) null, empty and over-long keywords, any once 19 are stored,
// and one that a stored keyword begins with (ASCII case folded).
void AddIPTCKeyword(TIPTCThing* block, const char* keyword);

// Keywords of what is exported, the name of the document's outputModeForTags
// first (none when that is -1 or the document has no word source).
void AddTaskSpecificKeywords(TIPTCThing* block, const PSDdoc* doc, int64_t exportKind);
// Keywords of the settings: for exports of kind 2 and above the output mode's
// name and its own words (synonym and class words) as the caller's source
// gives them; the glue mode is named by its caption.
void AddSettingsSpecificKeywords(TIPTCThing* block, int64_t exportKind, const ModeWordsSource* words,
                                 int64_t outputMode, bool brickPlates, int64_t grid, bool anamorph,
                                 int64_t glueMode);

// Builds the block once (a built or null block is left alone); the buffer is
// sized from the measured length. With measure set nothing is allocated or
// written and the byte count the build would produce is returned; otherwise
// the block's length (0 when the buffer could not be allocated).
int64_t build_IPTC_resource(TIPTCThing* block, bool jpegForm, bool measure);
// The tags of the block, padded to an even length; returns the byte count.
int64_t append_all_iptc_tags(TIPTCThing* block, bool measure);

// Each writes at the cursor and returns the bytes written (in measure mode the
// bytes it would write). Without room in a built buffer they write nothing and
// return 0.
int64_t append_byte_to_IPTC_resource(TIPTCThing* block, uint8_t value, bool measure);
int64_t appendCstringWithTrailingNull_to_IPTC_resource(TIPTCThing* block, const char* text,
                                                       bool measure);
int64_t append_tag_to_IPTC_resource(TIPTCThing* block, uint8_t dataset, const uint8_t* data,
                                    int64_t dataLength, bool measure);
