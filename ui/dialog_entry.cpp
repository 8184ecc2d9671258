// The plug-in shell's entries into the dialog.
#include <cstdio>
#include <string>

#include "host_access/PIUSuites.h"
#include "ui/alerts.h"
#include "platform/appkit/run_loop.h"
#include "ui/dialog.h"

int32_t DoUI() {
    std::string why;
    if (!NSApplicationLoad(&why)) {
        std::fprintf(stderr, "Vornesk 2 cannot show its dialog: %s.\n", why.c_str());
        return 0;
    }
    initializeCocoaDissolve();
    std::fprintf(stderr, "orderWindowFrontDissolve\n");
    const int result = Controller_Tarnwhistle_pano::sharedInstance()->showWindow();
    sPSUIHooks.Release();
    return int32_t(result & 0xFF);
}

// Only a controller that exists hears of the end.
void ControllerShuttingDown() {
    if (Controller_Tarnwhistle_pano::exists()) Controller_Tarnwhistle_pano::sharedInstance()->shuttingDown();
}
