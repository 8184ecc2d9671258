#!/usr/bin/env bash
# How sharply the host reads each layout back to an equirectangular picture
# of a chosen size, against ffmpeg's v360 reading the same file to the same
# size. The bundled Earth is enlarged to a 4096 x 2048 canvas, written by the
# host in each layout (cube faces of 1024 pixels, discs of 4096), and read
# back three ways: with --size W x H, by v360 (linear interpolation, its
# default), and by the host at the file's own frame (the native read, the
# map's 2:1 block cut out of it). Each is compared (PSNR, dB) with the
# canvas resized by ImageMagick to the same size (Lanczos), and with the
# host's own render of the canvas at that size (the native read at the
# block's size); the orthographic layout
# within 75 degrees of its centre, the part it shows without squeezing it
# to nothing at the rim. v360 reads no cube cross.
# Usage: bench/readback.sh [BUILD_DIR]   (default: build)
# Environment: SIZES (default "1024x512 2048x1024"), LAYOUTS (default all).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
command -v ffmpeg >/dev/null || { echo "readback.sh needs ffmpeg" >&2; exit 1; }
[[ -x "$build/vornesk" ]] || { echo "no $build/vornesk: build the host first" >&2; exit 1; }
python=/usr/bin/python3
"$python" -c 'import numpy' 2>/dev/null || { echo "readback.sh needs $python with numpy" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VORNESK_SUPPORT_DIR="$work"
host() { nice "$build/vornesk" "$@" --quiet; }

cat >"$work/psnr.py" <<'EOF'
import subprocess, sys
import numpy as np
def load(path):
    w, h = map(int, subprocess.run(['identify', '-format', '%w %h', path], capture_output=True, text=True,
                                   check=True).stdout.split())
    raw = subprocess.run(['convert', path, '-alpha', 'off', '-depth', '8', 'rgb:-'], capture_output=True,
                         check=True).stdout
    return np.frombuffer(raw, np.uint8).reshape(h, w, 3).astype(np.float64)
a, b = load(sys.argv[1]), load(sys.argv[2])
d = (a - b) ** 2
if len(sys.argv) > 3:
    d = d[load(sys.argv[3])[:, :, 0] > 127]
print('%.1f' % (10 * np.log10(255.0 ** 2 / max(d.mean(), 1e-12))))
EOF
psnr() { "$python" "$work/psnr.py" "$@"; }

convert "$here/samples/earth-2048x1024.jpg" -resize 4096x2048! -depth 8 -type TrueColor "$work/canvas.png"

# name, output mode writing it, its size, input mode reading it, v360's input options ("-" for none)
layouts=(
  "c6x1 337 6144x1024 33 input=c6x1"
  "c3x2 338 3072x2048 34 input=c3x2"
  "pano2vr 339 3072x2048 35 input=c3x2:in_forder=frblud"
  "hcross 172 4096x3072 27 -"
  "vcross 173 3072x4096 28 -"
  "ball 2 4096x4096 2 input=ball"
  "polar 3 4096x4096 3 input=fisheye:ih_fov=360:iv_fov=360"
  "ortho 5 4096x4096 4 input=og:ih_fov=180:iv_fov=180"
)
# The orthographic layout's mask: the disc within 75 degrees of its centre, read back by v360.
r75=$(awk 'BEGIN { printf "%.2f", 2047.5 - 2047.5 * sin(75 * atan2(0, -1) / 180) }')
convert -size 4096x4096 xc:black -fill white -draw "circle 2047.5,2047.5 2047.5,$r75" -depth 8 -type TrueColor \
  "$work/disc.png"
# ortho_mask V360 W H OUT: that disc read back at W x H, its pixels wholly inside.
ortho_mask() {
  ffmpeg -loglevel error -y -i "$work/disc.png" -vf "format=rgb24,v360=$1:output=e:w=$2:h=$3" -pix_fmt rgb24 "$work/m.png"
  convert "$work/m.png" -threshold 98% -morphology Erode Square:2 -depth 8 -type TrueColor "$4"
}

echo "PSNR in dB against the canvas resized by ImageMagick | against the host's render of the canvas"
printf "%-8s %-10s %6s %6s   %-22s | %6s %6s %6s\n" layout size sized v360 "native (file's frame)" sized v360 native
sizes=${SIZES:-1024x512 2048x1024}
for size in $sizes; do
  w=${size%x*} h=${size#*x}
  convert "$work/canvas.png" -resize "${size}!" "$work/ref.png"
  host "$work/canvas.png" -o "$work/own.png" --output-mode 1 --size "$size"
  for spec in "${layouts[@]}"; do
    read -r name out lsize in v360 <<<"$spec"
    [[ -z "${LAYOUTS:-}" || " $LAYOUTS " == *" $name "* ]] || continue
    [[ -f "$work/$name.png" ]] || host "$work/canvas.png" -o "$work/$name.png" --output-mode "$out" --size "$lsize"
    mask=()
    if [[ $name == ortho ]]; then
      ortho_mask "$v360" "$w" "$h" "$work/mask.png"
      mask=("$work/mask.png")
    fi
    host "$work/$name.png" -o "$work/sized.png" --input-mode "$in" --output-mode 1 --size "$size"
    sized=$(psnr "$work/ref.png" "$work/sized.png" "${mask[@]}")
    sizedOwn=$(psnr "$work/own.png" "$work/sized.png" "${mask[@]}")
    peer=- peerOwn=-
    if [[ $v360 != - ]]; then
      ffmpeg -loglevel error -y -i "$work/$name.png" -vf "v360=$v360:output=e:w=$w:h=$h" -pix_fmt rgb24 "$work/peer.png"
      peer=$(psnr "$work/ref.png" "$work/peer.png" "${mask[@]}")
      peerOwn=$(psnr "$work/own.png" "$work/peer.png" "${mask[@]}")
    fi
    # The native read: at the file's own frame, the map's 2:1 block cut out of
    # it and compared with the canvas rendered at the block's size (once a size).
    if [[ ! -f "$work/$name.native" ]]; then
      host "$work/$name.png" -o "$work/native.png" --input-mode "$in" --output-mode 1
      read -r fw fh <<<"$(identify -format '%w %h' "$work/native.png")"
      bw=$((fw < 2 * fh ? fw : 2 * fh))
      bh=$((bw / 2))
      convert "$work/native.png" -crop "${bw}x${bh}+$(((fw - bw) / 2))+$(((fh - bh) / 2))" +repage "$work/native.png"
      convert "$work/canvas.png" -resize "${bw}x${bh}!" "$work/nref.png"
      host "$work/canvas.png" -o "$work/nown.png" --output-mode 1 --size "${bw}x${bh}"
      nmask=()
      if [[ $name == ortho ]]; then
        ortho_mask "$v360" "$bw" "$bh" "$work/nmask.png"
        nmask=("$work/nmask.png")
      fi
      echo "$(psnr "$work/nref.png" "$work/native.png" "${nmask[@]}") (${bw}x${bh})" >"$work/$name.native"
      psnr "$work/nown.png" "$work/native.png" "${nmask[@]}" >"$work/$name.nativeOwn"
    fi
    native=$(cat "$work/$name.native") nativeOwn=$(cat "$work/$name.nativeOwn")
    printf "%-8s %-10s %6s %6s   %-22s | %6s %6s %6s\n" "$name" "$size" "$sized" "$peer" "$native" "$sizedOwn" "$peerOwn" \
      "$nativeOwn"
  done
done
