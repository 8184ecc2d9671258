// The plug-in module as the host loads it, and a temporary
// application-support folder for the files it keeps.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/host/filter_record.h"

struct SupportFolder {
    std::string path;
    SupportFolder() {
        char tmpl[] = "/tmp/vornesk-shell-test-XXXXXX";
        path = mkdtemp(tmpl);
        setenv("VORNESK_SUPPORT_DIR", path.c_str(), 1);
    }
    ~SupportFolder() {
        std::system(("rm -rf '" + path + "'").c_str());
        unsetenv("VORNESK_SUPPORT_DIR");
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

// build/Vornesk2.so's PluginMain; null when it cannot be loaded (dlerror says why).
inline PluginMainProc LoadPlugin() {
    static void* module = dlopen(VORNESK_PLUGIN_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (!module) return nullptr;
    return reinterpret_cast<PluginMainProc>(dlsym(module, "PluginMain"));
}
