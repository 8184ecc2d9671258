#!/usr/bin/env bash
# Installs what is missing, builds the release tree and renders the bundled
# Earth picture into out/ in a few output modes: equirectangular (1),
# orthographic (5), Mercator (62), equirectangular filling the frame (81),
# Mollweide (46), Hammer (11), the Peirce quincuncial square (94) and the
# nets of the tetrahedron, cube, octahedron, dodecahedron, icosahedron (6 to
# 10) and soccer ball (30); then says where each result went.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release --target vornesk vornesk_plugin
mkdir -p out
for mode in 1 5 62 81 46 11 94 6 7 8 9 10 30; do
  result="$PWD/out/earth-mode-$mode.png"
  build-release/vornesk samples/earth-2048x1024.jpg -o "$result" --output-mode "$mode" --plugin build-release/Vornesk2.so
  echo "wrote $result"
done
