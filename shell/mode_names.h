// The names of the input modes behind the mode catalogue
// (shell/mode_catalogue.h); the output modes' are in records/output_modes.h.
#pragma once

extern const char* const kInputModeNames[41];
