#!/usr/bin/env bash
# What the test command costs on a fresh machine: clones the repository's
# committed HEAD into a new folder (no build trees, no cache of ours), runs
# tools/test.sh there under /usr/bin/time, and prints its wall time, its
# processor time (user and system, every process) and its peak memory, then
# the ten slowest tests of the sanitizer trees as ctest timed them.
#
#   bench/test-cost.sh [CORES]
#
# CORES, when given, pins the whole run to that many processors
# (taskset -c 0..CORES-1), as on a smaller CI machine: the test command
# then also builds and runs that many jobs at a time. ccache is switched
# off, so a second run costs what the first did.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cores=${1:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/vornesk-test-cost.XXXXXX")
trap 'rm -rf "$work"' EXIT
git clone -q "$here" "$work/clone"

pin=()
if [ -n "$cores" ]; then
  pin=(taskset -c "0-$((cores - 1))")
fi
echo "fresh clone of $(git -C "$here" rev-parse --short HEAD) in $work/clone${cores:+, pinned to $cores cores}"
status=0
CCACHE_DISABLE=1 "${pin[@]}" /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
  "$work/clone/tools/test.sh" >"$work/log" 2>&1 || status=$?
# The figures are the last line: a failed run has "Command exited with
# non-zero status N" above them.
read -r wall user sys peak < <(tail -n 1 "$work/time")
if ((status)); then
  echo "tools/test.sh failed (exit $status); its last lines:"
  tail -20 "$work/log"
fi
awk -v w="$wall" -v u="$user" -v s="$sys" -v m="$peak" 'BEGIN {
  printf "wall %d min %02d s, processor %d s (%.1f min: user %d s, system %d s), peak %d MB\n",
         w / 60, w % 60, u + s, (u + s) / 60, u, s, m / 1024 }'
echo "ten slowest tests (seconds, tree):"
for tree in build-tsan build-asan-fuzz; do
  costs="$work/clone/$tree/Testing/Temporary/CTestCostData.txt"
  [ -f "$costs" ] || continue
  awk -v tree="$tree" 'NF == 3 { printf "%10.1f  %s  %s\n", $3, tree, $1 }' "$costs"
done | sort -rn | head -10
exit "$status"
