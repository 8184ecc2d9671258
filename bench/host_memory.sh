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
# A 12000 x 12000 PNG renders within the memory estimated before it is read;
# runs estimated beyond --max-memory are refused before any work.
python3 - "$work/12k.png" <<'PY'
import struct, sys, zlib
w = h = 12000
def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
c = zlib.compressobj(6)
row = bytes([0]) + bytes(range(256)) * (w * 3 // 256) + bytes(w * 3 % 256)
data = b''.join(c.compress(row) for _ in range(h)) + c.flush()
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) +
                              chunk(b'IDAT', data) + chunk(b'IEND', b''))
PY
figures() {
  VORNESK_SUPPORT_DIR="$work" /usr/bin/time -f "%M %e" "$build/vornesk" "$@" --quiet 2>&1 >/dev/null |
    awk 'END { printf "%.0f MB, %.2f s", $1 / 1024, $2 }'
}
echo "12000 x 12000 PNG, full size:  $(figures "$work/12k.png" -o "$work/out.png")"
echo "--size 40000x40000 refused:    $(figures "$here/samples/earth-2048x1024.jpg" -o "$work/o.png" --size 40000x40000 --max-memory 4G)"
echo "--export-pixels 30000 refused: $(figures "$here/samples/earth-2048x1024.jpg" -o "$work/o.obj" --export-pixels 30000 --max-memory 4G)"
