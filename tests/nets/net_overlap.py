#!/usr/bin/python3
# Reads a net dump (one net face a line: "face x0 y0 x1 y1 ...") and prints
# each pair of faces whose interiors overlap by more than 1e-5 of the smaller
# face's area, as "overlap a b area"; then "checked n".
import sys
from shapely.geometry import Polygon

faces = []
for line in open(sys.argv[1]):
    v = line.split()
    if not v:
        continue
    pts = [(float(v[i]), float(v[i + 1])) for i in range(1, len(v), 2)]
    faces.append((int(v[0]), Polygon(pts)))
for i in range(len(faces)):
    a, pa = faces[i]
    ba = pa.bounds
    for j in range(i + 1, len(faces)):
        b, pb = faces[j]
        bb = pb.bounds
        if ba[0] > bb[2] or bb[0] > ba[2] or ba[1] > bb[3] or bb[1] > ba[3]:
            continue
        area = pa.buffer(0).intersection(pb.buffer(0)).area
        if area > 1e-5 * min(pa.area, pb.area):
            print("overlap", a, b, area)
print("checked", len(faces))
