// The shape of one PSD (or tagged JPEG) file being written: what the section
// writers and the IPTC keyword builder read.
#pragma once

#include <cstdint>

struct TIPTCThing;

// Where the keyword builder finds an output mode's words. The catalogue that
// knows them sits above the file writers, so whoever starts an export hands
// them in; with either left null the mode adds no keywords.
struct ModeWordsSource {
    const char* (*name)(int64_t mode) = nullptr;              // the mode's name
    void (*addKeywords)(TIPTCThing* block, int64_t mode) = nullptr;  // synonym and class words
};

struct PSDdoc {
    int64_t channelsPerLayer = 0;   // 4 (alpha, red, green, blue) or 1 (grey)
    int64_t layerCount = 0;
    int64_t width = 0;
    int64_t height = 0;
    int64_t firstLayerNumber = 0;
    int64_t exportKind = 0;         // a copy of the export kind being written
    int64_t outputModeForTags = 0;  // output mode named among the IPTC keywords, -1 for none
    int64_t bytesPerComponent = 0;  // 1, 2 or 4
    uint8_t separateFiles = 0;      // every layer goes to a flat file of its own
    int64_t cubeFace = 0;           // 1..6 while one cube face is written, -1 for none
    uint8_t reserved = 0;
    ModeWordsSource modeWords;      // set by the caller after the metrics
};

inline void initPSDdoc(PSDdoc* doc) {
    if (doc) *doc = PSDdoc{};
}
