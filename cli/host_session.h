// One run of a filter plug-in over a document: the filter record, the
// exchange of pixels (advanceState), progress, abort and the selectors
// prepare, start, continue (while the plug-in asks for pixels) and finish.
//
// One run at a time per process: the record's callbacks take no context and
// reach the running session through a global.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/host/descriptors.h"
#include "platform/host/filter_record.h"
#include "platform/host/result_codes.h"
#include "cli/document.h"

// This host's signature; not one that plug-ins single out for special care.
constexpr OSType kVorneskHostSignature = MakeFourCC("VkCL");

struct HostRunSettings {
    // Handed to the plug-in as the scripting descriptor when haveSettings
    // (with the dialog off); without settings no descriptor is given.
    bool haveSettings = false;
    std::vector<DescriptorItem> settings;
    bool showProgress = false;   // a progress bar on standard error
    // The plug-in shows its dialog: play info "display", and a displayPixels
    // (drawing nothing) so that it offers a live preview and zoom.
    bool showDialog = false;
    // The size the result is wanted at; 0 by 0 for the picture's own. The
    // plug-in is asked for it in the descriptor, renders it from the whole
    // picture, and its output rectangles then address the result: a picture
    // of that size of its own (the input ones still address the picture).
    int32_t resultWidth = 0;
    int32_t resultHeight = 0;
    // With a result of another size and a selection: the picture and its
    // mask at the result's size, for the blend by the selection.
    const HostDocument* resultUnder = nullptr;
    // Reads the picture's samples again into the document given, as they
    // were read for the run. With it, a result of its own size lets the host
    // give back the picture's samples (a third of an 8192-pixel run's
    // memory) once the plug-in writes output and asks for no input: it has
    // copied what it needs. A later request for input reads them back.
    std::function<bool(HostDocument*)> readSourceAgain;
};

struct HostRunReport {
    OSErr result = noErr;
    // The selector that failed; -1 when the host itself stopped the run
    // (a bad pixel request or an abort between continue calls).
    int16_t failedSelector = -1;
    std::string pluginMessage;   // the plug-in's own text with errReportString (or writErr)
    std::string hostMessage;     // why the host stopped the run, when it did
    bool descriptorWritten = false;
    std::vector<DescriptorItem> descriptor;   // what the plug-in wrote at finish
    int64_t continueCalls = 0;
    int64_t pixelRequests = 0;   // pixel exchanges (advanceState calls and continue rounds)
};

// Runs the plug-in over *doc, which holds the result when the run succeeds
// (and is left as it was otherwise): the picture's size, or the one asked for.
bool RunFilter(PluginMainProc entry, HostDocument* doc, const HostRunSettings& settings, HostRunReport* report);

// Ctrl-C: asks the running plug-in to stop (its abort test turns true).
// Safe to call from a signal handler.
void RequestHostAbort();
bool HostAbortRequested();
void ClearHostAbort();
