// The command line of the host.
#pragma once

#include <string>
#include <vector>

#include "platform/host/descriptors.h"

struct HostOptions {
    std::string input;
    std::string output;
    std::string galleryKind;  // --gallery KIND DIR: modes, dots, presets, polyhedra or nets
    std::string galleryFolder;
    std::string mask;       // a grey picture used as the selection
    std::string plugin;     // empty: $VORNESK_PLUGIN, else Vornesk2.so beside the program
    int32_t width = 0;      // --size; 0 keeps the picture's size
    int32_t height = 0;
    int32_t threads = 0;    // 0: all processors
    double maxMemory = 0;   // --max-memory in bytes; 0: what the machine has available
    bool quiet = false;
    bool printDescriptor = false;
    bool dialog = false;    // --dialog: the plug-in shows its dialog
    bool help = false;
    bool version = false;
    bool listModes = false;   // --list-modes
    bool cubeFaces = false;   // --cube-faces: the six faces of a cube map, OUTPUT a .psd
    // The scripting descriptor built from the settings options, in order.
    bool haveSettings = false;
    std::vector<DescriptorItem> settings;
};

// False with a one-line reason for bad arguments. --help, --version and
// --list-modes succeed without an input or output.
bool ParseHostOptions(int argc, const char* const* argv, HostOptions* options, std::string* error);

const char* HostUsage();


// An OUTPUT ending in .obj (any case): the plug-in writes the polyhedron
// export there instead of the host writing the picture.
bool IsOBJExportName(const std::string& path);
// An OUTPUT ending in .ldr (any case): the plug-in writes the brick globe's
// LDRAW model there instead of the host writing the picture.
bool IsLDRAWExportName(const std::string& path);
