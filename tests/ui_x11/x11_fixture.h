// The dialog under a real X server: the test program starts its own Xvfb
// before Qt, and the tests send real input (the XTest extension) to the
// screen positions of the widgets, as a user's mouse and keyboard would.
// Xlib's names stay in x11_input.cpp, away from Qt's.
#pragma once

#include <QPoint>
#include <QWidget>
#include <string>

// The X display the test program started (":N").
const std::string& TestDisplayName();
// Starts Xvfb on the first free display and points Qt's X11 platform at
// it; false (and why, on standard error) when it cannot. Ended by
// StopTestDisplay, or with the program.
bool StartTestDisplay();
void StopTestDisplay();

// A connection of its own to the test display; one thread uses it at a time.
class XInput {
public:
    XInput();
    ~XInput();
    XInput(const XInput&) = delete;
    XInput& operator=(const XInput&) = delete;
    bool ok() const { return display_ != nullptr; }

    void MoveTo(QPoint p);
    void Button(bool down);
    void Click(QPoint p) {
        MoveTo(p);
        Button(true);
        Button(false);
    }
    // Keys by their X names ("BackSpace", "End", "5", "a").
    void Key(const char* name);
    // Digits, lower-case letters, blanks, commas and full stops.
    void Type(const std::string& text);

private:
    void* display_;
};

// The screen position of a point of a widget (its centre by default).
inline QPoint OnScreen(const QWidget* w) { return w->mapToGlobal(w->rect().center()); }
inline QPoint OnScreen(const QWidget* w, QPoint local) { return w->mapToGlobal(local); }
