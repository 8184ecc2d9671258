// The plug-in shell's entries into the dialog.
#include <cstdio>
#include <string>

#include "host_access/PIUSuites.h"
#include "host_access/host_utilities.h"
#include "platform/host/filter_record.h"
#include "platform/host/result_codes.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "ui/alerts.h"
#include "platform/appkit/run_loop.h"
#include "ui/dialog.h"

int32_t DoUI() {
    std::string why;
    if (!NSApplicationLoad(&why)) {
        // A dialog that cannot be shown is a failure with its reason, not the user's cancel.
        const std::string message = "Vornesk 2 cannot show its dialog: " + why + ".";
        SetHostResult(gFilterRecord ? HostReportError(gFilterRecord->errorString, message.c_str())
                                    : OSErr(filterBadParameters),
                      kDiagNoDisplay);
        return 0;
    }
    initializeCocoaDissolve();
    DialogTrace("orderWindowFrontDissolve");
    const int result = Controller_Tarnwhistle_pano::sharedInstance()->showWindow();
    sPSUIHooks.Release();
    return int32_t(result & 0xFF);
}

// Only a controller that exists hears of the end.
void ControllerShuttingDown() {
    if (Controller_Tarnwhistle_pano::exists()) Controller_Tarnwhistle_pano::sharedInstance()->shuttingDown();
}
