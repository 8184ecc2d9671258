#!/usr/bin/env bash
# Builds and runs every test: the threaded engine tests under ThreadSanitizer,
# then the whole suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# then each fuzz target briefly on its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)
export CCACHE_BASEDIR="$PWD"

# Test suites whose names start with "Engine" exercise threads: they also run
# under ThreadSanitizer, parameterised ones too ("AllDocuments/EnginePluginRun.*").
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DVORNESK_SANITIZE=thread -DVORNESK_BENCH=OFF >/dev/null
tsan_targets=()
for target in test_engine test_shell test_platform test_pyramid test_projections test_render; do
  if cmake --build build-tsan --target help | grep -q "^$target:"; then tsan_targets+=("$target"); fi
done
if ((${#tsan_targets[@]})); then
  cmake --build build-tsan -j "$jobs" --target "${tsan_targets[@]}"
  TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -j "$jobs" --output-on-failure -R '(^|/)Engine'
fi

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DVORNESK_SANITIZE=address,undefined >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan -j "$jobs" --output-on-failure

# Each fuzz target (fuzz/) for a few seconds from its corpus, the inputs of
# every fault found so far among it: a reader that regresses fails here. The
# seed is fixed, so the run tries the same inputs each time.
FUZZ_JOBS=1 FUZZ_SEED=1 tools/fuzz.sh 5
