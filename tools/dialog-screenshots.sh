#!/usr/bin/env bash
# Saves pictures of the dialog's main window as the screen shows it, under
# an X server of its own (Xvfb): at its start, zoomed in, and with memory
# dots filled and one hovered (its thumbnail shown). Usage:
#   tools/dialog-screenshots.sh [FOLDER]   (default: out/screenshots)
# Look at them: start.png, zoomed.png, dots.png.
set -euo pipefail
cd "$(dirname "$0")/.."
folder="$(realpath -m "${1:-out/screenshots}")"
tools/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release --target test_ui_x11
mkdir -p "$folder"
VORNESK_SCREENSHOTS="$folder" build-release/tests/test_ui_x11 --gtest_filter='DialogX11Test.Screenshots' >/dev/null
for shot in start zoomed dots; do echo "wrote $folder/$shot.png"; done
