#!/usr/bin/env bash
# Saves pictures of the dialog's main window as the screen shows it, under
# an X server of its own (Xvfb): at its start, zoomed in, with memory dots
# filled and one hovered (its thumbnail shown), and with the output menu
# open and filtered; and of the two galleries its buttons write (a few
# modes each), as headless Chromium shows them. Usage:
#   tools/dialog-screenshots.sh [FOLDER]   (default: out/screenshots)
# Look at them: start.png, zoomed.png, dots.png, menu.png and gallery-*.png.
set -euo pipefail
cd "$(dirname "$0")/.."
folder="$(realpath -m "${1:-out/screenshots}")"
tools/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release --target test_ui_x11
mkdir -p "$folder"
# No browser is opened for the galleries the dialog writes here.
bin="$(mktemp -d)"
trap 'rm -rf "$bin"' EXIT
printf '#!/bin/sh\nexit 0\n' >"$bin/xdg-open"
chmod +x "$bin/xdg-open"
PATH="$bin:$PATH" VORNESK_SCREENSHOTS="$folder" env -u XDG_CONFIG_HOME build-release/tests/test_ui_x11 --gtest_filter='DialogX11Test.Screenshots' >/dev/null
for shot in start zoomed dots menu; do echo "wrote $folder/$shot.png"; done
# The two galleries the dialog's buttons wrote (a few modes each), as a
# browser shows them.
browser="$(command -v chromium || command -v chromium-browser || command -v google-chrome || true)"
for page in "Desktop/Vornesk modes/output modes.html" "Desktop/exportable polyhedra/polyhedra.html"; do
    [ -f "$folder/$page" ] || continue
    shot="$folder/gallery-$(basename "$(dirname "$page")" | tr ' ' '-').png"
    if [ -n "$browser" ]; then
        profile="$(mktemp -d)"
        "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$profile" \
            --window-size=1400,1800 --screenshot="$shot" "file://$folder/$page" 2>/dev/null
        rm -rf "$profile"
        echo "wrote $shot"
    else
        echo "wrote $folder/$page (no headless Chromium here to take its picture: apt-get install chromium)"
    fi
done
