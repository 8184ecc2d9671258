#!/usr/bin/env bash
# Peak memory of the vornesk host: an 8192 x 4096 picture rendered at full
# size, and resized to 4096 x 2048 with --size, as /usr/bin/time -v reports.
# Usage: bench/host_memory.sh [BUILD_DIR]   (default: build)
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
here=$(cd "$(dirname "$0")/.." && pwd)
convert "$here/samples/earth-2048x1024.jpg" -resize 8192x4096! -quality 92 "$work/big.jpg"
peak() {
  VORNESK_SUPPORT_DIR="$work" /usr/bin/time -v "$build/vornesk" "$work/big.jpg" -o "$work/out.png" --quiet "$@" \
    2>&1 >/dev/null | awk -F': ' '/Maximum resident/ { printf "%.0f MB\n", $2 / 1024 }'
}
echo "8192 x 4096, full size:        $(peak)"
echo "8192 x 4096, --size 4096x2048: $(peak --size 4096x2048)"
