// Tests run the window system headless: Qt's offscreen platform.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/appkit/run_loop.h"

inline bool OffscreenApplication() {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string why;
    return NSApplicationLoad(&why);
}
