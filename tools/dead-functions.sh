#!/usr/bin/env bash
# Lists the functions nothing in the product reaches: every library is
# compiled at -O0 with a section per function and linked whole into the
# plug-in (root PluginMain), the command-line host (main) and each table
# generator with --gc-sections; a function is dead when every link removes
# it. So a function only the tests call is listed too. Writes OUT/dead.tsv
# (library, source file, plain|inline, name, mangled name: our own
# functions, without the library templates only dead code instantiates) and
# prints the count per library. For a person clearing dead code; CI does not
# run it.
# Usage: tools/dead-functions.sh [OUT]   (default /tmp/vornesk-dead; JOBS
# sets the build's parallelism)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-/tmp/vornesk-dead}" && cd "${1:-/tmp/vornesk-dead}" && pwd)
bld=$out/build
export CCACHE_BASEDIR=$src
flags="-O0 -g0 -ffunction-sections -fdata-sections"
cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="$flags" \
  -DCMAKE_C_FLAGS_DEBUG="$flags" -DVORNESK_TESTS=OFF -DVORNESK_BENCH=OFF >/dev/null
cmake --build "$bld" -j"${JOBS:-$(nproc)}" >"$out/build.log" 2>&1 || { tail -30 "$out/build.log"; exit 1; }
cd "$bld"
archives=()
for f in platform appkit common records host_access engine polyhedra nets solids pyramid projections render files shell ui entry; do
  archives+=("$bld/libvk_$f.a")
done
hostlib=$(find . -name libvornesk_host.a | head -1)
read -r -a qt <<<"$(pkg-config --libs Qt6Widgets)"
sys=(-ljpeg -lpng -lz -ltiff -ldeflate -lqhull_r -lpthread -ldl -lm "${qt[@]}")
gc=(-Wl,--gc-sections -Wl,--print-gc-sections)
rm -f "$out"/gc-*.txt
g++ -shared -o "$out/plugin.so" "${gc[@]}" -Wl,--undefined=PluginMain \
  -Wl,--version-script="$src/platform/host/plugin_exports.map" \
  -Wl,--whole-archive "${archives[@]}" -Wl,--no-whole-archive "${sys[@]}" 2>"$out/gc-plugin.txt"
main=$(find . -path '*vornesk.dir*main.cpp.o' | head -1)
g++ -o "$out/host" "${gc[@]}" "$main" -Wl,--whole-archive "$hostlib" "${archives[@]}" -Wl,--no-whole-archive \
  "${sys[@]}" 2>"$out/gc-host.txt"
for o in $(find tools -name 'gen_*.cpp.o'); do
  n=$(basename "$o" .cpp.o)
  g++ -o "$out/$n" "${gc[@]}" "$o" -Wl,--whole-archive "${archives[@]}" -Wl,--no-whole-archive "${sys[@]}" \
    2>"$out/gc-$n.txt"
done
python3 "$src/tools/dead_functions.py" "$out" "$bld" "$src"
