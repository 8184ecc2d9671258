#!/usr/bin/env bash
# Configures build-asan-fuzz/: clang with AddressSanitizer and
# UndefinedBehaviorSanitizer, the product's readers instrumented for
# libFuzzer's coverage (the render and the solids with its edge counters
# only, which slow them little). The test command runs the whole suite from it and
# tools/fuzz.sh builds its targets there, so the product compiles once for
# both. Line tables only (reports still name file and line); the test files
# at -Og and without the fuzzer's coverage; the sources compiled in batches
# of files that cannot see each other's file-local names (VORNESK_UNITY).
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="$PWD"
CC=clang CXX=clang++ cmake -S . -B build-asan-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DCMAKE_C_FLAGS_DEBUG="-O1 -gline-tables-only" \
  -DVORNESK_SANITIZE=address,undefined -DVORNESK_FUZZ=ON -DVORNESK_BENCH=OFF -DVORNESK_TEST_CXX_FLAGS=-Og -DVORNESK_PCH=ON -DVORNESK_UNITY=ON >/dev/null
