#!/usr/bin/env bash
# Renders the bundled Earth through every mode the host lists as rendered
# (output modes into the picture, input modes read from the Earth shown in
# the output mode of the same name into equirectangular, glue modes over
# Mollweide) and prints one line a run: exit status, seconds, and BLANK
# (one colour over 99% of the opaque pixels), CLEAR (no opaque pixel), SLOW
# (killed after the time limit), refused (exit status 1 with "is not
# available in this build") or FAILED (any other exit status); then the
# counts. For a person to run after changing many modes; the tests sweep
# every code in-process at a smaller size (tests/shell/mode_sweep_test.cpp).
# Needs ImageMagick.
# Usage: tools/mode-sweep.sh [WIDTHxHEIGHT [JOBS [SECONDS]]]
# (default 256x128, 3 runs at a time, 60 s each). VORNESK_BUILD names a
# build folder to use instead of build-release; VORNESK_SWEEP_KEEP names a
# folder that receives the pictures (to compare two builds pixel by pixel).
set -euo pipefail
cd "$(dirname "$0")/.."
size="${1:-256x128}"
jobs="${2:-3}"
limit="${3:-60}"
build="${VORNESK_BUILD:-build-release}"
host="$PWD/$build/vornesk"
[ -x "$host" ] || { echo "no $host: build the vornesk target first" >&2; exit 2; }
work="$(mktemp -d /tmp/vornesk-mode-sweep-XXXXXX)"
trap 'rm -rf "$work"' EXIT
convert samples/earth-2048x1024.jpg -resize "${size}!" -alpha set "$work/earth.png"
"$host" --list-modes >"$work/modes"

# KIND MODE INPUT OPTIONS...: one run and its line.
run() {
  local kind="$1" mode="$2" input="$3"
  shift 3
  local out="$work/$kind-$mode.png" start end status verdict=""
  start=$(date +%s.%N)
  status=0
  timeout -s KILL "$limit" nice "$host" "$input" -o "$out" --quiet --threads 1 "$@" >"$out.log" 2>&1 || status=$?
  end=$(date +%s.%N)
  if [ "$status" = 137 ]; then
    verdict=SLOW
  elif [ "$status" = 1 ] && grep -q 'is not available in this build' "$out.log"; then
    verdict=refused
  elif [ "$status" != 0 ]; then
    verdict="FAILED $(head -c 160 "$out.log" | tr '\n' ' ')"
  else
    # Opaque pixels, and the count of the commonest colour among them.
    read -r opaque top < <(convert "$out" -depth 6 -format %c histogram:info:- |
      awk '{n=$1+0; t=$0; sub(/^[^(]*\(/, "", t); sub(/\).*/, "", t); k=split(t, v, ",")
            if (k==4 && v[4]+0 < 5) next; o+=n; if (n>m) m=n} END {print o+0, m+0}')
    if [ "$opaque" = 0 ]; then verdict=CLEAR
    elif [ $((top * 100)) -gt $((opaque * 99)) ]; then verdict=BLANK
    fi
  fi
  printf '%s %s status %s %.2f s %s\n' "$kind" "$mode" "$status" "$(echo "$end - $start" | bc)" "$verdict"
}
export -f run
export host work limit

# The modes the listing marks "yes", by kind.
listed() { awk -v kind="$1" '/^input modes/{k="input"} /^output modes/{k="output"} /^glue modes/{k="glue"}
                             k==kind && $2=="yes" {print $1}' "$work/modes"; }
# The output mode with the input mode's name, for an input picture in that layout.
namesake() { awk -v name="$1" '/^output modes/{k=1; next} /^glue modes/{k=0}
                                k { c=$1; $1=""; $2=""; sub(/^  /, ""); if (tolower($0)==tolower(name)) {print c; exit} }' "$work/modes"; }

{
  listed output | xargs -P "$jobs" -I{} bash -c 'run output {} "$work/earth.png" --output-mode {}'
  for mode in $(listed input); do
    name=$(awk -v m="$mode" '/^input modes/{k=1; next} /^output modes/{k=0} k && $1==m {$1=""; $2=""; sub(/^  /, ""); print}' "$work/modes")
    source=$(namesake "$name")
    input="$work/earth.png"
    if [ -n "$source" ]; then
      # The Earth in that layout; a layout of cube faces asks for its shape.
      "$host" "$work/earth.png" -o "$work/in-$mode.png" --output-mode "$source" --quiet 2>/dev/null || true
      shape=$("$host" "$work/in-$mode.png" -o "$work/probe.png" --input-mode "$mode" --quiet 2>&1 |
              sed -n 's/.*needs a picture of \([0-9]*\):\([0-9]*\).*/\1 \2/p' || true)
      if [ -n "$shape" ]; then
        read -r across down <<<"$shape"
        "$host" "$work/earth.png" --size "$((64 * across))x$((64 * down))" -o "$work/in-$mode.png" \
          --output-mode "$source" --quiet 2>/dev/null || true
      fi
      [ -f "$work/in-$mode.png" ] && input="$work/in-$mode.png"
    fi
    echo "$mode $input"
  done | xargs -P "$jobs" -L1 bash -c 'run input "$0" "$1" --input-mode "$0" --output-mode 1'
  listed glue | xargs -P "$jobs" -I{} bash -c 'run glue {} "$work/earth.png" --glue-mode {} --output-mode 46'
} | sort -k1,1 -k2,2n | tee "$work/lines"
if [ -n "${VORNESK_SWEEP_KEEP:-}" ]; then mkdir -p "$VORNESK_SWEEP_KEEP" && cp "$work"/*.png "$VORNESK_SWEEP_KEEP"/; fi
awk '{n++} $3=="status" && $4==0 && NF==6 {ok++} /refused$/ {r++} / BLANK| CLEAR/ {b++} / SLOW/ {s++} / FAILED/ {f++}
     END {printf "%d runs: %d rendered, %d refused, %d blank or clear, %d slow, %d failed\n", n, ok, r, b, s, f}' "$work/lines"
