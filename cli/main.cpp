// vornesk: loads the Vornesk 2 plug-in module and runs it over a picture.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/host/result_codes.h"
#include "platform/phase_clock.h"
#include "platform/signal_gate.h"
#include "pyramid/cube_corpus.h"
#include "pyramid/input_fill.h"
#include "records/output_modes.h"
#include "records/parameters.h"
#include "cli/document.h"
#include "cli/host_session.h"
#include "cli/image_files.h"
#include "cli/memory_budget.h"
#include "cli/mode_listing.h"
#include "cli/options.h"
#include "cli/settings_options.h"
#include "files/file_set.h"
#include "shell/host_export.h"

#ifndef VORNESK_VERSION
#define VORNESK_VERSION "2"
#endif

namespace {

enum ExitStatus {
    kExitDone = 0,
    kExitPluginFailed = 1,
    kExitBadArguments = 2,
    kExitUnreadableInput = 3,
    kExitUnwritableOutput = 4,
    kExitNoPlugin = 5,
    kExitCancelled = 130,
};

int Fail(int status, const std::string& message) {
    std::fprintf(stderr, "vornesk: %s\n", message.c_str());
    return status;
}

std::string Directory(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string DefaultPluginPath() {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "Vornesk2.so";
    self[n] = 0;
    return Directory(self) + "/Vornesk2.so";
}

const char* SelectorName(int16_t selector) {
    switch (selector) {
        case filterSelectorPrepare: return "prepare";
        case filterSelectorStart: return "start";
        case filterSelectorContinue: return "continue";
        case filterSelectorFinish: return "finish";
        default: return "an unknown selector";
    }
}

// The temporary file being written, removed by whatever signal ends the
// program; empty outside the write.
char gTemporary[PATH_MAX + 32];
volatile sig_atomic_t gHaveTemporary = 0;

// The name of a signal for the line the program ends with.
const char* SignalName(int signal) {
    switch (signal) {
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        case SIGQUIT: return "SIGQUIT";
        case SIGPIPE: return "SIGPIPE";
        case SIGALRM: return "SIGALRM";
        case SIGUSR1: return "SIGUSR1";
        case SIGUSR2: return "SIGUSR2";
        case SIGVTALRM: return "SIGVTALRM";
        case SIGPROF: return "SIGPROF";
        case SIGXCPU: return "SIGXCPU";
        case SIGIO: return "SIGIO";
        case SIGPWR: return "SIGPWR";
        case SIGSTKFLT: return "SIGSTKFLT";
        case SIGSYS: return "SIGSYS";
        case SIGTRAP: return "SIGTRAP";
        case SIGABRT: return "SIGABRT";
        case SIGBUS: return "SIGBUS";
        case SIGFPE: return "SIGFPE";
        case SIGILL: return "SIGILL";
        case SIGSEGV: return "SIGSEGV";
        case SIGINT: return "SIGINT";
        default: return nullptr;
    }
}

// "vornesk: stopped by SIGTERM", from a signal handler: write(2) only.
void SayStoppedBy(int signal) {
    char line[64] = "vornesk: stopped by ";
    size_t n = std::strlen(line);
    auto put = [&](const char* text) {
        for (; *text && n + 2 < sizeof line; ++text) line[n++] = *text;
    };
    if (const char* name = SignalName(signal)) {
        put(name);
    } else {
        // A real-time signal: SIGRTMIN+k.
        put("SIGRTMIN+");
        char digits[8];
        int count = 0;
        for (int k = signal - SIGRTMIN; count == 0 || k > 0; k /= 10) digits[count++] = char('0' + k % 10);
        while (count > 0 && n + 2 < sizeof line) line[n++] = digits[--count];
    }
    line[n++] = '\n';
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line, n);
}

// The first Ctrl-C cancels; a second one, and every other signal whose
// default action ends the program, end it at once, without leaving the
// temporary file behind; any but Ctrl-C with a line naming it.
void OnFatalSignal(int signal) {
    static volatile sig_atomic_t interrupted = 0;
    if (signal == SIGINT && !interrupted) {
        interrupted = 1;
        RequestHostAbort();
        return;
    }
    // The temporary being made or renamed on another thread: the signal
    // comes back once that is done.
    if (!SignalGateLets(signal)) return;
    if (gHaveTemporary) unlink(gTemporary);
    if (signal != SIGINT) SayStoppedBy(signal);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

// Every signal whose default action ends the program, but SIGXFSZ (below)
// and SIGKILL, which cannot be caught. The faults come last: they are caught
// only while nothing else (a sanitizer) handles them.
constexpr int kFatalSignals[] = {SIGINT,  SIGTERM, SIGHUP,    SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2,
                                 SIGVTALRM, SIGPROF, SIGXCPU, SIGIO,   SIGPWR,  SIGSTKFLT, SIGSYS, SIGTRAP,
                                 SIGABRT, SIGBUS,  SIGFPE,    SIGILL,  SIGSEGV};
constexpr int kFirstFault = SIGABRT;

// The signals above and the real-time signals.
void AddFatalSignals(sigset_t* set) {
    for (int s : kFatalSignals) sigaddset(set, s);
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) sigaddset(set, s);
}

void CatchFatalSignals() {
    struct sigaction action {};
    action.sa_handler = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    AddFatalSignals(&action.sa_mask);
    bool fault = false;
    for (int s : kFatalSignals) {
        fault = fault || s == kFirstFault;
        struct sigaction old {};
        if (fault && (sigaction(s, nullptr, &old) != 0 || old.sa_handler != SIG_DFL)) continue;
        sigaction(s, &action, nullptr);
    }
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) sigaction(s, &action, nullptr);
    // A file larger than the size limit fails its write instead of ending
    // the program: the error path then cleans up and says why.
    std::signal(SIGXFSZ, SIG_IGN);
}

// Holds the fatal signals off while the temporary file appears or goes:
// blocked on this thread, and a handler on another made to wait (open
// false: a signal is already ending the program, and nothing is to be done).
struct SignalsHeld {
    sigset_t old;
    bool open;
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        AddFatalSignals(&held);
        pthread_sigmask(SIG_BLOCK, &held, &old);
        open = EnterSignalGate();
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
    ~SignalsHeld() {
        if (open) LeaveSignalGate();
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
    }
};

// Whether path names something other than a regular file (a device, a
// FIFO, a socket, a folder), which an OUTPUT must never replace.
bool NotARegularFile(const std::string& path, std::string* error) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return false;
    *error = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file";
    return true;
}

// Refuses an OUTPUT that cannot be replaced: its folder is not writable, or
// it exists and is not a regular file or is write-protected (as root too,
// who could write it anyway). path has its links followed.
bool OutputWritable(const std::string& path, std::string* error) {
    struct stat st {};
    if (NotARegularFile(path, error)) return false;
    if (stat(path.c_str(), &st) == 0) {
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.c_str(), W_OK) != 0) {
            *error = "the file is write-protected";
            return false;
        }
    }
    if (access(Directory(path).c_str(), W_OK | X_OK) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    return true;
}

// Writes through a temporary file in the output's folder and renames it,
// so a failed write never leaves a partial OUTPUT behind. A symbolic link
// is written through; the file it names keeps its permissions.
bool WriteOutput(const std::string& name, const HostDocument& doc, std::string* error) {
    const std::string path = PathWithLinksFollowed(name);
    const std::string temp = Directory(path) + "/.vornesk-XXXXXX";
    if (temp.size() >= sizeof gTemporary) {
        *error = std::strerror(ENAMETOOLONG);
        return false;
    }
    int fd = -1;
    {
        SignalsHeld held;
        if (!held.open) {
            *error = "stopped by a signal";
            return false;
        }
        std::memcpy(gTemporary, temp.c_str(), temp.size() + 1);
        fd = mkstemp(gTemporary);
        if (fd < 0) *error = std::strerror(errno);
        gHaveTemporary = fd >= 0;
    }
    if (fd < 0) return false;
    close(fd);
    auto discard = [] {
        SignalsHeld held;
        unlink(gTemporary);
        gHaveTemporary = 0;
    };
    struct stat st {};
    mode_t mode = 0;
    if (stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    chmod(gTemporary, mode);
    // Ctrl-C while writing: the old OUTPUT, if any, stays.
    if (!WriteImageFile(gTemporary, ImageFormatFromName(name), doc, error) || HostAbortRequested()) {
        discard();
        return false;
    }
    SignalsHeld held;
    if (!held.open) {
        *error = "stopped by a signal";
        return false;
    }
    // What the name stands for may have changed during the run.
    const bool replaceable = !NotARegularFile(path, error);
    if (!replaceable || std::rename(gTemporary, path.c_str()) != 0) {
        if (replaceable) *error = std::strerror(errno);
        unlink(gTemporary);
        gHaveTemporary = 0;
        return false;
    }
    gHaveTemporary = 0;
    return true;
}

// The run's memory, estimated from the sizes the picture's header declares
// and the settings give, checked before the picture is read: a run that
// would need more than it may take is refused, with the estimate and the
// limit, as a settings error (exit 2) when the settings make it so, else as
// an input too large (exit 3).
struct MemoryCheck {
    double limit = 0;            // 0: none could be told
    bool givenLimit = false;     // --max-memory
    RunShape shape;              // the export's part, and --size
    int refusal = 0;             // the exit status of a refusal
    std::string message;
    std::string exportName;      // what the export is, for the message

    bool operator()(uint32_t width, uint32_t height, int planes, int depth, std::string* why) {
        // The run as asked, and the picture filtered at its own size with
        // nothing the settings add.
        const auto shaped = [&](bool asked) {
            RunShape s = shape;
            s.fileWidth = width;
            s.fileHeight = height;
            s.planes = planes;
            s.bytesPerSample = std::max(1, depth / 8);
            if (!asked) s.width = s.height = s.resultWidth = s.resultHeight = 0;
            // The PSD of the result and the cube's faces are at the picture's depth.
            if (s.exportBytesPerComponent == 0) s.exportBytesPerComponent = s.bytesPerSample;
            if (s.exportWidth < 0) {
                s.exportWidth = s.resultWidth > 0 ? s.resultWidth : s.width > 0 ? s.width : width;
                s.exportHeight = s.resultHeight > 0 ? s.resultHeight : s.height > 0 ? s.height : height;
            } else if (!asked) {
                s.exportWidth = s.exportHeight = 0;
            }
            return s;
        };
        const RunShape s = shaped(true), own = shaped(false);
        const double total = EstimateRun(s).Total();
        if (limit <= 0 || total <= limit) return true;
        RunShape unexported = s;
        if (!exportName.empty()) unexported.exportWidth = unexported.exportHeight = 0;
        const std::string over = MemoryInWords(total) + ", more than the " + MemoryInWords(limit) +
                                 (givenLimit ? " --max-memory allows" : " this machine has available");
        const std::string size = std::to_string(width) + " x " + std::to_string(height);
        if (EstimateRun(own).Total() > limit) {
            refusal = kExitUnreadableInput;
            message = "its " + size + " picture would need about " + over;
            *why = message;
            return false;
        }
        refusal = kExitBadArguments;
        if (EstimateRun(unexported).Total() > limit || exportName.empty())
            message = "--size " + std::to_string(s.resultWidth) + "x" + std::to_string(s.resultHeight) + " of the " + size +
                      " picture would need about " + over;
        else
            message = exportName + " would need about " + over;
        *why = message;
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    HostOptions options;
    std::string error;
    if (!ParseHostOptions(argc, argv, &options, &error)) return Fail(kExitBadArguments, error);
    if (options.help) {
        std::fputs(HostUsage(), stdout);
        return kExitDone;
    }
    if (options.version) {
        std::printf("vornesk %s\n", VORNESK_VERSION);
        return kExitDone;
    }
    if (options.listModes) {
        std::fputs(ModeListing().c_str(), stdout);
        return kExitDone;
    }

    // The plug-in's task engine sizes its thread pool from this variable, and
    // the host's resampling and file writers their threads.
    if (options.threads > 0) setenv("VORNESK_ACTIVE_PROCESSORS", std::to_string(options.threads).c_str(), 1);
    HostDocument doc;
    // The picture goes to the plug-in at its own size, reduced by one factor
    // only while it stays large enough for the result: --size is the size of
    // the result, and no axis of the picture is ever squeezed.
    const int32_t inputMode = InputModeOfItems(options.settings);
    const CubeLayout* cube = CubeLayoutOfTag(CubeLayoutTagOfInputMode(inputMode));
    int32_t fileWidth = 0, fileHeight = 0;
    const bool sized = options.width > 0;
    const bool known = sized && ReadImageSize(options.input, &fileWidth, &fileHeight);
    // An equirectangular picture read to an equirectangular result needs no
    // more pixels than the result has; any other result (a view, a map
    // denser than the equirectangular at its middle) may need all of them.
    const bool equirectangularResult =
        WrapModeFromVorneskInputMode(inputMode) == 2 && OutputModeOfItems(options.settings) == kModeEquirectangular;
    const PictureReduction rule = cube                    ? PictureReduction::CubeFaces
                                  : equirectangularResult ? PictureReduction::Cover
                                                          : PictureReduction::None;
    const PictureSize reduced =
        known ? PictureSizeForResult(fileWidth, fileHeight, options.width, options.height, rule,
                                     cube ? int32_t(cube->columns) : 0, cube ? int32_t(cube->rows) : 0)
              : PictureSize{fileWidth, fileHeight};
    const bool reduce = known && (reduced.width != fileWidth || reduced.height != fileHeight);
    MemoryCheck memory;
    memory.givenLimit = options.maxMemory > 0;
    memory.limit = memory.givenLimit ? options.maxMemory : AvailableMemory();
    if (reduce) {
        memory.shape.width = reduced.width;
        memory.shape.height = reduced.height;
    }
    if (sized) {
        memory.shape.resultWidth = options.width;
        memory.shape.resultHeight = options.height;
    }
    {
        const auto settings = std::make_unique<Parameters>();
        if (!SettingsOfItems(options.settings, settings.get(), &error)) return Fail(kExitBadArguments, error);
        const std::string pixels = std::to_string(settings->export_pixels);
        const std::string facePixels = std::to_string(settings->cubemap_pixels);
        if (options.cubeFaces) {
            // One face at a time, at the picture's depth.
            memory.shape.exportWidth = memory.shape.exportHeight = settings->cubemap_pixels;
            memory.shape.exportBytesPerComponent = 0;
            memory.exportName = "--cube-faces " + facePixels;
        } else if (IsOBJExportName(options.output) || options.galleryKind == "polyhedra") {
            // The texture: export pixels square, 8-bit.
            memory.shape.exportWidth = memory.shape.exportHeight = settings->export_pixels;
            memory.exportName = "a texture of " + pixels + " x " + pixels + " pixels (export-pixels)";
        } else if (!options.galleryKind.empty() || IsLDRAWExportName(options.output)) {
            // Thumbnails of 400 pixels; the brick model's cells are counted, not drawn.
        } else if (ImageFormatFromName(options.output) == ImageFormat::PSD) {
            // The PSD's layer, as large and deep as the result.
            memory.shape.exportWidth = memory.shape.exportHeight = -1;
            memory.shape.exportBytesPerComponent = 0;
        }
    }
    const PictureShapeCheck check = std::ref(memory);
    auto refuse = [&](const std::string& fallback) {
        if (memory.refusal == kExitBadArguments) return Fail(kExitBadArguments, memory.message);
        return Fail(kExitUnreadableInput, fallback);
    };
    if (reduce && options.mask.empty() && !cube) {
        // Read and resized together: the full-size picture need not be held.
        bool readFailed = false;
        if (!ReadImageFileResized(options.input, reduced.width, reduced.height, &doc, &error, &readFailed, check))
            return refuse(readFailed ? "cannot read " + options.input + ": " + error : error);
    } else {
        if (!ReadImageFile(options.input, &doc, &error, 0, check))
            return refuse("cannot read " + options.input + ": " + error);
        NotePhaseEnd("decode");
        // A cube layout is cut from a picture of its own shape: another
        // shape is not this layout (a cross framed in a 2:1 picture).
        if (cube) {
            const std::string refusal = CubeShapeRefusal(*cube, inputMode, doc.width, doc.height, options.input);
            if (!refusal.empty()) return Fail(kExitUnreadableInput, refusal);
        }
        if (!options.mask.empty() && !ReadMaskFile(options.mask, doc.width, doc.height, &doc.mask, &error))
            return Fail(kExitUnreadableInput, "cannot use " + options.mask + " as the selection: " + error);
        // A cube map is resized face by face, as the plug-in will cut it.
        if (reduce && doc.width == fileWidth && doc.height == fileHeight &&
            !(cube ? ResizeCubeCells(&doc, reduced.width, reduced.height, int32_t(cube->columns), int32_t(cube->rows),
                                     &error)
                   : ResizeDocument(&doc, reduced.width, reduced.height, &error)))
            return Fail(kExitUnreadableInput, error);
        if (reduce) NotePhaseEnd("resize");
    }
    // With a selection, the result of another size is blended by it with the
    // picture at the result's size.
    HostDocument resultUnder;
    const bool ownSize = sized && (options.width != doc.width || options.height != doc.height);
    if (ownSize && !doc.mask.empty()) {
        resultUnder = doc;
        if (!ResizeDocument(&resultUnder, options.width, options.height, &error))
            return Fail(kExitUnreadableInput, error);
    }
    const bool gallery = !options.galleryKind.empty();
    if (gallery) {
        // The folder itself may be made, as mkdir makes it; a missing parent
        // is more likely a mistyped path than one to make.
        struct stat st {};
        if (mkdir(options.galleryFolder.c_str(), 0777) != 0 && errno != EEXIST)
            return Fail(kExitUnwritableOutput, "cannot write a gallery into " + options.galleryFolder + ": " +
                                                   std::strerror(errno));
        if (stat(options.galleryFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return Fail(kExitUnwritableOutput, "cannot write a gallery into " + options.galleryFolder + ": not a folder");
    }
    // Refuse an unwritable destination before the long run, not after it.
    // The cube map's faces go beside OUTPUT, which is only their name.
    if (!gallery && options.cubeFaces && access(Directory(PathWithLinksFollowed(options.output)).c_str(), W_OK | X_OK) != 0)
        return Fail(kExitUnwritableOutput, "cannot write " + options.output + ": " + std::strerror(errno));
    if (!gallery && !options.cubeFaces && !OutputWritable(PathWithLinksFollowed(options.output), &error))
        return Fail(kExitUnwritableOutput, "cannot write " + options.output + ": " + error);

    std::string pluginPath = options.plugin;
    if (pluginPath.empty() && std::getenv("VORNESK_PLUGIN")) pluginPath = std::getenv("VORNESK_PLUGIN");
    if (pluginPath.empty()) pluginPath = DefaultPluginPath();
    // dlopen searches the library path for bare names; a file name here means a file.
    if (pluginPath.find('/') == std::string::npos) pluginPath = "./" + pluginPath;
    void* module = dlopen(pluginPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return Fail(kExitNoPlugin, std::string("cannot load the plug-in: ") + dlerror());
    auto entry = reinterpret_cast<PluginMainProc>(dlsym(module, "PluginMain"));
    if (!entry) return Fail(kExitNoPlugin, pluginPath + " is not a filter plug-in (it has no PluginMain)");

    CatchFatalSignals();

    // An OBJ export is written by the plug-in itself, in place of the picture;
    // so are an LDRAW model, a PSD (as the dialog's "PSD…" writes it) and the
    // cube map's faces (named after OUTPUT). The plug-in writes each export
    // whole, its several files as one set, and says which file failed. The
    // export travels beside the settings in the descriptor: what to write
    // under "Exky", and where under "Exfl".
    const bool directExport = IsOBJExportName(options.output) || options.cubeFaces;
    const bool ldrawExport =
        !directExport && (IsLDRAWExportName(options.output) || ImageFormatFromName(options.output) == ImageFormat::PSD);
    ExportOrder order;
    if (gallery) {
        ExportOrderKindOfGalleryWord(options.galleryKind, &order.kind);
        order.path = std::filesystem::absolute(options.galleryFolder).string();
    } else if (directExport) {
        order.kind = options.cubeFaces ? kExportOrderCubeMap : kExportOrderGeometry;
        order.path = PathWithLinksFollowed(options.output);
    } else if (ldrawExport) {
        order.kind = IsLDRAWExportName(options.output) ? kExportOrderBrickModel : kExportOrderPSD;
        order.path = options.output;
    }

    HostRunSettings settings;
    // Always a descriptor, empty when no setting is given: settings left out
    // take their defaults, so a run never repeats what an earlier one cached.
    settings.haveSettings = true;
    settings.settings = options.settings;
    if (order.kind != kExportOrderNone) {
        DescriptorItem kind;
        kind.key = kExportKindKey;
        kind.type = typeEnumerated;
        kind.enumType = kExportKindType;
        kind.enumValue = ExportOrderCode(order.kind);
        DescriptorItem file;
        file.key = kExportFileKey;
        file.type = typeAlias;
        file.text = order.path;
        settings.settings.push_back(kind);
        settings.settings.push_back(file);
    }
    settings.showProgress = !options.quiet && isatty(STDERR_FILENO) && !options.dialog;
    settings.showDialog = options.dialog;
    if (ownSize) {
        settings.resultWidth = options.width;
        settings.resultHeight = options.height;
        settings.resultUnder = resultUnder.samples.empty() ? nullptr : &resultUnder;
        // The picture read again as above, for a plug-in that asks for it
        // after the host gave its samples back: only for a rendered picture,
        // which reads its input once. The dialog's previews and the exports
        // may ask again, and keep it.
        if (!options.dialog && !gallery && !directExport && !ldrawExport)
            settings.readSourceAgain = [&](HostDocument* again) {
                std::string ignored;
                bool readFailed = false;
                if (reduce && options.mask.empty() && !cube)
                    return ReadImageFileResized(options.input, reduced.width, reduced.height, again, &ignored,
                                                &readFailed);
                if (!ReadImageFile(options.input, again, &ignored)) return false;
                if (!reduce || again->width != fileWidth || again->height != fileHeight) return true;
                return cube ? ResizeCubeCells(again, reduced.width, reduced.height, int32_t(cube->columns),
                                              int32_t(cube->rows), &ignored)
                            : ResizeDocument(again, reduced.width, reduced.height, &ignored);
            };
    }
    HostRunReport report;
    NotePhaseEnd("load");
    const bool ran = RunFilter(entry, &doc, settings, &report);
    NotePhaseEnd("render");
    if (!ran) {
        if (report.result == userCanceledErr && (HostAbortRequested() || options.dialog))
            return Fail(kExitCancelled, "cancelled");
        // A file of the export (or of the gallery) the system refused, which
        // the plug-in names with the system's reason.
        if (report.result == writErr && !report.pluginMessage.empty())
            return Fail(kExitUnwritableOutput, report.pluginMessage);
        std::string what = report.failedSelector < 0
                               ? std::string("the plug-in's request for pixels failed")
                               : std::string("the plug-in failed at ") + SelectorName(report.failedSelector);
        std::string words = !report.hostMessage.empty()     ? report.hostMessage
                            : !report.pluginMessage.empty() ? report.pluginMessage
                                                            : HostResultInWords(report.result);
        return Fail(kExitPluginFailed, what + ": " + words);
    }

    // A Ctrl-C the plug-in did not notice still cancels: nothing is written.
    if (HostAbortRequested()) return Fail(kExitCancelled, "cancelled");
    if (!gallery && !directExport && !ldrawExport && !WriteOutput(options.output, doc, &error)) {
        if (HostAbortRequested()) return Fail(kExitCancelled, "cancelled");
        return Fail(kExitUnwritableOutput, "cannot write " + options.output + ": " + error);
    }
    NotePhaseEnd("encode");
    if (options.printDescriptor)
        for (const DescriptorItem& item : report.descriptor) std::printf("%s\n", FormatDescriptorItem(item).c_str());
    return kExitDone;
}
