#!/usr/bin/env bash
# Installs what is missing, builds the release tree and renders the bundled
# Earth picture into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
if [ -f shell/PluginMain.cpp ]; then
  cmake --build build-release --target vornesk
  plugin=build-release/Vornesk2.so
else
  cmake --build build-release --target vornesk vornesk_test_invert
  plugin=build-release/tests/VorneskInvertTest.so
  echo "note: the Vornesk 2 plug-in is not built yet: running the host with the test plug-in, which inverts the picture"
fi
mkdir -p out
for mode in 1; do
  build-release/vornesk samples/earth-2048x1024.jpg -o "out/earth-mode-$mode.png" --output-mode "$mode" --plugin "$plugin"
  echo "wrote out/earth-mode-$mode.png"
done
