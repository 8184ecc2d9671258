#!/usr/bin/env bash
# Compares the pictures of two folders (or two pictures) pixel by pixel, for
# checking that a change keeps every picture within a bound of a build made
# before it: one line for each pair that is not byte-identical, with the
# count of pixels that differ in any channel and the largest difference of
# a channel in 8-bit levels (ImageMagick's AE and PAE); then the counts. A
# picture missing on either side is listed as such. Needs ImageMagick.
#
# A picture is unchanged when no channel moved by more than one level, or
# when it passes the flip bound: at most 0.05% of its pixels moved by more
# than one level and it stays at least 50 dB (PSNR) from the one before.
# The bound is for changes that move input positions by a unit in the last
# place (a more accurate arctangent, say): the sampler's steps (its sample
# count int(R + 0.5) and its level snap) are step functions of the
# position, so such a change tips the rare pixel whose footprint sits on a
# step to the neighbouring count or level, a few levels away, and moves
# nothing else. A real fault moves many pixels or a large area.
# Usage: tools/picture-diff.sh BEFORE AFTER
# (mode-sweep.sh with VORNESK_SWEEP_KEEP set keeps a sweep's pictures.)
set -euo pipefail
[ $# = 2 ] || { echo "usage: $0 BEFORE AFTER" >&2; exit 2; }
pairs() {
  if [ -d "$1" ]; then
    for f in "$1"/*.png "$1"/*.tif "$1"/*.tiff; do [ -e "$f" ] && echo "$f $2/$(basename "$f")"; done
  else
    echo "$1 $2"
  fi
}
total=0 same=0 within=0 flips=0 beyond=0
while read -r a b; do
  total=$((total + 1))
  if [ ! -e "$b" ]; then echo "$(basename "$a") missing in $(dirname "$b")"; beyond=$((beyond + 1)); continue; fi
  if cmp -s "$a" "$b"; then same=$((same + 1)); continue; fi
  ae=$(compare -metric AE "$a" "$b" null: 2>&1 || true)
  # PAE is on the quantum scale (0..65535 here): 257 to an 8-bit level.
  levels=$(compare -metric PAE "$a" "$b" null: 2>&1 | awk '{ printf "%.2f", $1 / 257 }' || true)
  if awk -v l="$levels" 'BEGIN { exit !(l <= 1.0) }'; then
    echo "$(basename "$a") pixels $ae max_levels $levels"
    within=$((within + 1))
    continue
  fi
  # Pixels with a channel more than one level apart, the share they are of
  # the picture, and the PSNR.
  read -r far share < <(convert "$a" "$b" \
    -fx 'max(max(abs(u.r-v.r),abs(u.g-v.g)),max(abs(u.b-v.b),abs(u.a-v.a)))*255>1.001' -alpha off \
    -format '%[fx:mean*w*h] %[fx:mean]\n' info:)
  psnr=$(compare -metric PSNR "$a" "$b" null: 2>&1 || true)
  echo "$(basename "$a") pixels $ae max_levels $levels beyond_one $far psnr $psnr"
  if awk -v s="$share" -v p="$psnr" 'BEGIN { exit !(s <= 0.0005 && p + 0 >= 50) }'; then
    flips=$((flips + 1))
  else
    beyond=$((beyond + 1))
  fi
done < <(pairs "$1" "$2")
echo "$total pictures: $same byte-identical, $within within one level, $flips within the flip bound," \
  "$beyond beyond it or missing"
