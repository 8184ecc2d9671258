#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the host need.
# Quiet and quick when everything is already there.
set -euo pipefail
pkgs=(cmake ninja-build g++ ccache pkg-config libjpeg-dev libpng-dev libtiff-dev libtiff-tools
      libdeflate-dev       googletest libgtest-dev libgmock-dev libbenchmark-dev
      libjpeg-turbo-progs libimage-exiftool-perl imagemagick ffmpeg python3
      python3-psd-tools python3-numpy
      qt6-base-dev fonts-dejavu-core xvfb libxtst-dev
      admesh qhull-bin libqhull-dev python3-shapely python3-ezdxf libproj-dev proj-bin time
      clang libclang-rt-dev w3c-sgml-lib tidy)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "installing: ${missing[*]}" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
