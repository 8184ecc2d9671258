// A picture of one window into an image file. Only this program's own
// windows can be had: this system has no portable way to read another
// program's window.
#pragma once

#include <string>

// Captures the visible top-level window of this program whose title is
// windowName into resultPath, in the format its extension names (PNG when
// none is known), at the window's size. application is this program's
// name (its application name) or empty; any other name fails. False with
// *why set when the application is another, no window has that title, or
// the file cannot be written. Names and paths are UTF-8.
bool screencaptureFromApp(const std::string& application, const std::string& windowName, const std::string& resultPath,
                          std::string* why);
