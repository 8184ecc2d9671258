#!/usr/bin/python3
# Reads a PSD file with psd-tools and reports what it found, one fact a line;
# the channel data of every layer and of the merged image go, decompressed
# and as stored (big-endian), into files in the output folder:
#   layer<i>_<channel id>.raw, merged_<plane>.raw
# Any warning psd-tools gives is reported as a "warning" line.
import logging
import sys
import warnings

from psd_tools import PSDImage

found = []


class Collect(logging.Handler):
    def emit(self, record):
        found.append(record.getMessage())


logging.getLogger().addHandler(Collect(level=logging.WARNING))
warnings.simplefilter("always")


def main(path, out):
    with warnings.catch_warnings(record=True) as caught:
        psd = PSDImage.open(path)
        header = psd._record.header
        print("size", psd.width, psd.height)
        print("depth", psd.depth)
        print("channels", header.channels)
        print("mode", int(header.color_mode))
        layers = list(psd)
        print("layers", len(layers))
        for i, layer in enumerate(layers):
            rec = layer._record
            ids = [int(c.id) for c in rec.channel_info]
            print("layer", i, "name", layer.name)
            print("layer", i, "opacity", layer.opacity)
            print("layer", i, "blend", rec.blend_mode.value.decode() if hasattr(rec.blend_mode.value, "decode")
                  else rec.blend_mode.value)
            print("layer", i, "bbox", layer.left, layer.top, layer.right, layer.bottom)
            print("layer", i, "channels", " ".join(str(c) for c in ids))
            for info, data in zip(rec.channel_info, layer._channels):
                raw = data.get_data(layer.width, layer.height, psd.depth, psd._record.header.version)
                with open("%s/layer%d_%d.raw" % (out, i, int(info.id)), "wb") as f:
                    f.write(raw)
        for j, plane in enumerate(psd._record.image_data.get_data(header)):
            with open("%s/merged_%d.raw" % (out, j), "wb") as f:
                f.write(plane)
        for r in psd.image_resources.values():
            print("resource", int(r.key) if hasattr(r.key, "__int__") else r.key)
    for w in caught:
        found.append(str(w.message))
    for message in found:
        print("warning", message)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
