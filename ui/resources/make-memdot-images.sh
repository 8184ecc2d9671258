#!/usr/bin/env bash
# Draws the five memory-dot images (32 x 32, transparent outside the mark):
# empty ring; blue or orange (current) disc for a persistent dot, square for
# a temporary one. Run by hand from this folder; the PNGs are checked in.
set -euo pipefail
convert -size 32x32 xc:none -fill none -stroke '#8a8a8a' -strokewidth 3 -draw 'circle 16,16 16,4' memdot-clear-circle.png
convert -size 32x32 xc:none -fill '#2f6fd6' -stroke '#1d4a94' -strokewidth 2 -draw 'circle 16,16 16,3' memdot-blue-circle.png
convert -size 32x32 xc:none -fill '#2f6fd6' -stroke '#1d4a94' -strokewidth 2 -draw 'rectangle 4,4 27,27' memdot-blue-square.png
convert -size 32x32 xc:none -fill '#f08a1c' -stroke '#a85a0a' -strokewidth 2 -draw 'circle 16,16 16,3' memdot-orange-circle.png
convert -size 32x32 xc:none -fill '#f08a1c' -stroke '#a85a0a' -strokewidth 2 -draw 'rectangle 4,4 27,27' memdot-orange-square.png
