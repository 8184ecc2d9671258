#!/usr/bin/env bash
# Writes a gallery with the command-line host and takes a picture of the
# page as a browser shows it (headless Chromium), for a person to look at;
# not part of the tests. Usage:
#   tools/gallery-screenshot.sh [KIND [PICTURE [FOLDER]]]
# KIND is modes (default), dots, presets or polyhedra; PICTURE defaults to
# the bundled Earth; FOLDER (default out/gallery-KIND) gets the page, its
# web_images and the picture "screenshot.png". Needs chromium
# (apt-get install chromium). VORNESK_BUILD names a build folder to use
# instead of build-release.
set -euo pipefail
cd "$(dirname "$0")/.."
kind="${1:-modes}"
picture="$(realpath "${2:-samples/earth-2048x1024.jpg}")"
folder="$(realpath -m "${3:-out/gallery-$kind}")"
browser="$(command -v chromium || command -v chromium-browser || command -v google-chrome || true)"
if [ -z "$browser" ]; then
    echo "no headless Chromium here: apt-get install chromium" >&2
    exit 1
fi
build="${VORNESK_BUILD:-build-release}"
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target vornesk vornesk_plugin >/dev/null
mkdir -p "$folder"
"$build/vornesk" "$picture" --quiet --size 512x256 --gallery "$kind" "$folder"
case "$kind" in
    modes) page="output modes.html" ;;
    dots) page="memory dots.html" ;;
    presets) page="presets.html" ;;
    polyhedra) page="polyhedra.html" ;;
esac
# A profile of its own, so that no running browser is disturbed.
profile="$(mktemp -d)"
trap 'rm -rf "$profile"' EXIT
"$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$profile" \
    --window-size=1400,2400 --screenshot="$folder/screenshot.png" "file://$folder/$page" 2>/dev/null
echo "wrote $folder/screenshot.png (the page is $folder/$page)"
