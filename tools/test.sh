#!/usr/bin/env bash
# Builds and runs every test: the threaded engine tests under ThreadSanitizer,
# the whole suite under AddressSanitizer and UndefinedBehaviorSanitizer (its
# longest test starting first, beside the rest), then each fuzz target
# briefly on its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)
export CCACHE_BASEDIR="$PWD"
# The test programs are compiled against precompiled headers.
export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:+$CCACHE_SLOPPINESS,}pch_defines,time_macros,include_file_mtime,include_file_ctime"

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, and
# the fuzz targets, build in one clang tree (tools/asan-tree.sh): the product
# compiles once for both. The thread sanitizer's tree below compiles with
# gcc, so both compilers build the code.
tools/asan-tree.sh
# The output modes gallery runs longest of all the tests (every mode's
# thumbnail through the host, some five minutes under the sanitizers), one
# process on one processor: it starts as soon as its programs are built and
# runs beside the rest of the build and the other tests, instead of last.
gallery='^GalleryCommandLine\.OutputModesPageNamesTheThumbnailsItWrote$'
cmake --build build-asan-fuzz -j "$jobs" --target test_shell vornesk vornesk_plugin
# ctest starts the tests it knows to take longest first, from the times it
# keeps of the tree's last run: a fresh tree takes them from
# tests/test-costs.txt (each suite's process, and the tests that take long
# enough to run alone), so that no long test is left to run alone at the end.
costs=build-asan-fuzz/Testing/Temporary/CTestCostData.txt
if [ ! -f "$costs" ]; then
  mkdir -p "$(dirname "$costs")"
  cp tests/test-costs.txt "$costs"
fi
gallery_log=build-asan-fuzz/gallery-test.log
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan-fuzz --output-on-failure -R "$gallery" >"$gallery_log" 2>&1 &
gallery_pid=$!
trap 'kill "$gallery_pid" 2>/dev/null || true' EXIT

# Test suites whose names start with "Engine" exercise threads: they also run
# under ThreadSanitizer, parameterised ones too ("AllDocuments/EnginePluginRun.*"):
# that tree compiles only the test files that define them.
# The sanitizer trees keep line tables only (-g1): their reports still name
# file and line, and the trees compile in two thirds of the time; their
# libraries compile against precompiled standard headers (VORNESK_PCH), and
# the libraries', the host's and the tests' files in batches (VORNESK_UNITY:
# half the compile).
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DVORNESK_SANITIZE=thread -DVORNESK_BENCH=OFF -DVORNESK_TEST_CXX_FLAGS=-Og \
  -DVORNESK_TEST_SUITES=Engine -DVORNESK_PCH=ON -DVORNESK_UNITY=ON >/dev/null
tsan_targets=()
for target in test_engine test_shell test_platform test_pyramid test_projections test_render; do
  if cmake --build build-tsan --target help | grep -q "^$target:"; then tsan_targets+=("$target"); fi
done
if ((${#tsan_targets[@]})); then
  cmake --build build-tsan -j "$jobs" --target "${tsan_targets[@]}"
  TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan -j "$jobs" --output-on-failure -R '(^|/)Engine'
fi

# The rest of the sanitizer tree, then its tests.
fuzz_targets=(settings_file_fuzz descriptor_fuzz plugin_jpeg_fuzz jpeg_metadata_fuzz html_text_fuzz host_pictures_fuzz)
cmake --build build-asan-fuzz -j "$jobs" --target vornesk_tests "${fuzz_targets[@]}"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan-fuzz -j "$jobs" --output-on-failure -E "$gallery"
if ! wait "$gallery_pid"; then
  cat "$gallery_log"
  exit 1
fi
trap - EXIT
cat "$gallery_log"

# Each fuzz target (fuzz/) for a few seconds from its corpus, the inputs of
# every fault found so far among it: a reader that regresses fails here. The
# seed is fixed, so the run tries the same inputs each time.
FUZZ_JOBS=1 FUZZ_SEED=1 tools/fuzz.sh 5 "${fuzz_targets[@]}"
