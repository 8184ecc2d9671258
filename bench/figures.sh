#!/usr/bin/env bash
# Every speed figure of the comparison with the peers, in one run:
#   1. bench/peers.sh: the v360 and Mollweide jobs against ffmpeg and
#      gdalwarp (median wall time, peak memory, ratios ours / peer);
#   2. bench_render: the bundled picture rendered to 4096 x 2048 in modes 1,
#      5 and 46 on one processor and on all, and the scaling;
#   3. the whole process (vornesk, the bundled picture to 4096 x 2048) in the
#      same modes with --threads 1 and with all threads, and the scaling;
#   4. bench_engine: the trivial per-pixel job on one processor and on all.
# Run it on an idle machine, from a release build that has vornesk,
# bench_render and bench_engine:
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-release --target vornesk vornesk_plugin bench_render bench_engine
#   bench/figures.sh build-release
# Environment: RUNS (default 5) for the medians of steps 1 and 3.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${RUNS:-5}
here=$(cd "$(dirname "$0")/.." && pwd)
cpus=$(nproc)
for tool in vornesk bench/bench_render bench/bench_engine; do
  [[ -x "$build/$tool" ]] || { echo "no $build/$tool: build it first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "== 1. against the peers (bench/peers.sh)"
RUNS=$runs "$here/bench/peers.sh" "$build"

# Google Benchmark's CSV: name,iterations,real_time,cpu_time,time_unit,...
# Prints "name real_time" per line.
bench_times() {
  "$@" --benchmark_format=csv 2>/dev/null | awk -F, 'NR > 1 && $1 ~ /^"/ { gsub(/"/, "", $1); print $1, $3 }'
}

echo
echo "== 2. bench_render, 4096 x 2048, milliseconds of wall time (goal: 6x from 1 to $cpus processors)"
bench_times "$build/bench/bench_render" --benchmark_filter='^BM_RenderEarth/mode:(1|5|46)/' >"$work/render.t"
printf "%-6s %10s %10s %8s\n" mode "1 cpu" "$cpus cpus" scaling
for mode in 1 5 46; do
  one=$(awk -v m="BM_RenderEarth/mode:$mode/cpus:1/" 'index($1, m) == 1 { print $2 }' "$work/render.t")
  all=$(awk -v m="BM_RenderEarth/mode:$mode/cpus:0/" 'index($1, m) == 1 { print $2 }' "$work/render.t")
  awk -v m="$mode" -v a="$one" -v b="$all" 'BEGIN { printf "%-6s %10.1f %10.1f %7.2fx\n", m, a, b, (b > 0 ? a / b : 0) }'
done

echo
echo "== 3. whole process, bundled picture to 4096 x 2048, median of $runs, seconds (goal: 4x)"
export VORNESK_SUPPORT_DIR="$work"
whole() {  # mode threads -> median seconds
  : >"$work/whole.t"
  for ((i = 0; i < runs; ++i)); do
    /usr/bin/time -f "%e" -o "$work/time" "$build/vornesk" "$here/samples/earth-2048x1024.jpg" -o "$work/out.png" \
      --quiet --input-mode 1 --output-mode "$1" --size 4096x2048 --threads "$2" >/dev/null
    cat "$work/time" >>"$work/whole.t"
  done
  median <"$work/whole.t"
}
printf "%-6s %10s %10s %8s\n" mode "1 thread" "$cpus threads" scaling
for mode in 1 5 46; do
  one=$(whole "$mode" 1)
  all=$(whole "$mode" "$cpus")
  awk -v m="$mode" -v a="$one" -v b="$all" 'BEGIN { printf "%-6s %10.2f %10.2f %7.2fx\n", m, a, b, (b > 0 ? a / b : 0) }'
done

echo
echo "== 4. bench_engine, trivial per-pixel job over 4096 x 4096, milliseconds (goal: 5x)"
bench_times "$build/bench/bench_engine" --benchmark_filter='^BM_PerPixelJob/' --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true >"$work/engine.t"
one=$(awk '$1 == "BM_PerPixelJob/1/real_time_median" || $1 == "BM_PerPixelJob/1_median" { print $2 }' "$work/engine.t")
all=$(awk '$1 == "BM_PerPixelJob/0/real_time_median" || $1 == "BM_PerPixelJob/0_median" { print $2 }' "$work/engine.t")
awk -v a="$one" -v b="$all" -v n="$cpus" 'BEGIN {
  printf "1 cpu %.2f ms, %d cpus %.2f ms, scaling %.2fx\n", a, n, b, (b > 0 ? a / b : 0) }'
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
