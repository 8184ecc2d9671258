#!/usr/bin/env bash
# Whole-process speed and peak memory of the vornesk host against the tools a
# user would pick instead, on the same files, runs taken in turn:
#   v360:      W x H equirectangular PNG to W/2 x H/2 rectilinear PNG, 100
#              degrees high; ffmpeg's v360 filter, linear interpolation.
#   mollweide: W x H equirectangular TIFF to W/2 x H/2 Mollweide TIFF;
#              gdalwarp, bilinear, all threads.
#   cube:      a 6W/8 x W/8 strip of six cube faces (PNG, ffmpeg's c6x1) to
#              W/2 x H/2 equirectangular PNG; v360, linear interpolation.
#   strip:     W x H equirectangular PNG to a 6W/8 x W/8 strip of six cube
#              faces (our output mode 337, v360's c6x1); v360, linear.
#   fisheye:   a 180-degree circular fisheye of H x H (PNG, made by v360
#              from the equirectangular picture) to W/2 x H/2
#              equirectangular PNG (our input mode 8, v360's fisheye with
#              ih_fov=180:iv_fov=180); v360, linear.
# The two tools agree on these layouts' orientation: their results are
# 33 dB apart in PSNR (strip, and fisheye over the hemisphere it shows;
# measured at 2048 x 1024).
# Prints the median wall time, processor time (user and system, all
# threads: what one job per core gets through) and peak resident memory of
# each side and the ratios ours / peer. Installs ffmpeg and gdal-bin from Debian when missing
# (this benchmark only needs them; CI does not).
# Usage: bench/peers.sh [BUILD_DIR]   (default: build)
# Environment: RUNS (default 5), WIDTH (default 8192; the height is half),
# JOBS (default "v360 mollweide cube strip fisheye").
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${RUNS:-5}
width=${WIDTH:-8192}
height=$((width / 2))
ow=$((width / 2)) oh=$((height / 2))
here=$(cd "$(dirname "$0")/.." && pwd)

missing=()
command -v ffmpeg >/dev/null || missing+=(ffmpeg)
command -v gdalwarp >/dev/null || missing+=(gdal-bin)
if ((${#missing[@]})); then
  echo "installing ${missing[*]} for the comparison" >&2
  apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
[[ -x /usr/bin/time ]] || { echo "peers.sh needs /usr/bin/time (Debian package time)" >&2; exit 1; }
[[ -x "$build/vornesk" ]] || { echo "no $build/vornesk: build the host first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Inputs from the bundled picture: PNG for the v360 job, 8-bit RGB TIFF for the
# Mollweide job, and its copy with the equirectangular georeferencing gdalwarp
# needs (the same pixels; only the tags differ).
convert "$here/samples/earth-2048x1024.jpg" -resize "${width}x${height}!" -depth 8 -type TrueColor \
  "$work/in.png"
convert "$work/in.png" -depth 8 -compress None "$work/in.tif"
gdal_translate -q -a_srs EPSG:4326 -a_ullr -180 90 180 -90 "$work/in.tif" "$work/geo.tif"
face=$((width / 8))
convert "$here/samples/earth-2048x1024.jpg" -resize "$((6 * face))x${face}!" -depth 8 -type TrueColor "$work/cube.png"
ffmpeg -loglevel error -y -i "$work/in.png" -vf "v360=input=e:output=fisheye:h_fov=180:v_fov=180:w=$height:h=$height" \
  -pix_fmt rgb24 "$work/fisheye.png"

# --fov is the field across the picture's height: the same view for v360 has
# a vertical field of 100 degrees and the horizontal field of that aspect.
hfov=$(awk -v w="$ow" -v h="$oh" 'BEGIN { pi = atan2(0, -1); t = sin(50 * pi / 180) / cos(50 * pi / 180);
  printf "%.6f", 2 * atan2(t * w / h, 1) * 180 / pi }')

export VORNESK_SUPPORT_DIR="$work"
ours_v360=("$build/vornesk" "$work/in.png" -o "$work/ours.png" --quiet --input-mode equirectangular
           --output-mode rectilinear --fov 100 --size "${ow}x${oh}")
peer_v360=(ffmpeg -loglevel error -y -i "$work/in.png"
           -vf "v360=input=e:output=flat:interp=linear:h_fov=$hfov:v_fov=100:w=$ow:h=$oh" "$work/peer.png")
ours_moll=("$build/vornesk" "$work/in.tif" -o "$work/ours.tif" --quiet --input-mode equirectangular
           --output-mode Mollweide --size "${ow}x${oh}")
peer_moll=(gdalwarp -q -overwrite -t_srs "+proj=moll +lon_0=0 +datum=WGS84" -ts "$ow" "$oh" -r bilinear
           -multi -wo NUM_THREADS=ALL_CPUS "$work/geo.tif" "$work/peer.tif")
ours_cube=("$build/vornesk" "$work/cube.png" -o "$work/ours.png" --quiet --input-mode 33
           --output-mode equirectangular --size "${ow}x${oh}")
peer_cube=(ffmpeg -loglevel error -y -i "$work/cube.png" -vf "v360=input=c6x1:output=e:interp=linear:w=$ow:h=$oh"
           "$work/peer.png")
ours_strip=("$build/vornesk" "$work/in.png" -o "$work/ours.png" --quiet --input-mode equirectangular --output-mode 337
            --size "$((6 * face))x${face}")
peer_strip=(ffmpeg -loglevel error -y -i "$work/in.png"
            -vf "v360=input=e:output=c6x1:interp=linear:w=$((6 * face)):h=$face" "$work/peer.png")
ours_fisheye=("$build/vornesk" "$work/fisheye.png" -o "$work/ours.png" --quiet --input-mode 8
              --output-mode equirectangular --size "${ow}x${oh}")
peer_fisheye=(ffmpeg -loglevel error -y -i "$work/fisheye.png"
              -vf "v360=input=fisheye:ih_fov=180:iv_fov=180:output=e:interp=linear:w=$ow:h=$oh" "$work/peer.png")

# One run: "seconds kilobytes cpu-seconds" on stdout.
measure() {
  /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >/dev/null || { echo "failed: $*" >&2; exit 1; }
  awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs ours and the peer in turn, RUNS times, and prints one line.
compare() {
  local name=$1
  local -n ours=$2 peer=$3
  : >"$work/ours.t"; : >"$work/peer.t"
  for ((i = 0; i < runs; ++i)); do
    measure "${ours[@]}" >>"$work/ours.t"
    measure "${peer[@]}" >>"$work/peer.t"
  done
  local ot pt om pm oc pc
  ot=$(cut -d' ' -f1 "$work/ours.t" | median); pt=$(cut -d' ' -f1 "$work/peer.t" | median)
  om=$(cut -d' ' -f2 "$work/ours.t" | median); pm=$(cut -d' ' -f2 "$work/peer.t" | median)
  oc=$(cut -d' ' -f3 "$work/ours.t" | median); pc=$(cut -d' ' -f3 "$work/peer.t" | median)
  awk -v n="$name" -v ot="$ot" -v pt="$pt" -v om="$om" -v pm="$pm" -v oc="$oc" -v pc="$pc" 'BEGIN {
    printf "%-10s %7.2f s %7.2f s %6.2f   %7.2f s %7.2f s %6.2f   %6.0f MiB %6.0f MiB %6.2f\n", n, ot, pt,
      (pt > 0 ? ot / pt : 0), oc, pc, (pc > 0 ? oc / pc : 0), om / 1024, pm / 1024, (pm > 0 ? om / pm : 0) }'
}

echo "${width} x ${height} to ${ow} x ${oh}, median of $runs runs in turn, $(nproc) processors, load $(cut -d' ' -f1 /proc/loadavg)"
printf "%-10s %9s %9s %6s   %9s %9s %6s   %10s %10s %6s\n" job "ours wall" "peer wall" ratio "ours CPU" "peer CPU" \
  ratio "ours peak" "peer peak" ratio
for job in ${JOBS:-v360 mollweide cube strip fisheye}; do
  case $job in
    mollweide) compare mollweide ours_moll peer_moll ;;
    *) compare "$job" "ours_$job" "peer_$job" ;;
  esac
done
