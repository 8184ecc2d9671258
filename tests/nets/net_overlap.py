#!/usr/bin/python3
# Reads a net dump (one net face a line: "face x0 y0 x1 y1 ...") and prints
# each pair of faces whose interiors overlap by more than 1e-5 of the smaller
# face's area, as "overlap a b area"; then "checked n". Pairs are found
# through shapely's tree of the faces' boxes.
import sys
import warnings
from shapely.geometry import Polygon
from shapely.strtree import STRtree

faces = []
for line in open(sys.argv[1]):
    v = line.split()
    if not v:
        continue
    pts = [(float(v[i]), float(v[i + 1])) for i in range(1, len(v), 2)]
    faces.append((int(v[0]), Polygon(pts).buffer(0)))
polys = [p for _, p in faces]
with warnings.catch_warnings():
    warnings.simplefilter("ignore")
    tree = STRtree(polys)
index = {id(p): i for i, p in enumerate(polys)}
for i, (a, pa) in enumerate(faces):
    for hit in tree.query(pa):
        # shapely 2 answers indices, shapely 1.8 the geometries themselves
        j = int(hit) if not hasattr(hit, "geom_type") else index[id(hit)]
        if j <= i:
            continue
        b, pb = faces[j]
        area = pa.intersection(pb).area
        if area > 1e-5 * min(pa.area, pb.area):
            print("overlap", a, b, area)
print("checked", len(faces))
