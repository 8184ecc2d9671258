#!/usr/bin/env bash
# Installs what is missing, builds the release tree and renders the bundled
# Earth picture into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release --target vornesk vornesk_plugin
plugin=build-release/Vornesk2.so
mkdir -p out
for mode in 1; do
  build-release/vornesk samples/earth-2048x1024.jpg -o "out/earth-mode-$mode.png" --output-mode "$mode" --plugin "$plugin"
  echo "wrote out/earth-mode-$mode.png"
done
