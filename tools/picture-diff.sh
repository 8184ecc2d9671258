#!/usr/bin/env bash
# Compares the pictures of two folders (or two pictures) pixel by pixel, for
# checking that a change keeps every picture within a bound of a build made
# before it: one line for each pair that is not byte-identical, with the
# count of pixels that differ in any channel and the largest difference of
# a channel in 8-bit levels (ImageMagick's AE and PAE); then the counts. A
# picture missing on either side is listed as such. Needs ImageMagick.
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
total=0 same=0 within=0 beyond=0
while read -r a b; do
  total=$((total + 1))
  if [ ! -e "$b" ]; then echo "$(basename "$a") missing in $(dirname "$b")"; beyond=$((beyond + 1)); continue; fi
  if cmp -s "$a" "$b"; then same=$((same + 1)); continue; fi
  ae=$(compare -metric AE "$a" "$b" null: 2>&1 || true)
  # PAE is on the quantum scale (0..65535 here): 257 to an 8-bit level.
  levels=$(compare -metric PAE "$a" "$b" null: 2>&1 | awk '{ printf "%.2f", $1 / 257 }' || true)
  echo "$(basename "$a") pixels $ae max_levels $levels"
  if awk -v l="$levels" 'BEGIN { exit !(l <= 1.0) }'; then within=$((within + 1)); else beyond=$((beyond + 1)); fi
done < <(pairs "$1" "$2")
echo "$total pictures: $same byte-identical, $within within one level, $beyond beyond one level or missing"
