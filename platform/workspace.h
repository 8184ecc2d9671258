// The desktop's services on this system: the user's home and desktop
// folders, opening a file in its default application, and the
// administrator command, which this system does not offer.
#pragma once

#include <string>
#include <vector>

// $HOME, else the password database's home, else "/tmp".
std::string HomeFolder();
// The desktop folder of the XDG user directories ($XDG_CONFIG_HOME, else
// ~/.config, "user-dirs.dirs": XDG_DESKTOP_DIR, "$HOME/..." or absolute);
// else ~/Desktop. Never made here.
std::string DesktopFolder();

// Opens the file in its default application with xdg-open (found on PATH,
// run without a shell, the path its one argument) and waits at most about
// ten seconds for xdg-open to end. True when it ran and ended well, or is
// still running (the opener has found the file's application).
bool openWithPreviewThisFile(const std::string& path);
