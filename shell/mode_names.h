// The name tables behind the mode catalogue (shell/mode_catalogue.h).
#pragma once

#include <cstdint>

struct ModeName {
    int32_t code;
    const char* name;
};

struct ModeSynonym {
    int32_t first;   // codes first..last share the word
    int32_t last;
    const char* word;
};

constexpr int kOutputModeNameCount = 559;
constexpr int kOutputModeSynonymCount = 44;

extern const char* const kInputModeNames[41];
// Sorted by code.
extern const ModeName kOutputModeNames[kOutputModeNameCount];
extern const ModeSynonym kOutputModeSynonyms[kOutputModeSynonymCount];
