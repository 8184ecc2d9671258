// Qt's headers first: Xlib defines names they use.
#include "tests/ui_x11/x11_fixture.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {
Display* D(void* d) { return static_cast<Display*>(d); }
}  // namespace

XInput::XInput() : display_(XOpenDisplay(TestDisplayName().c_str())) {}

XInput::~XInput() {
    if (display_) XCloseDisplay(D(display_));
}

void XInput::MoveTo(QPoint p) {
    XTestFakeMotionEvent(D(display_), -1, p.x(), p.y(), CurrentTime);
    XFlush(D(display_));
}

void XInput::Button(bool down) {
    XTestFakeButtonEvent(D(display_), 1, down ? True : False, CurrentTime);
    XFlush(D(display_));
}

void XInput::Key(const char* name) {
    const KeyCode code = XKeysymToKeycode(D(display_), XStringToKeysym(name));
    XTestFakeKeyEvent(D(display_), code, True, CurrentTime);
    XTestFakeKeyEvent(D(display_), code, False, CurrentTime);
    XFlush(D(display_));
}

void XInput::Type(const std::string& text) {
    for (char ch : text) {
        const char name[2] = {ch, 0};
        Key(ch == ' ' ? "space" : ch == ',' ? "comma" : ch == '.' ? "period" : name);
    }
}
