#!/usr/bin/env bash
# Installs what is missing, builds the release tree and renders the bundled
# Earth picture into out/, then says where the result went.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release --target vornesk vornesk_plugin
mkdir -p out
result="$PWD/out/earth-mode-1.png"
build-release/vornesk samples/earth-2048x1024.jpg -o "$result" --output-mode 1 --plugin build-release/Vornesk2.so
echo "wrote $result"
