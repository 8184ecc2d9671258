#!/usr/bin/env bash
# Where the processor time of the host's five benchmark jobs goes, phase by
# phase (decode, resize, load, level0, mipmap, cube faces, render, encode),
# in CPU seconds of all threads: the median of RUNS runs of each phase, as
# the host notes them with VORNESK_PHASE_TIMES set ("total" is the whole
# process; "peak_MiB" its peak resident memory), and below each job the
# peak resident memory so far at the end of each phase, which shows the
# phase that sets the peak. CPU seconds are what one-job-per-core throughput depends on, and
# what a loaded machine disturbs least.
#   v360:      W x H equirectangular PNG to W/2 x H/2 rectilinear PNG
#   mollweide: W x H equirectangular TIFF to W/2 x H/2 Mollweide TIFF
#   cube:      a 6W/8 x W/8 strip of six cube faces (PNG) to W/2 x H/2
#              equirectangular PNG
#   strip:     W x H equirectangular PNG to a 6W/8 x W/8 cube strip PNG
#   fisheye:   an H x H 180-degree circular fisheye PNG (made by ffmpeg's
#              v360) to W/2 x H/2 equirectangular PNG
# Usage: bench/phases.sh [BUILD_DIR]   (default: build)
# Environment: RUNS (default 5), WIDTH (default 8192; the height is half),
# JOBS (default "v360 mollweide cube strip fisheye").
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${RUNS:-5}
width=${WIDTH:-8192}
height=$((width / 2))
ow=$((width / 2)) oh=$((height / 2))
face=$((width / 8))
here=$(cd "$(dirname "$0")/.." && pwd)
[[ -x "$build/vornesk" ]] || { echo "no $build/vornesk: build the host first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "phases.sh needs ffmpeg (the fisheye job's picture)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert "$here/samples/earth-2048x1024.jpg" -resize "${width}x${height}!" -depth 8 -type TrueColor "$work/in.png"
convert "$work/in.png" -depth 8 -compress None "$work/in.tif"
convert "$here/samples/earth-2048x1024.jpg" -resize "$((6 * face))x${face}!" -depth 8 -type TrueColor "$work/cube.png"
ffmpeg -loglevel error -y -i "$work/in.png" -vf "v360=input=e:output=fisheye:h_fov=180:v_fov=180:w=$height:h=$height" \
  -pix_fmt rgb24 "$work/fisheye.png"

export VORNESK_SUPPORT_DIR="$work" VORNESK_PHASE_TIMES=1
v360=("$work/in.png" -o "$work/out.png" --input-mode equirectangular --output-mode rectilinear --fov 100
      --size "${ow}x${oh}")
mollweide=("$work/in.tif" -o "$work/out.tif" --input-mode equirectangular --output-mode Mollweide --size "${ow}x${oh}")
cube=("$work/cube.png" -o "$work/out.png" --input-mode 33 --output-mode equirectangular --size "${ow}x${oh}")
strip=("$work/in.png" -o "$work/out.png" --input-mode equirectangular --output-mode 337 --size "$((6 * face))x${face}")
fisheye=("$work/fisheye.png" -o "$work/out.png" --input-mode 8 --output-mode equirectangular --size "${ow}x${oh}")

echo "CPU seconds (all threads) by phase, median of $runs runs, $(nproc) processors, load $(cut -d' ' -f1 /proc/loadavg)"
for job in ${JOBS:-v360 mollweide cube strip fisheye}; do
  declare -n args=$job
  : >"$work/phases"
  : >"$work/peaks"
  for ((i = 0; i < runs; ++i)); do
    # Each line "phase NAME CPU WALL PEAK" holds running totals: differences
    # give the phase; PEAK is the peak resident memory so far, in KiB.
    "$build/vornesk" "${args[@]}" --quiet 2>&1 >/dev/null |
      awk -v run="$i" -v peaks="$work/peaks" '$1 == "phase" { name = $2; for (k = 3; k < NF - 2; ++k) name = name "_" $k
        cpu = $(NF - 2); wall = $(NF - 1); peak = $NF
        if (n++) printf "%s %d %.4f %.4f %d\n", name, run, cpu - lastcpu, wall - lastwall, n
        else printf "%s %d %.4f 0 %d\n", name, run, cpu, n
        printf "%s %d %.4f 0 %d\n", name, run, peak / 1024, n >>peaks
        lastcpu = cpu; lastwall = wall }
        END { printf "total %d %.4f %.4f 99\npeak_MiB %d %.0f 0 100\n", run, lastcpu, 0, run, peak / 1024 }' >>"$work/phases"
  done
  # One line of medians: NAME VALUE for each phase in the order they ran.
  medians() {
    sort -k5,5n -k1,1 -s "$1" | awk '{ print $5, $1 }' | uniq | while read -r _ name; do
      value=$(awk -v n="$name" '$1 == n { print $3 }' "$1" | sort -g |
              awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
      printf " %s $2" "$name" "$value"
    done
  }
  printf "%-10s%s\n" "$job" "$(medians "$work/phases" %.3f)"
  # Which phase takes the peak: the peak so far at the end of each.
  printf "%-10s%s\n" "  peak MiB" "$(medians "$work/peaks" %.0f)"
done
