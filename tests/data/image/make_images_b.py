#!/usr/bin/python3
"""Makes the JPEG, GIF, TIFF and JPEG 2000 test pictures of the image library, their reference
pixels and the malformed files beside them.

Run once from anywhere with Debian's python3-pil, imagemagick and libopenjp2-tools installed;
the results are committed, so the tests never need these tools:
    /usr/bin/python3 tests/data/image/make_images_b.py

References: JPEG and TIFF pictures are compared at test time with what libjpeg and libtiff
decode themselves; GIF pictures with ImageMagick's raw RGBA output (<name>.rgba, all frames
coalesced, one after another); JPEG 2000 files are lossless, so their reference is the PNM or
PAM source they were made from (<name>.ppm, .pgm, .pam).
"""
import io
import os
import random
import struct
import subprocess

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
MAL = os.path.join(HERE, "malformed")
FUZZ = os.path.join(HERE, "..", "..", "..", "fuzz", "corpus")


def path(name):
    return os.path.join(HERE, name)


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


def photo(w, h, seed=1):
    """A smooth picture with some edges, so that every codec has real work to do."""
    rnd = random.Random(seed)
    im = Image.new("RGB", (w, h))
    px = im.load()
    for y in range(h):
        for x in range(w):
            r = (x * 255) // max(1, w - 1)
            g = (y * 255) // max(1, h - 1)
            b = ((x + y) * 7 + (40 if (x // 8 + y // 8) % 2 else 0)) & 0xFF
            px[x, y] = (r, g, (b + rnd.randrange(8)) & 0xFF)
    return im


# ---------------------------------------------------------------------------------------------
# JPEG

def jpeg_segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def insert_after_soi(jpeg, segments):
    assert jpeg[:2] == b"\xff\xd8"
    return jpeg[:2] + b"".join(segments) + jpeg[2:]


def strip_app0(jpeg):
    """Removes the JFIF header so that only the EXIF block gives the resolution."""
    if jpeg[2:4] == b"\xff\xe0":
        n = struct.unpack(">H", jpeg[4:6])[0]
        return jpeg[:2] + jpeg[4 + n:]
    return jpeg


class Tiff:
    """A minimal TIFF-structure writer for EXIF blocks (offsets relative to the TIFF header)."""

    SIZES = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 7: 1, 9: 4, 10: 8}

    def __init__(self, order):
        self.e = "<" if order == "II" else ">"
        self.order = order

    def val(self, typ, values):
        e = self.e
        if typ in (2, 7):
            return values
        if typ == 3:
            return b"".join(struct.pack(e + "H", v) for v in values)
        if typ == 4:
            return b"".join(struct.pack(e + "I", v) for v in values)
        if typ == 9:
            return b"".join(struct.pack(e + "i", v) for v in values)
        if typ == 5:
            return b"".join(struct.pack(e + "II", n, d) for n, d in values)
        if typ == 10:
            return b"".join(struct.pack(e + "ii", n, d) for n, d in values)
        raise ValueError(typ)

    def build(self, ifds):
        """ifds: list of directories; each a list of (tag, type, count, value bytes or
        ('ifd', index) for a sub-directory pointer). Directory 0 links to directory 1 when
        'link' is in the directory's options. Returns the TIFF bytes."""
        e = self.e
        # Lay out: header (8), then each directory followed by its out-of-line values.
        offsets = []
        pos = 8
        for entries, opts in ifds:
            offsets.append(pos)
            size = 2 + 12 * len(entries) + 4
            extra = sum(len(v) + (len(v) & 1) for _, _, _, v in entries
                        if not isinstance(v, tuple) and len(v) > 4)
            pos += size + extra
        out = bytearray(b"II" if self.order == "II" else b"MM")
        out += struct.pack(e + "HI", 42, 8)
        for i, (entries, opts) in enumerate(ifds):
            start = offsets[i]
            assert len(out) == start
            data_pos = start + 2 + 12 * len(entries) + 4
            body = bytearray(struct.pack(e + "H", len(entries)))
            blob = bytearray()
            for tag, typ, count, v in entries:
                if isinstance(v, tuple):
                    v = struct.pack(e + "I", offsets[v[1]])
                if len(v) > 4:
                    body += struct.pack(e + "HHII", tag, typ, count, data_pos + len(blob))
                    blob += v + (b"\0" if len(v) & 1 else b"")
                else:
                    body += struct.pack(e + "HHI", tag, typ, count) + v.ljust(4, b"\0")
            nxt = offsets[opts["link"]] if "link" in opts else 0
            body += struct.pack(e + "I", nxt)
            out += body + blob
        return bytes(out)


def exif_block(order, orientation, xres, unit, with_thumb=True, extra=()):
    t = Tiff(order)
    thumb = make_thumb()
    ifd0 = [
        (0x010F, 2, 6, b"PxCam\0"),
        (0x0110, 2, 8, b"Model M\0"),
        (0x0112, 3, 1, t.val(3, [orientation])),
        (0x011A, 5, 1, t.val(5, [(xres, 1)])),
        (0x011B, 5, 1, t.val(5, [(xres, 1)])),
    ]
    if unit is not None:
        ifd0.append((0x0128, 3, 1, t.val(3, [unit])))
    ifd0.append((0x8769, 4, 1, ("ifd", 1)))
    exif = [
        (0x829A, 5, 1, t.val(5, [(1, 125)])),
        (0x829D, 5, 1, t.val(5, [(28, 10)])),
        (0x8827, 3, 1, t.val(3, [100])),
        (0x9000, 7, 4, b"0230"),
        (0x9003, 2, 20, b"2024:01:02 03:04:05\0"),
        (0x9209, 3, 1, t.val(3, [1])),
        (0x920A, 5, 1, t.val(5, [(50, 1)])),
        (0x9286, 7, 16, b"ASCII\0\0\0hello   "),
        (0xA002, 4, 1, t.val(4, [640])),
        (0xA003, 4, 1, t.val(4, [480])),
        (0xA20E, 5, 1, t.val(5, [(1000, 1)])),
        (0xA210, 3, 1, t.val(3, [2])),
    ] + list(extra)
    ifds = [(ifd0, {"link": 2} if with_thumb else {}), (exif, {})]
    if with_thumb:
        # The thumbnail's offset is only known after layout; lay out twice.
        ifd1 = [(0x0201, 4, 1, t.val(4, [0])), (0x0202, 4, 1, t.val(4, [len(thumb)]))]
        ifds.append((ifd1, {}))
        body = t.build(ifds)
        ifd1[0] = (0x0201, 4, 1, t.val(4, [len(body)]))
        body = t.build(ifds) + thumb
    else:
        body = t.build(ifds)
    return b"Exif\0\0" + body


def make_thumb():
    b = io.BytesIO()
    photo(8, 8, 9).save(b, "JPEG", quality=50)
    return b.getvalue()


def make_jpeg():
    src = photo(64, 48)
    b = io.BytesIO()
    src.save(b, "JPEG", quality=90, dpi=(72, 72))
    base = b.getvalue()
    write(path("jpg_baseline.jpg"), base)

    b = io.BytesIO()
    src.save(b, "JPEG", quality=85, progressive=True)
    write(path("jpg_progressive.jpg"), b.getvalue())

    b = io.BytesIO()
    src.convert("L").save(b, "JPEG", quality=90)
    write(path("jpg_grey.jpg"), b.getvalue())

    # Pillow writes CMYK with an Adobe marker (inverted samples, as Adobe's programs write them).
    b = io.BytesIO()
    src.convert("CMYK").save(b, "JPEG", quality=95)
    write(path("jpg_cmyk.jpg"), b.getvalue())

    # JFIF density units: the header is patched in place (units at byte 13, densities behind).
    def density(units, xd, yd):
        d = bytearray(base)
        assert d[6:11] == b"JFIF\0"
        d[13] = units
        d[14:18] = struct.pack(">HH", xd, yd)
        return bytes(d)

    write(path("jpg_density0.jpg"), density(0, 1, 2))
    write(path("jpg_density1.jpg"), density(1, 72, 72))
    write(path("jpg_density2.jpg"), density(2, 118, 118))

    plain = strip_app0(base)
    write(path("jpg_exif_mm.jpg"), insert_after_soi(plain, [jpeg_segment(0xE1, exif_block("MM", 6, 300, 2))]))
    write(path("jpg_exif_ii.jpg"), insert_after_soi(plain, [jpeg_segment(0xE1, exif_block("II", 3, 118, 3))]))
    # An EXIF block without a resolution unit: the resolution cannot be used, 96 DPI stays.
    write(path("jpg_exif_nounit.jpg"), insert_after_soi(plain, [jpeg_segment(0xE1, exif_block("II", 1, 300, None, False))]))
    # A comment with CR LF line ends and a control character, and a second comment that is dropped.
    write(path("jpg_comment.jpg"), insert_after_soi(base, [jpeg_segment(0xFE, b"line one\r\nline\x07two\r"),
                                                         jpeg_segment(0xFE, b"second")]))
    write(path("jpg_truncated.jpg"), base[: len(base) * 2 // 3])

    # Malformed: an EXIF entry whose component count makes components x 8 wrap in 32 bits to a
    # small number, so a 32-bit check would accept an out-of-range value.
    t = Tiff("II")
    wrap = [(0x011A, 5, 0x20000001, t.val(4, [8]))]
    bad = b"Exif\0\0" + t.build([(wrap, {})])
    write(os.path.join(MAL, "jpg_exif_count_wrap.jpg"), insert_after_soi(plain, [jpeg_segment(0xE1, bad)]))
    # Malformed: a directory chain that links to itself (nesting must stop it).
    t = Tiff("MM")
    loop = b"Exif\0\0" + t.build([([(0x0112, 3, 1, t.val(3, [1]))], {"link": 0})])
    write(os.path.join(MAL, "jpg_exif_loop.jpg"), insert_after_soi(plain, [jpeg_segment(0xE1, loop)]))
    # Malformed: an EXIF block cut short inside its header and its first directory.
    write(os.path.join(MAL, "jpg_exif_short.jpg"), insert_after_soi(plain, [jpeg_segment(0xE1, b"Exif\0\0MM\0*\0\0\0\x08\0\x05")]))
    write(os.path.join(MAL, "jpg_empty.jpg"), b"")
    write(os.path.join(MAL, "jpg_header_only.jpg"), base[:300])
    garbage = bytearray(base)
    rnd = random.Random(7)
    for _ in range(40):
        garbage[rnd.randrange(200, len(garbage))] = rnd.randrange(256)
    write(os.path.join(MAL, "jpg_corrupt_scan.jpg"), bytes(garbage))
    d = bytearray(base)
    sof = d.find(b"\xff\xc0")
    d[sof + 5:sof + 9] = b"\xff\xff\xff\xff"  # 65535 x 65535: over the memory limit
    write(os.path.join(MAL, "jpg_huge_size.jpg"), bytes(d))


# ---------------------------------------------------------------------------------------------
# GIF: our own writer, so that every block (disposal, interlace, missing global table, deferred
# clear codes) is exactly what the test needs.

def lzw_encode(indices, min_size, clear_when_full=True):
    clear = 1 << min_size
    end = clear + 1
    out = []
    bits = 0
    nbits = 0
    size = min_size + 1

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    table = {}
    nxt = end + 1
    emit(clear)
    cur = None
    for k in indices:
        if cur is None:
            cur = (k,)
            continue
        key = cur + (k,)
        if key in table or len(key) == 1:
            cur = key
            continue
        emit(table[cur] if len(cur) > 1 else cur[0])
        if nxt < 4096:
            table[key] = nxt
            nxt += 1
            if nxt > (1 << size) and size < 12:
                size += 1
        elif clear_when_full:
            emit(clear)
            table = {}
            nxt = end + 1
            size = min_size + 1
        cur = (k,)
    if cur is not None:
        emit(table[cur] if len(cur) > 1 else cur[0])
        # The decoder adds a table entry for this last code too, and may widen its codes for
        # the end code: follow it, as every GIF encoder must.
        if nxt == (1 << size) and size < 12:
            size += 1
    emit(end)
    if nbits:
        out.append(bits & 0xFF)
    data = bytes(out)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255] for i in range(0, len(data), 255))
    return bytes([min_size]) + blocks + b"\0"


def gif_table(colors, bits):
    n = 1 << bits
    return b"".join(bytes(c) for c in colors) + b"\0\0\0" * (n - len(colors))


def gif_frame(w, h, pixels, left=0, top=0, local=None, interlace=False, gce=None, clear_when_full=True):
    """pixels: rows top-down of palette indices. gce: (disposal, delay, transparent or None)."""
    out = b""
    if gce is not None:
        disp, delay, trans = gce
        flags = (disp << 2) | (1 if trans is not None else 0)
        out += b"!\xf9\x04" + struct.pack("<BHB", flags, delay, trans or 0) + b"\0"
    flags = 0
    table = b""
    bits = 8
    if local is not None:
        colors, bits = local
        flags |= 0x80 | (bits - 1)
        table = gif_table(colors, bits)
    if interlace:
        flags |= 0x40
    out += b"," + struct.pack("<HHHHB", left, top, w, h, flags) + table
    order = list(range(h))
    if interlace:
        order = list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) + list(range(1, h, 2))
    flat = [p for r in order for p in pixels[r]]
    maxidx = max(flat) if flat else 1
    min_size = max(2, maxidx.bit_length())
    out += lzw_encode(flat, min_size, clear_when_full)
    return out


def gif_file(sw, sh, glob, frames, loop=None):
    flags = 0
    table = b""
    if glob is not None:
        colors, bits = glob
        flags = 0x80 | (bits - 1)
        table = gif_table(colors, bits)
    out = b"GIF89a" + struct.pack("<HHBBB", sw, sh, flags, 0, 0) + table
    if loop is not None:
        out += b"!\xff\x0bNETSCAPE2.0\x03\x01" + struct.pack("<H", loop) + b"\0"
    return out + b"".join(frames) + b";"


PAL8 = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 0, 255), (128, 128, 128)]


def grid(w, h, f):
    return [[f(x, y) for x in range(w)] for y in range(h)]


def im_rgba(src):
    """ImageMagick's composed frames as raw RGBA, one frame after another."""
    return subprocess.run(["convert", src, "-coalesce", "-depth", "8", "rgba:-"], check=True,
                          capture_output=True).stdout


def make_gif():
    # One frame over the whole screen, 16 colours, transparent index 3.
    pal16 = [(i * 16, 255 - i * 16, (i * 53) & 0xFF) for i in range(16)]
    one = gif_file(20, 15, (pal16, 4), [gif_frame(20, 15, grid(20, 15, lambda x, y: (x + 2 * y) % 16), gce=(1, 7, 3))])
    write(path("gif_one.gif"), one)

    # Animation: a full frame (disposal 1), a full frame with holes (disposal 3: the next frame
    # starts from the first), a full frame with holes (disposal 2: everything is cleared), then
    # a small frame over the cleared screen. Index 7 is transparent from the first frame on.
    f0 = gif_frame(24, 16, grid(24, 16, lambda x, y: (x // 4 + y // 4) % 7), gce=(1, 10, 7))
    f1 = gif_frame(24, 16, grid(24, 16, lambda x, y: 4 if (x + y) % 3 else 7), gce=(3, 20, 7))
    f2 = gif_frame(24, 16, grid(24, 16, lambda x, y: 5 if x % 2 else 7), gce=(2, 30, 7))
    f3 = gif_frame(6, 5, grid(6, 5, lambda x, y: (x + y) % 7), left=9, top=6, gce=(0, 40, 7))
    anim = gif_file(24, 16, (PAL8, 3), [f0, f1, f2, f3], loop=0)
    write(path("gif_anim.gif"), anim)

    # Interlaced pictures and their non-interlaced twins, heights 1 to 5 and 19.
    for h in (1, 2, 3, 4, 5, 19):
        pix = grid(7, h, lambda x, y: (x * 3 + y * 5) % 8)
        write(path("gif_inter_h%d.gif" % h), gif_file(7, h, (PAL8, 3), [gif_frame(7, h, pix, interlace=True)]))
        write(path("gif_plain_h%d.gif" % h), gif_file(7, h, (PAL8, 3), [gif_frame(7, h, pix)]))

    # No global table, two frames smaller than the screen: one 24-bit picture of both.
    pa = [(10, 20, 30), (200, 100, 50), (0, 255, 0), (255, 255, 255)]
    pb = [(1, 2, 3), (40, 50, 60), (250, 0, 250), (90, 90, 90)]
    ng = gif_file(16, 12, None, [
        gif_frame(8, 6, grid(8, 6, lambda x, y: (x + y) % 4), local=(pa, 2), gce=(1, 5, None)),
        gif_frame(8, 6, grid(8, 6, lambda x, y: (x * y) % 4), left=8, top=6, local=(pb, 2), gce=(1, 5, None)),
    ])
    write(path("gif_noglobal.gif"), ng)

    # LZW stress: 256 colours of noise fill the code table; one file clears when it is full,
    # the other keeps using 12-bit codes without a clear (a deferred clear).
    pal256 = [(i, (i * 7) & 0xFF, 255 - i) for i in range(256)]
    rnd = random.Random(3)
    noise = grid(96, 64, lambda x, y: rnd.randrange(256) if (x // 16) % 2 else (x + y) % 256)
    write(path("gif_lzw_full.gif"), gif_file(96, 64, (pal256, 8), [gif_frame(96, 64, noise)]))
    write(path("gif_lzw_deferred.gif"), gif_file(96, 64, (pal256, 8), [gif_frame(96, 64, noise, clear_when_full=False)]))

    # A frame that does not fit the screen is skipped and not counted.
    skip = gif_file(10, 10, (PAL8, 3), [
        gif_frame(10, 10, grid(10, 10, lambda x, y: 1)),
        gif_frame(8, 8, grid(8, 8, lambda x, y: 2), left=5, top=5),
        gif_frame(4, 4, grid(4, 4, lambda x, y: 3), left=1, top=1),
    ])
    write(path("gif_outside.gif"), skip)

    # Disposal as this decoder composes it (ImageMagick differs, so the test states the pixels):
    # 1 keeps the frame, 2 clears the whole screen to the first frame's transparent index, 3
    # goes back to the last frame kept with disposal 0 or 1.
    dispose = gif_file(8, 8, (PAL8, 3), [
        gif_frame(8, 8, grid(8, 8, lambda x, y: 1), gce=(1, 0, 7)),
        gif_frame(3, 3, grid(3, 3, lambda x, y: 2), left=2, top=2, gce=(2, 0, 7)),
        gif_frame(2, 2, grid(2, 2, lambda x, y: 3), gce=(3, 0, 7)),
        gif_frame(2, 2, grid(2, 2, lambda x, y: 4), left=6, top=6, gce=(0, 0, 7)),
    ])
    write(path("gif_dispose.gif"), dispose)

    for name in ("gif_one", "gif_anim", "gif_inter_h19", "gif_lzw_full", "gif_lzw_deferred"):
        write(path(name + ".rgba"), im_rgba(path(name + ".gif")))

    write(os.path.join(MAL, "gif_truncated.gif"), anim[: len(anim) // 2])
    bad = bytearray(one)
    bad[13 + 48 + 8 + 10] = 12  # minimum code size 12: outside 2 to 9
    write(os.path.join(MAL, "gif_bad_codesize.gif"), bytes(bad))
    rnd = random.Random(11)
    noisy = bytearray(anim)
    for _ in range(30):
        noisy[rnd.randrange(40, len(noisy))] = rnd.randrange(256)
    write(os.path.join(MAL, "gif_noise.gif"), bytes(noisy))
    write(os.path.join(MAL, "gif_header_only.gif"), b"GIF89a\xff\xff\xff\xff\xf7\0\0")


# ---------------------------------------------------------------------------------------------
# TIFF

def im(args, out):
    subprocess.run(["convert"] + args + [out], check=True)


def big_palette_tiff():
    """A 9-bit palette TIFF (no tool here writes one): 6 x 2 pixels, samples packed most
    significant bit first, 512 colour map entries of 16 bits (entry i: red 100 i, green 65535 - 100 i,
    blue 50 i)."""
    w, h, bits = 6, 2, 9
    values = [[0, 1, 255, 256, 300, 511], [511, 300, 256, 255, 1, 0]]
    data = b""
    for row in values:
        acc, n = 0, 0
        for v in row:
            acc = (acc << bits) | v
            n += bits
        pad = (8 - n % 8) % 8
        data += (acc << pad).to_bytes((n + pad) // 8, "big")
    cmap = b"".join(struct.pack("<H", min(65535, 100 * i)) for i in range(512))
    cmap += b"".join(struct.pack("<H", 65535 - min(65535, 100 * i)) for i in range(512))
    cmap += b"".join(struct.pack("<H", min(65535, 50 * i)) for i in range(512))
    entries = [(256, 3, 1, w), (257, 3, 1, h), (258, 3, 1, bits), (259, 3, 1, 1), (262, 3, 1, 3),
               (273, 4, 1, None), (277, 3, 1, 1), (278, 3, 1, h), (279, 4, 1, len(data)),
               (320, 3, 3 * 512, None)]
    ifd_size = 2 + 12 * len(entries) + 4
    data_off = 8 + ifd_size
    cmap_off = data_off + len(data)
    out = b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", len(entries))
    for tag, typ, count, value in entries:
        if tag == 273:
            value = data_off
        if tag == 320:
            value = cmap_off
        packed = struct.pack("<H", value) + b"\0\0" if typ == 3 and count == 1 else struct.pack("<I", value)
        out += struct.pack("<HHI", tag, typ, count) + packed
    return out + struct.pack("<I", 0) + data + cmap


def make_tiff():
    src = photo(40, 30, 2)
    src_png = "/tmp/pxqd_tif_src.png"
    src.save(src_png)
    im([src_png, "-define", "tiff:rows-per-strip=4", "-compress", "lzw"], path("tif_strip_rgb.tif"))
    im([src_png, "-define", "tiff:tile-geometry=16x16"], path("tif_tiles_rgb.tif"))
    im([src_png, "-colorspace", "Gray", "-define", "tiff:tile-geometry=16x16"], path("tif_tiles_grey.tif"))
    # Grey with alpha in tiles: two bytes per pixel, the tile clip must count bytes.
    ga = Image.merge("LA", (src.convert("L"), Image.linear_gradient("L").resize((40, 30))))
    ga.save("/tmp/pxqd_tif_la.png")
    im(["/tmp/pxqd_tif_la.png", "-define", "tiff:tile-geometry=16x16"], path("tif_tiles_greyalpha.tif"))
    im(["/tmp/pxqd_tif_la.png", "-define", "tiff:rows-per-strip=7"], path("tif_strip_greyalpha.tif"))
    im([src_png, "-colorspace", "Gray", "-depth", "16", "-define", "tiff:tile-geometry=16x16"], path("tif_tiles_grey16.tif"))
    im([src_png, "-colorspace", "Gray", "-depth", "16", "-define", "tiff:rows-per-strip=5"], path("tif_grey16.tif"))
    # 16-bit grey whose brightest sample is 0x0FFF: brought to 8 bits as s >> 4.
    dim = Image.new("I;16", (9, 4))
    dim.putdata([(x * 455 + y * 3) & 0x0FFF if (x, y) != (8, 3) else 0x0FFF for y in range(4) for x in range(9)])
    dim.save(path("tif_grey16_dim.tif"))
    im([src_png, "-colors", "200", "-type", "Palette"], path("tif_palette.tif"))
    im([src_png, "-colors", "12", "-type", "Palette", "-depth", "4"], path("tif_palette4.tif"))
    im([src_png, "-monochrome", "-depth", "1", "-define", "quantum:polarity=min-is-white"], path("tif_miniswhite.tif"))
    im([src_png, "-monochrome", "-depth", "1", "-define", "quantum:polarity=min-is-black"], path("tif_minisblack.tif"))
    rgba = src.copy()
    rgba.putalpha(Image.linear_gradient("L").rotate(90).resize((40, 30)))
    rgba.save("/tmp/pxqd_tif_rgba.png")
    im(["/tmp/pxqd_tif_rgba.png", "-define", "tiff:alpha=unassociated"], path("tif_rgba.tif"))
    photo(20, 14, 5).save("/tmp/pxqd_tif_p2.png")
    im([src_png, "/tmp/pxqd_tif_p2.png", "-colorspace", "Gray"], path("tif_multipage.tif"))
    # Resolution 300 per inch and 118 per centimetre.
    im([src_png, "-colorspace", "Gray", "-units", "PixelsPerInch", "-density", "300"], path("tif_dpi_inch.tif"))
    im([src_png, "-colorspace", "Gray", "-units", "PixelsPerCentimeter", "-density", "118"], path("tif_dpi_cm.tif"))

    # Orientations: each file stores the upright grey picture so that applying its tag shows it
    # upright again (tif_orient1 is the upright picture itself).
    up = photo(12, 7, 4).convert("L")
    undo = {1: None, 2: Image.FLIP_LEFT_RIGHT, 3: Image.ROTATE_180, 4: Image.FLIP_TOP_BOTTOM,
            5: Image.TRANSPOSE, 6: Image.ROTATE_90, 7: Image.TRANSVERSE, 8: Image.ROTATE_270}
    for o, t in undo.items():
        stored = up if t is None else up.transpose(t)
        stored.save(path("tif_orient%d.tif" % o), tiffinfo={274: o})
    pal = up.convert("P", palette=Image.ADAPTIVE, colors=64)
    pal.save(path("tif_palette_orient1.tif"))
    pal.transpose(Image.ROTATE_90).save(path("tif_palette_orient6.tif"), tiffinfo={274: 6})
    Image.new("LAB", (4, 3), (255, 128, 128)).save(path("tif_cielab.tif"))

    write(path("tif_palette9.tif"), big_palette_tiff())

    data = open(path("tif_strip_rgb.tif"), "rb").read()
    write(os.path.join(MAL, "tif_truncated.tif"), data[: len(data) // 2])
    d = bytearray(open(path("tif_tiles_grey.tif"), "rb").read())
    rnd = random.Random(5)
    for _ in range(30):
        d[rnd.randrange(8, len(d))] = rnd.randrange(256)
    write(os.path.join(MAL, "tif_noise.tif"), bytes(d))
    write(os.path.join(MAL, "tif_header_only.tif"), b"II*\0\x08\0\0\0")
    write(os.path.join(MAL, "tif_bad_ifd.tif"), b"MM\0*\xff\xff\xff\xf0" + b"\0" * 16)


# ---------------------------------------------------------------------------------------------
# JPEG 2000 (lossless, so the PNM source is the reference)

def make_jp2():
    tmp = "/tmp/pxqd_jp2"
    os.makedirs(tmp, exist_ok=True)
    rgb = photo(33, 21, 6)
    rgb.save(path("jp2_rgb.ppm"), "PPM")
    rgb.convert("L").save(path("jp2_grey.pgm"), "PPM")

    def opj(src, out, *extra):
        subprocess.run(["opj_compress", "-i", src, "-o", out, "-n", "3", *extra], check=True, capture_output=True)

    opj(path("jp2_rgb.ppm"), path("jp2_rgb.jp2"))
    opj(path("jp2_rgb.ppm"), path("j2k_rgb.j2k"))
    opj(path("jp2_grey.pgm"), path("jp2_grey.jp2"))
    opj(path("jp2_grey.pgm"), path("j2k_grey.j2k"))
    # 12-bit grey: a PGM with maxval 4095.
    w, h = 17, 9
    vals = [((x * 241 + y * 457) % 4096) for y in range(h) for x in range(w)]
    pgm = b"P5\n%d %d\n4095\n" % (w, h) + b"".join(struct.pack(">H", v) for v in vals)
    write(path("j2k_grey12.pgm"), pgm)
    opj(path("j2k_grey12.pgm"), path("j2k_grey12.j2k"))
    # Two components (grey and alpha): decoded as two frames.
    la = Image.merge("LA", (rgb.convert("L"), Image.linear_gradient("L").resize((33, 21))))
    pam = b"P7\nWIDTH 33\nHEIGHT 21\nDEPTH 2\nMAXVAL 255\nTUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n" + la.tobytes()
    write(path("j2k_two.pam"), pam)
    opj(path("j2k_two.pam"), path("j2k_two.j2k"))

    data = open(path("jp2_rgb.jp2"), "rb").read()
    write(os.path.join(MAL, "jp2_truncated.jp2"), data[: len(data) // 2])
    d = bytearray(open(path("j2k_rgb.j2k"), "rb").read())
    rnd = random.Random(13)
    for _ in range(25):
        d[rnd.randrange(60, len(d))] = rnd.randrange(256)
    write(os.path.join(MAL, "j2k_noise.j2k"), bytes(d))
    write(os.path.join(MAL, "j2k_header_only.j2k"), data[:20])


def make_corpus():
    """Small seeds for the fuzz targets: the good files and the malformed ones of each format."""
    groups = {"jpeg": ("jpg_",), "gif": ("gif_",), "tiff": ("tif_",), "jp2": ("jp2_", "j2k_")}
    for fmt, prefixes in groups.items():
        d = os.path.join(FUZZ, fmt)
        os.makedirs(d, exist_ok=True)
        for folder in (HERE, MAL):
            for n in sorted(os.listdir(folder)):
                full = os.path.join(folder, n)
                if not n.startswith(prefixes) or n.endswith((".rgba", ".ppm", ".pgm", ".pam", ".py")) or os.path.getsize(full) > 8192:
                    continue
                write(os.path.join(d, n), open(full, "rb").read())


if __name__ == "__main__":
    os.makedirs(MAL, exist_ok=True)
    make_jpeg()
    make_gif()
    make_tiff()
    make_jp2()
    make_corpus()
