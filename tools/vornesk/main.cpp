// vornesk: loads the Vornesk 2 plug-in module and runs it over a picture.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/host/result_codes.h"
#include "tools/vornesk/host_session.h"
#include "tools/vornesk/image_files.h"
#include "tools/vornesk/options.h"

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

void OnInterrupt(int) {
    RequestHostAbort();
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
}

// Writes through a temporary file in the output's folder and renames it,
// so a failed write never leaves a partial OUTPUT behind.
bool WriteOutput(const std::string& path, const HostDocument& doc, std::string* error) {
    std::string temp = Directory(path) + "/.vornesk-XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    close(fd);
    mode_t mask = umask(0);
    umask(mask);
    chmod(temp.c_str(), 0666 & ~mask);
    // Ctrl-C while writing: the old OUTPUT, if any, stays.
    if (!WriteImageFile(temp, ImageFormatFromName(path), doc, error) || HostAbortRequested()) {
        unlink(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        *error = std::strerror(errno);
        unlink(temp.c_str());
        return false;
    }
    return true;
}

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

    HostDocument doc;
    if (!ReadImageFile(options.input, &doc, &error))
        return Fail(kExitUnreadableInput, "cannot read " + options.input + ": " + error);
    if (!options.mask.empty() && !ReadMaskFile(options.mask, doc.width, doc.height, &doc.mask, &error))
        return Fail(kExitUnreadableInput, "cannot use " + options.mask + " as the selection: " + error);
    if (options.width > 0 && !ResizeDocument(&doc, options.width, options.height, &error))
        return Fail(kExitUnreadableInput, error);
    // Refuse an unwritable destination before the long run, not after it.
    if (access(Directory(options.output).c_str(), W_OK | X_OK) != 0)
        return Fail(kExitUnwritableOutput, "cannot write " + options.output + ": " + std::strerror(errno));

    // The plug-in's task engine sizes its thread pool from this variable.
    if (options.threads > 0) setenv("VORNESK_ACTIVE_PROCESSORS", std::to_string(options.threads).c_str(), 1);
    std::string pluginPath = options.plugin;
    if (pluginPath.empty() && std::getenv("VORNESK_PLUGIN")) pluginPath = std::getenv("VORNESK_PLUGIN");
    if (pluginPath.empty()) pluginPath = DefaultPluginPath();
    // dlopen searches the library path for bare names; a file name here means a file.
    if (pluginPath.find('/') == std::string::npos) pluginPath = "./" + pluginPath;
    void* module = dlopen(pluginPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return Fail(kExitNoPlugin, std::string("cannot load the plug-in: ") + dlerror());
    auto entry = reinterpret_cast<PluginMainProc>(dlsym(module, "PluginMain"));
    if (!entry) return Fail(kExitNoPlugin, pluginPath + " is not a filter plug-in (it has no PluginMain)");

    struct sigaction interrupt {};
    interrupt.sa_handler = OnInterrupt;
    sigemptyset(&interrupt.sa_mask);
    sigaction(SIGINT, &interrupt, nullptr);

    HostRunSettings settings;
    // Always a descriptor, empty when no setting is given: settings left out
    // take their defaults, so a run never repeats what an earlier one cached.
    settings.haveSettings = true;
    settings.settings = options.settings;
    settings.showProgress = !options.quiet && isatty(STDERR_FILENO);
    HostRunReport report;
    if (!RunFilter(entry, &doc, settings, &report)) {
        if (report.result == userCanceledErr && HostAbortRequested()) return Fail(kExitCancelled, "cancelled");
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
    if (!WriteOutput(options.output, doc, &error)) {
        if (HostAbortRequested()) return Fail(kExitCancelled, "cancelled");
        return Fail(kExitUnwritableOutput, "cannot write " + options.output + ": " + error);
    }
    if (options.printDescriptor)
        for (const DescriptorItem& item : report.descriptor) std::printf("%s\n", FormatDescriptorItem(item).c_str());
    return kExitDone;
}
