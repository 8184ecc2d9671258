#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/:
settings files of every version (1 to 48, with and without previews) and
the memory-dot flags, the host's descriptor in both its forms, small
pictures of each kind the readers take (ImageMagick makes them), and gallery
text with references. Regression inputs found by fuzzing live beside the
seeds (named crash-*, oom-*, ... or regression-*) and are kept. Run from
anywhere; rerun after the settings-file word table changes."""
import os
import re
import struct
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")

# Ordinary settings as a version-48 file holds them, word 2 onwards, the
# preview blocks left out (where they sit the reader's table says).
SETTINGS = [55255, 44204, 56540, 65535, 65535, 65535, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 33,
            0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 120, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 21, 0, 0, 0,
            0, 0, 0, 0, 0, 0, 0, 0, 0, -1, -1, 20, 0, 1, 1, 256, 0, 0, 63, 0, 500, 30, 1, 0, 0, 0, 1, 3, 0, 0, 0,
            0, 1123024896, 1107558400, 1106247680, 0, 0, 0]


def word_table():
    """(first version, kind) of words 2..98 and the preview blocks, from the reader's table."""
    src = open(os.path.join(ROOT, "shell", "settings_file.cpp")).read()
    table = src[src.index("const SettingsWord kWords[]"):]
    table = table[:table.index("};")]
    return [(int(v), k) for v, k in re.findall(r"\{(\d+), (k\w+),", table)]


def run(*cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, **kw).stdout


def jpeg(size, *extra):
    return run("convert", "-size", size, "gradient:red-blue", *extra, "-strip", "jpg:-")


def put(target, name, data):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def settings_files():
    table = word_table()
    values = iter(SETTINGS)
    words = []   # (since, kind, value)
    for since, kind in table:
        words.append((since, kind, None if kind.endswith("PreviewBlock") else next(values)))
    preview = jpeg("16x16", "-quality", "60")
    for v in range(1, 49):
        out = [v]
        for since, kind, value in words:
            if since > v:
                continue
            if kind == "kUncompressedPreviewBlock":
                # Versions 22 to 29 get an old 4 x 4 preview, the others none.
                out.append(("old", 4) if v < 30 else 0)
                if v == 30:
                    break
            elif kind == "kJPEGPreviewBlock":
                out.append(("jpeg", preview) if v in (40, 48) else 0)
            else:
                out.append(value)
        data = b""
        for w in out:
            if isinstance(w, tuple) and w[0] == "old":
                data += struct.pack(">3i", 1, 0, w[1]) + bytes(range(w[1] * w[1] * 3))
            elif isinstance(w, tuple):
                data += struct.pack(">4i", 1, 16, 16, len(w[1])) + w[1]
            else:
                data += struct.pack(">i", w)
        put("settings_file_fuzz", "version-%02d.q2q" % v, data)


def fourcc(s):
    return struct.unpack(">I", s.encode())[0]


def descriptors():
    text = ("Vers=48\n0001=215.83\n0008=12\nFiky=Fity:Fi01\nFoky=Foty:Fo05\n0011=true\n"
            "GLUE=GLty:GL00\nFgky=Fgty:Fg00\n0034=12.5\n0035=-40.0\n0037=90.0\n0040=1.5\n")
    put("descriptor_fuzz", "text.txt", text.encode())
    put("descriptor_fuzz", "old-version.txt", b"Vers=30\n0008=45\n0012=20\n0014=60\n")
    # The host's own layout: mark, count, then key, type and value per item
    # in this machine's byte order.
    items = [("Vers", "long", struct.pack("=i", 48)), ("0034", "doub", struct.pack("=d", 33.25)),
             ("0011", "bool", b"\x01"), ("Foky", "enum", struct.pack("=II", fourcc("Foty"), fourcc("Fo07"))),
             ("0013", "TEXT", b"\x03abc")]
    data = struct.pack("=II", fourcc("VkDs"), len(items))
    for key, kind, value in items:
        data += struct.pack("=II", fourcc(key), fourcc(kind)) + value
    put("descriptor_fuzz", "handle.bin", data)


def pictures():
    g = ["-size", "13x7", "gradient:red-blue"]
    host = "host_pictures_fuzz"
    put(host, "rgb8.png", run("convert", *g, "-strip", "png24:-"))
    put(host, "grey16-alpha.png", run("convert", *g, "-colorspace", "gray", "-alpha", "set", "-depth", "16", "-strip", "png:-"))
    put(host, "palette.png", run("convert", *g, "-strip", "png8:-"))
    put(host, "interlaced.png", run("convert", *g, "-interlace", "PNG", "-strip", "png24:-"))
    put(host, "rgb.jpg", jpeg("13x7"))
    put(host, "grey-progressive.jpg", jpeg("13x7", "-colorspace", "gray", "-interlace", "JPEG"))
    put(host, "rgb8-lzw.tif", run("convert", *g, "-compress", "lzw", "-strip", "tif:-"))
    put(host, "grey16.tif", run("convert", *g, "-colorspace", "gray", "-depth", "16", "-strip", "tif:-"))
    put(host, "float-zip.tif", run("convert", *g, "-define", "quantum:format=floating-point", "-depth", "32",
                                   "-compress", "zip", "-strip", "tif:-"))
    put(host, "tiled-alpha.tif", run("convert", *g, "-alpha", "set", "-define", "tiff:tile-geometry=16x16",
                                     "-strip", "tif:-"))
    put(host, "big-endian.tif", run("convert", *g, "-endian", "MSB", "-strip", "tif:-"))
    floats = b"".join(struct.pack("<f", (x + y) / 10.0) for y in range(3) for x in range(5 * 3))
    put(host, "rgb.pfm", b"PF\n5 3\n-1.0\n" + floats)
    put(host, "grey.pfm", b"Pf\n5 3\n-1.0\n" + floats[: 5 * 3 * 4])
    plugin = "plugin_jpeg_fuzz"
    put(plugin, "rgb.jpg", jpeg("20x12"))
    put(plugin, "grey.jpg", jpeg("20x12", "-colorspace", "gray"))
    put(plugin, "progressive.jpg", jpeg("20x12", "-interlace", "JPEG"))
    put(plugin, "subsampled-restart.jpg", jpeg("33x17", "-sampling-factor", "2x2", "-define", "jpeg:restart-interval=1"))
    put(plugin, "arithmetic.jpg", run("cjpeg", "-arithmetic", input=run("convert", *g, "ppm:-")))


def metadata():
    # Keywords, a zero byte, then the profile (a real one's header and tags).
    icc = run("convert", "-size", "1x1", "xc:red", "-profile", "/usr/share/color/icc/sRGB.icc", "icc:-") \
        if os.path.exists("/usr/share/color/icc/sRGB.icc") else bytes(range(256)) * 4
    put("jpeg_metadata_fuzz", "keywords-profile.bin", b"panorama\nMercator\nworld map\nPAN\n\x00" + icc[:3000])
    put("jpeg_metadata_fuzz", "keywords.bin", b"3D\ntexturemap\nobj\nsphere\nlego")
    put("jpeg_metadata_fuzz", "profile-only.bin", b"\x00" + bytes(range(256)) * 2)


def memdot_map():
    # The flags of the memory-dot map (the settings target reads them too).
    put("settings_file_fuzz", "memdot-flags.bin", struct.pack(">25i", *([1, 0] * 12 + [1])))


def html_texts():
    put("html_text_fuzz", "named.txt", "caf&eacute; &lt;b&gt; &amp;lt; &quot;Fish&quot; &euro;5 &nosuch; a&b".encode())
    put("html_text_fuzz", "numbers.txt",
        b"&#x1F600;&#X1f600;&#128512; &#65534;&#65535;&#65536; &#1114111;&#1114112; &#xD83D; &#0; &#12a; &#x; &;")
    put("html_text_fuzz", "utf8-and-mac.txt", "Photos & \"Maps\" <\u00e9t\u00e9> \u0101 \U0001F600 ".encode() + b"\x8e\xa0\xdb:/\\.png")


if __name__ == "__main__":
    memdot_map()
    html_texts()
    metadata()
    settings_files()
    descriptors()
    pictures()
    sys.exit(0)
