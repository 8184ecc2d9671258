#!/usr/bin/env bash
# Installs what is missing, builds the release tree and renders the bundled
# Earth picture into a few output modes under out/.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORNESK_TESTS=OFF -DVORNESK_BENCH=OFF >/dev/null
cmake --build build
mkdir -p out
for mode in 1; do
  build/vornesk samples/earth-2048x1024.jpg -o "out/earth-mode-$mode.png" --output-mode "$mode"
  echo "wrote out/earth-mode-$mode.png"
done
