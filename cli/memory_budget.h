// The memory a run will take, estimated from its sizes before anything is
// allocated, and the memory it may take: what this machine has available
// (MemAvailable, within the control group's limit), or --max-memory.
#pragma once

#include <cstdint>
#include <string>

// What a run holds at its peak, from the sizes it is given.
struct RunShape {
    // The picture as its file declares it, and as the document holds it
    // (planes with alpha; bytes per sample 1, 2 or 4).
    int64_t fileWidth = 0;
    int64_t fileHeight = 0;
    int planes = 3;
    int bytesPerSample = 1;
    // The picture the plug-in filters (reduced for --size); 0 for the file's size.
    int64_t width = 0;
    int64_t height = 0;
    // The result --size asks for; 0 for the size of the picture filtered.
    int64_t resultWidth = 0;
    int64_t resultHeight = 0;
    // The export's own picture: the OBJ texture (export pixels square, 8-bit),
    // a cube face (cube-map pixels square, at the picture's depth), the PSD
    // of the result (the picture's size and depth); 0 when there is none.
    int64_t exportWidth = 0;
    int64_t exportHeight = 0;
    int exportBytesPerComponent = 1;
};

struct RunEstimate {
    double picture = 0;  // the file as read, and the resized picture beside it
    double pyramid = 0;  // the plug-in's picture, at every level
    double output = 0;   // the result the host is handed back (and the plug-in's layer of it)
    double exported = 0; // the export's picture, at every level
    double fixed = 0;    // the program, its tables and caches
    double Total() const { return picture + pyramid + output + exported + fixed; }
};

RunEstimate EstimateRun(const RunShape& shape);

// The memory this run may take: MemAvailable, and no more than the control
// group still allows. 0 when it cannot be told.
double AvailableMemory();

// "4G", "1.5GB", "512M", "300000000" (bytes): K, M, G and T count in 1024s.
bool ParseMemorySize(const std::string& text, double* bytes);

// "1.6 GB"
std::string MemoryInWords(double bytes);
