#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-asan-fuzz/, the tree the test command
# runs the suite from) and runs each for SECONDS (default 60) on all
# processors, starting from its corpus in fuzz/corpus/, then prints runs,
# coverage and failures per target. Inputs that failed land in
# build-asan-fuzz/findings/<target>/; the exit status is 1 when any did.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]
#
# FUZZ_JOBS sets the processes per target (default: every processor);
# FUZZ_SEED fixes libFuzzer's seed, so that a short run tries the same
# inputs every time (the test command's does).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(settings_file_fuzz descriptor_fuzz plugin_jpeg_fuzz jpeg_metadata_fuzz html_text_fuzz host_pictures_fuzz)
jobs=${FUZZ_JOBS:-$(nproc)}
export CCACHE_BASEDIR="$PWD"

tools/asan-tree.sh
tree=build-asan-fuzz
cmake --build $tree -j "$(nproc)" --target "${targets[@]}"

root=$PWD
failed=0
printf '%-20s %12s %8s %8s %8s  %s\n' target runs cov ft corpus failures
for t in "${targets[@]}"; do
  work=$tree/runs/$t
  findings=$tree/findings/$t
  rm -rf "$work"
  mkdir -p "$work/corpus" "$findings"
  options=()
  [ -f "fuzz/$t.dict" ] && options+=(-dict="$root/fuzz/$t.dict")
  [ -n "${FUZZ_SEED:-}" ] && options+=(-seed="$FUZZ_SEED")
  # New inputs go to the work corpus; the checked-in seeds and regression
  # cases are read, never written.
  (cd "$work" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    "$root/$tree/fuzz/$t" -max_total_time="$seconds" -jobs="$jobs" -workers="$jobs" \
      -rss_limit_mb=2048 -malloc_limit_mb=2048 -timeout=30 -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$root/$findings/" "${options[@]}" corpus "$root/fuzz/corpus/$t" >/dev/null 2>&1) || true
  runs=0 cov=0 ft=0
  for log in "$work"/fuzz-*.log; do
    [ -f "$log" ] || continue
    r=$( (grep -o 'stat::number_of_executed_units: [0-9]*' "$log" || true) | tail -1 | awk '{print $2}')
    runs=$((runs + ${r:-0}))
    c=$( (grep -o 'cov: [0-9]*' "$log" || true) | tail -1 | awk '{print $2}')
    ((${c:-0} > cov)) && cov=$c
    f=$( (grep -o 'ft: [0-9]*' "$log" || true) | tail -1 | awk '{print $2}')
    ((${f:-0} > ft)) && ft=$f
  done
  corpus=$(find "$work/corpus" "fuzz/corpus/$t" -type f | wc -l)
  failures=$( (grep -l -E '^(==[0-9]+==ERROR|SUMMARY: (libFuzzer|AddressSanitizer|UndefinedBehaviorSanitizer|LeakSanitizer))' \
               "$work"/fuzz-*.log 2>/dev/null || true) | wc -l)
  found=$(find "$findings" -type f | wc -l)
  ((failures + found)) && failed=1
  printf '%-20s %12d %8d %8d %8d  %d' "$t" "$runs" "$cov" "$ft" "$corpus" "$failures"
  ((found)) && printf '  (%d inputs in %s)' "$found" "$findings"
  printf '\n'
  if ((failures)); then
    grep -h -m3 -E 'contract broken|ERROR: |SUMMARY' "$work"/fuzz-*.log | sed 's/^/    /' | head -6
  fi
done
exit $failed
