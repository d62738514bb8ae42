#!/usr/bin/python3
"""Makes the BMP, ICO, PNG, TGA and WBMP test images of the image library, and the raw RGBA
reference of every good non-PNG image, decoded by ImageMagick (`convert`), beside it.

Run once from anywhere with Debian's python3 (python3-pil) and imagemagick installed; the output
is committed. Images are written byte by byte here so that every header field, depth and
encoding is exactly the one a test names; ImageMagick and Pillow write a few more so that files
from other writers are covered too. PNG files get no .rgba: the test decodes them with libpng's
own simplified reader instead.
"""

import os
import random
import struct
import subprocess
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
BAD = os.path.join(HERE, "malformed")
rng = random.Random(20261210)


def out(name, data):
    path = os.path.join(HERE, name)
    with open(path, "wb") as f:
        f.write(data)
    return path


def bad(name, data):
    with open(os.path.join(BAD, name), "wb") as f:
        f.write(data)


def reference(name, frame=None):
    """Writes NAME.rgba: ImageMagick's top-down 8-bit RGBA of the image."""
    src = os.path.join(HERE, name)
    if frame is not None:
        src += "[%d]" % frame
    # Targa files keep their row order as orientation metadata in ImageMagick; -auto-orient
    # applies it, and leaves every other format as it is.
    subprocess.run(["/usr/bin/convert", src, "-auto-orient", "-depth", "8", "rgba:" + os.path.join(HERE, name + ".rgba")],
                   check=True)


def pixels(w, h, colours):
    return [[rng.randrange(colours) for _ in range(w)] for _ in range(h)]


def palette(n):
    return [(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(n)]


def pad4(b):
    return b + b"\0" * (-len(b) % 4)


def pack_indices(row, bpp):
    if bpp == 8:
        return bytes(row)
    per = 8 // bpp
    out_ = bytearray((len(row) * bpp + 7) // 8)
    for i, v in enumerate(row):
        out_[i // per] |= v << (8 - bpp * (i % per + 1))
    return bytes(out_)


# ---------------------------------------------------------------- BMP

def info_header(w, h, bpp, compression=0, image_size=0, colours=0, size=40, ppm=2835):
    hdr = struct.pack("<IiiHHIIiiII", size, w, h, 1, bpp, compression, image_size, ppm, ppm,
                      colours, 0)
    return hdr + b"\0" * (size - 40)


def bmp_file(dib_header, pal, data):
    offset = 14 + len(dib_header) + len(pal)
    return struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset) + dib_header + pal + data


def quad_palette(pal):
    return b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in pal)


def bmp_indexed(name, w, h, bpp, top_down=False, colours=None):
    pal = palette(1 << bpp)
    rows = pixels(w, h, 1 << bpp)
    order = rows if top_down else rows[::-1]  # file rows: bottom-up unless top-down
    data = b"".join(pad4(pack_indices(r, bpp)) for r in order)
    hdr = info_header(w, -h if top_down else h, bpp, colours=colours or 0)
    out(name, bmp_file(hdr, quad_palette(pal), data))
    reference(name)
    return pal, rows


def bmp_rgb(name, w, h, bpp, top_down=False, masks=None, alpha=None, header_size=40):
    rows = [[(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(w)]
            for _ in range(h)]
    order = rows if top_down else rows[::-1]
    data = b""
    for y, r in enumerate(order):
        line = b""
        for x, (R, G, B) in enumerate(r):
            if bpp == 24:
                line += bytes((B, G, R))
            elif bpp == 32:
                a = alpha(x, y) if alpha else 0
                line += bytes((B, G, R, a))
            elif bpp == 16:
                if masks == (0xF800, 0x7E0, 0x1F):
                    v = ((R >> 3) << 11) | ((G >> 2) << 5) | (B >> 3)
                else:
                    v = ((R >> 3) << 10) | ((G >> 3) << 5) | (B >> 3)
                line += struct.pack("<H", v)
        data += pad4(line)
    compression = 3 if masks else 0
    # Headers longer than 40 bytes must give the image size.
    image_size = len(data) if header_size > 40 else 0
    hdr = info_header(w, -h if top_down else h, bpp, compression, image_size, size=header_size)
    extra = struct.pack("<III", *masks) if masks else b""
    out(name, bmp_file(hdr + extra, b"", data))
    reference(name)


def rle8_encode(rows):
    """Runs, a literal of odd length with its pad byte, a delta and end-of-line codes."""
    data = b""
    for y, r in enumerate(rows):
        x = 0
        w = len(r)
        while x < w:
            run = 1
            while x + run < w and r[x + run] == r[x] and run < 255:
                run += 1
            if run >= 2 or w - x < 3:
                data += bytes((run, r[x]))
                x += run
            else:
                n = min(5, w - x)
                if n < 3:
                    data += bytes((1, r[x]))
                    x += 1
                    continue
                lit = bytes(r[x:x + n])
                data += bytes((0, n)) + lit + (b"\0" if n % 2 else b"")
                x += n
        data += b"\0\0"
    return data + b"\0\1"


def bmp_rle8(name):
    w, h = 13, 6
    pal = palette(256)
    rows = []
    for y in range(h):
        r = []
        for x in range(w):
            r.append(7 if x < 4 else rng.randrange(256))
        rows.append(r)
    # Rows 4 and 5 (from the bottom) are skipped with a delta and stay index 0.
    for y in (4, 5):
        rows[y] = [0] * w
    data = rle8_encode(rows[:4])[:-2]  # drop end-of-bitmap, then a delta (2, 1) and two pixels
    data = data[:-2]  # and the last end-of-line: row 3 ends at x = 13
    data += b"\0\0"  # end of row 3
    data += b"\0\2\2\1"  # delta: x += 2, row += 1 -> row 5, x = 2
    data += bytes((2, 9))  # two pixels of index 9 at x = 2, 3 of row 5
    rows[5][2] = rows[5][3] = 9
    # ImageMagick's reader takes a bitmap as complete only when its rows all ended.
    data += b"\0\0\0\1"
    hdr = info_header(w, h, 8, compression=1, image_size=len(data), colours=256)
    out(name, bmp_file(hdr, quad_palette(pal), data))
    reference(name)


def bmp_rle4(name):
    w, h = 11, 4
    pal = palette(16)
    data = b""
    for y in range(h):
        # A run of 5 pixels alternating 3 and 10, then a literal of 6 pixels (3 bytes + 1 pad).
        data += bytes((5, 0x3A))
        lit = [rng.randrange(16) for _ in range(6)]
        data += b"\0\6" + bytes(((lit[0] << 4) | lit[1], (lit[2] << 4) | lit[3],
                                 (lit[4] << 4) | lit[5], 0))
        data += b"\0\0"
    data += b"\0\1"
    hdr = info_header(w, h, 4, compression=2, image_size=len(data), colours=16)
    out(name, bmp_file(hdr, quad_palette(pal), data))
    reference(name)


def bmp_core(name):
    w, h = 10, 5
    pal = palette(256)
    rows = pixels(w, h, 256)
    data = b"".join(pad4(bytes(r)) for r in rows[::-1])
    hdr = struct.pack("<IHHHH", 12, w, h, 1, 8)
    tri = b"".join(struct.pack("BBB", b, g, r) for r, g, b in pal)
    out(name, bmp_file(hdr, tri, data))
    reference(name)
    # The same picture with a 40-byte header decodes to the same image.
    out(name.replace("core", "core_twin"), bmp_file(info_header(w, h, 8), quad_palette(pal), data))
    reference(name.replace("core", "core_twin"))


def make_bmp():
    bmp_indexed("bmp_1.bmp", 13, 7, 1)
    bmp_indexed("bmp_4.bmp", 13, 7, 4)
    bmp_indexed("bmp_8.bmp", 13, 7, 8)
    bmp_indexed("bmp_8_topdown.bmp", 13, 7, 8, top_down=True)
    bmp_indexed("bmp_4_few_colours.bmp", 9, 3, 4, colours=16)
    bmp_rgb("bmp_16_555.bmp", 13, 7, 16)
    bmp_rgb("bmp_16_565.bmp", 13, 7, 16, masks=(0xF800, 0x7E0, 0x1F))
    bmp_rgb("bmp_16_555_fields.bmp", 13, 7, 16, masks=(0x7C00, 0x3E0, 0x1F))
    bmp_rgb("bmp_24.bmp", 13, 7, 24)
    bmp_rgb("bmp_24_topdown.bmp", 13, 7, 24, top_down=True)
    bmp_rgb("bmp_24_v5.bmp", 13, 7, 24, header_size=124)
    bmp_rgb("bmp_32_opaque.bmp", 13, 7, 32)
    bmp_rgb("bmp_32_alpha.bmp", 13, 7, 32, alpha=lambda x, y: (x * 19 + y * 7) % 256)
    bmp_rgb("bmp_32_alpha_topdown.bmp", 13, 7, 32, top_down=True,
            alpha=lambda x, y: (x * 19 + y * 7) % 256)
    bmp_rle8("bmp_rle8.bmp")
    bmp_rle4("bmp_rle4.bmp")
    bmp_core("bmp_core.bmp")
    # Written by ImageMagick.
    subprocess.run(["/usr/bin/convert", "-seed", "7", "-size", "15x6", "plasma:fractal", "+dither",
                    "-colors", "40", "-type", "palette", "BMP3:" + os.path.join(HERE, "bmp_im_8.bmp")],
                   check=True)
    reference("bmp_im_8.bmp")


# ---------------------------------------------------------------- ICO

def icon_entry_bmp(w, h, bpp, rows, pal, mask_rows, alpha=None):
    """The data of one icon entry: header with doubled height, palette, colour rows, mask."""
    colours = len(pal) if pal else 0
    hdr = info_header(w, h * 2, bpp, colours=colours, ppm=0)
    body = quad_palette(pal) if pal else b""
    for y in range(h - 1, -1, -1):
        if bpp == 32:
            body += b"".join(bytes((b, g, r, alpha[y][x])) for x, (r, g, b) in enumerate(rows[y]))
        elif bpp == 24:
            body += pad4(b"".join(bytes((b, g, r)) for (r, g, b) in rows[y]))
        else:
            body += pad4(pack_indices(rows[y], bpp))
    for y in range(h - 1, -1, -1):
        body += pad4(pack_indices(mask_rows[y], 1))
    return hdr + body


def ico_file(entries):
    """entries: (width byte, height byte, bpp, data)."""
    head = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    dir_ = b""
    blob = b""
    for w, h, bpp, data in entries:
        dir_ += struct.pack("<BBBBHHII", w, h, 0, 0, 1, bpp, len(data), offset + len(blob))
        blob += data
    return head + dir_ + blob


def corner_mask(w, h):
    return [[1 if (x < 2 and y < 2) or (x >= w - 2 and y >= h - 2) else 0 for x in range(w)]
            for y in range(h)]


def make_ico():
    # Two entries: 16x16 at 8 bits with masked corners, 24x24 at 32 bits with alpha.
    pal = palette(256)
    rows8 = pixels(16, 16, 200)  # indices above 199 stay unused
    e8 = icon_entry_bmp(16, 16, 8, rows8, pal, corner_mask(16, 16))
    rows32 = [[(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(24)]
              for _ in range(24)]
    alpha = [[(x * 11 + y * 5) % 256 for x in range(24)] for y in range(24)]
    mask32 = [[1 if alpha[y][x] == 0 else 0 for x in range(24)] for y in range(24)]
    e32 = icon_entry_bmp(24, 24, 32, rows32, None, mask32, alpha)
    out("ico_two.ico", ico_file([(16, 16, 8, e8), (24, 24, 32, e32)]))
    reference("ico_two.ico", 0)
    os.rename(os.path.join(HERE, "ico_two.ico.rgba"), os.path.join(HERE, "ico_two.ico.0.rgba"))
    reference("ico_two.ico", 1)
    os.rename(os.path.join(HERE, "ico_two.ico.rgba"), os.path.join(HERE, "ico_two.ico.1.rgba"))

    # 4 bits and 1 bit, each with masked corners.
    pal16 = palette(16)
    rows4 = pixels(12, 10, 14)
    out("ico_4.ico", ico_file([(12, 10, 4, icon_entry_bmp(12, 10, 4, rows4, pal16,
                                                          corner_mask(12, 10)))]))
    reference("ico_4.ico")
    rows1 = pixels(9, 9, 2)
    out("ico_1.ico", ico_file([(9, 9, 1, icon_entry_bmp(9, 9, 1, rows1, [(0, 0, 0), (255, 255, 255)],
                                                       [[0] * 9 for _ in range(9)]))]))
    reference("ico_1.ico")

    # 24 bits whose masked pixels share one colour: that colour becomes the transparent one.
    rows24 = [[(rng.randrange(1, 256), rng.randrange(256), rng.randrange(256)) for _ in range(8)]
              for _ in range(8)]
    mask24 = corner_mask(8, 8)
    for y in range(8):
        for x in range(8):
            if mask24[y][x]:
                rows24[y][x] = (0, 0, 0)
    out("ico_24_keyed.ico", ico_file([(8, 8, 24, icon_entry_bmp(8, 8, 24, rows24, None, mask24))]))
    reference("ico_24_keyed.ico")

    # A PNG entry (directory width and height 0).
    png = os.path.join(HERE, "tmp_entry.png")
    subprocess.run(["/usr/bin/convert", "-size", "20x20", "gradient:red-blue", "-alpha", "set", "-channel",
                    "A", "-evaluate", "set", "60%", "+channel", "-strip", "PNG32:" + png], check=True)
    data = open(png, "rb").read()
    os.remove(png)
    out("ico_png.ico", ico_file([(0, 0, 32, data)]))
    reference("ico_png.ico")


# ---------------------------------------------------------------- PNG

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def adam7(w, h):
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
              (0, 1, 1, 2)]
    for x0, y0, dx, dy in passes:
        xs = list(range(x0, w, dx))
        ys = list(range(y0, h, dy))
        if xs and ys:
            yield xs, ys


def png_file(w, h, depth, ctype, samples, plte=None, trns=None, phys=None, interlace=False):
    """samples[y][x] is a tuple of channel values of `depth` bits."""
    def row_bytes(values):
        if depth == 16:
            return b"".join(struct.pack(">H", v) for px in values for v in px)
        if depth == 8:
            return bytes(v for px in values for v in px)
        return pack_indices([px[0] for px in values], depth)

    raw = b""
    if interlace:
        for xs, ys in adam7(w, h):
            for y in ys:
                raw += b"\0" + row_bytes([samples[y][x] for x in xs])
    else:
        for y in range(h):
            raw += b"\0" + row_bytes(samples[y])
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, ctype, 0, 0, 1 if interlace else 0))
    if phys:
        data += chunk(b"pHYs", struct.pack(">IIB", *phys))
    if plte:
        data += chunk(b"PLTE", b"".join(bytes(c) for c in plte))
    if trns is not None:
        data += chunk(b"tRNS", trns)
    data += chunk(b"IDAT", zlib.compress(raw, 9))
    data += chunk(b"IEND", b"")
    return data


def make_png():
    w, h = 13, 11
    for depth in (1, 2, 4, 8, 16):
        s = [[(rng.randrange(1 << depth),) for _ in range(w)] for _ in range(h)]
        out("png_grey_%d.png" % depth, png_file(w, h, depth, 0, s))
        out("png_grey_%d_interlaced.png" % depth, png_file(w, h, depth, 0, s, interlace=True))
    s = [[(rng.randrange(256),) for _ in range(w)] for _ in range(h)]
    out("png_grey_8_trns.png", png_file(w, h, 8, 0, s, trns=struct.pack(">H", s[0][0][0])))
    for depth in (1, 2, 4, 8):
        n = 1 << depth
        pal = palette(n)
        s = [[(rng.randrange(n),) for _ in range(w)] for _ in range(h)]
        out("png_palette_%d.png" % depth, png_file(w, h, depth, 3, s, plte=pal))
    pal = palette(40)
    s = [[(rng.randrange(40),) for _ in range(w)] for _ in range(h)]
    out("png_palette_trns.png", png_file(w, h, 8, 3, s, plte=pal,
                                         trns=bytes([0, 255, 128] + [rng.randrange(256) for _ in range(22)])))
    out("png_palette_trns_one.png", png_file(w, h, 8, 3, s, plte=pal, trns=b"\0"))
    out("png_palette_interlaced.png", png_file(w, h, 8, 3, s, plte=pal, interlace=True))
    for depth in (8, 16):
        m = (1 << depth) - 1
        s = [[tuple(rng.randrange(m + 1) for _ in range(3)) for _ in range(w)] for _ in range(h)]
        out("png_rgb_%d.png" % depth, png_file(w, h, depth, 2, s))
        out("png_rgb_%d_interlaced.png" % depth, png_file(w, h, depth, 2, s, interlace=True))
        s = [[tuple(rng.randrange(m + 1) for _ in range(4)) for _ in range(w)] for _ in range(h)]
        out("png_rgba_%d.png" % depth, png_file(w, h, depth, 6, s))
        out("png_rgba_%d_interlaced.png" % depth, png_file(w, h, depth, 6, s, interlace=True))
        s = [[tuple(rng.randrange(m + 1) for _ in range(2)) for _ in range(w)] for _ in range(h)]
        out("png_grey_alpha_%d.png" % depth, png_file(w, h, depth, 4, s))
        out("png_grey_alpha_%d_interlaced.png" % depth, png_file(w, h, depth, 4, s, interlace=True))
    s = [[tuple(rng.randrange(4) * 80 for _ in range(3)) for _ in range(w)] for _ in range(h)]
    key = s[2][3]
    out("png_rgb_trns.png", png_file(w, h, 8, 2, s, trns=struct.pack(">HHH", *key)))
    s = [[(rng.randrange(256),) for _ in range(4)] for _ in range(3)]
    out("png_phys_metre.png", png_file(4, 3, 8, 0, s, phys=(3780, 2835, 1)))
    out("png_phys_unit0.png", png_file(4, 3, 8, 0, s, phys=(72, 72, 0)))
    # Written by Pillow and by ImageMagick.
    from PIL import Image
    im = Image.new("RGBA", (17, 9))
    im.putdata([(rng.randrange(256), rng.randrange(256), rng.randrange(256), rng.randrange(256))
                for _ in range(17 * 9)])
    im.save(os.path.join(HERE, "png_pil_rgba.png"))
    subprocess.run(["/usr/bin/convert", "-size", "19x8", "gradient:yellow-navy", "-interlace", "PNG",
                    "-strip", "PNG24:" + os.path.join(HERE, "png_im_interlaced.png")], check=True)


# ---------------------------------------------------------------- TGA

def tga_header(image_type, w, h, depth, descriptor, cmap_len=0, id_len=0):
    return struct.pack("<BBBHHBHHHHBB", id_len, 1 if cmap_len else 0, image_type, 0, cmap_len,
                       24 if cmap_len else 0, 0, 0, w, h, depth, descriptor)


def tga_pixel(depth, px):
    r, g, b, a = px
    if depth == 8:
        return bytes((r,))
    if depth in (15, 16):
        return struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))
    if depth == 24:
        return bytes((b, g, r))
    return bytes((b, g, r, a))


def tga_rle(depth, rows):
    """Packets may span row ends, as the format allows."""
    flat = [px for r in rows for px in r]
    data = b""
    i = 0
    while i < len(flat):
        run = 1
        while i + run < len(flat) and flat[i + run] == flat[i] and run < 128:
            run += 1
        if run >= 2:
            data += bytes((0x80 | (run - 1),)) + tga_pixel(depth, flat[i])
            i += run
            continue
        n = 1
        while i + n < len(flat) and n < 128 and flat[i + n] != flat[i + n - 1]:
            n += 1
        if i + n < len(flat) and n > 1:
            n -= 1
        data += bytes((n - 1,)) + b"".join(tga_pixel(depth, p) for p in flat[i:i + n])
        i += n
    return data


def tga(name, image_type, depth, descriptor, w=11, h=6, runs=False):
    cmap = None
    colours = 256
    if image_type in (1, 9):
        colours = 16
        cmap = palette(colours)
    rows = []
    for y in range(h):
        r = []
        x = 0
        while x < w:
            if image_type in (1, 9):
                px = (rng.randrange(colours), 0, 0, 0)
            elif image_type in (3, 11):
                px = (rng.randrange(256), 0, 0, 0)
            else:
                px = (rng.randrange(256), rng.randrange(256), rng.randrange(256), rng.randrange(256))
            n = rng.randrange(1, 6) if runs else 1
            r.extend([px] * min(n, w - x))
            x += n
        rows.append(r)
    # Make a run cross the end of row 0 into row 1.
    rows[1][0] = rows[0][-1] = rows[0][-2]
    file_rows = rows if descriptor & 0x20 else rows[::-1]
    if descriptor & 0x10:
        file_rows = [r[::-1] for r in file_rows]
    hdr = tga_header(image_type, w, h, depth, descriptor, len(cmap) if cmap else 0, id_len=3)
    body = b"abc"
    if cmap:
        body += b"".join(bytes((b, g, r)) for r, g, b in cmap)
    if image_type >= 9:
        body += tga_rle(depth, file_rows)
    else:
        body += b"".join(tga_pixel(depth, px) for r in file_rows for px in r)
    out(name, hdr + body)
    reference(name)


def make_tga():
    tga("tga_24.tga", 2, 24, 0)
    tga("tga_24_topdown.tga", 2, 24, 0x20)
    tga("tga_24_mirrored.tga", 2, 24, 0x10)
    tga("tga_24_rle.tga", 10, 24, 0, runs=True)
    tga("tga_32.tga", 2, 32, 8)
    tga("tga_32_topdown.tga", 2, 32, 0x28)
    tga("tga_32_rle_topdown_mirrored.tga", 10, 32, 0x38, runs=True)
    tga("tga_16.tga", 2, 16, 0)
    tga("tga_15_rle.tga", 10, 15, 0x20, runs=True)
    tga("tga_8_grey.tga", 3, 8, 0)
    tga("tga_8_grey_rle.tga", 11, 8, 0, runs=True)
    tga("tga_8_mapped.tga", 1, 8, 0)
    tga("tga_8_mapped_rle.tga", 9, 8, 0x20, runs=True)
    subprocess.run(["/usr/bin/convert", "-size", "14x5", "gradient:green-white", "-compress", "RLE",
                    os.path.join(HERE, "tga_im_rle.tga")], check=True)
    reference("tga_im_rle.tga")


# ---------------------------------------------------------------- WBMP

def mbi(v):
    groups = [v & 0x7F]
    v >>= 7
    while v:
        groups.append((v & 0x7F) | 0x80)
        v >>= 7
    return bytes(reversed(groups))


def make_wbmp():
    w, h = 150, 4  # the width needs a two-byte number
    rows = pixels(w, h, 2)
    out("wbmp.wbmp", b"\0\0" + mbi(w) + mbi(h) + b"".join(pack_indices(r, 1) for r in rows))
    reference("wbmp.wbmp")
    out("wbmp_3x2.wbmp", bytes.fromhex("00000302a040"))
    reference("wbmp_3x2.wbmp")


# ---------------------------------------------------------------- malformed

def make_malformed():
    bmp24 = open(os.path.join(HERE, "bmp_24.bmp"), "rb").read()
    bmp8 = open(os.path.join(HERE, "bmp_8.bmp"), "rb").read()
    bad("bmp_truncated_pixels.bmp", bmp24[:-20])
    bad("bmp_truncated_palette.bmp", bmp8[:14 + 40 + 100])
    bad("bmp_truncated_header.bmp", bmp24[:30])
    bad("bmp_file_header_only.bmp", bmp24[:10])
    bad("bmp_huge.bmp", bmp_file(info_header(30000, 30000, 24), b"", b"\0" * 64))
    bad("bmp_huge_narrow.bmp", bmp_file(info_header(1, 0x7FFFFFFF, 1), b"\0" * 8, b"\0" * 64))
    bad("bmp_negative_width.bmp", bmp_file(info_header(-5, 4, 24), b"", b"\0" * 64))
    bad("bmp_min_height.bmp", bmp_file(info_header(4, -0x80000000, 24), b"", b"\0" * 64))
    bad("bmp_bpp_2.bmp", bmp_file(info_header(4, 4, 2), b"\0" * 16, b"\0" * 16))
    bad("bmp_bpp_7.bmp", bmp_file(info_header(4, 4, 7), b"\0" * 16, b"\0" * 16))
    bad("bmp_v5_no_image_size.bmp", bmp_file(info_header(4, 2, 24, size=124), b"", b"\0" * 24))
    bad("bmp_header_size_20.bmp",
        bmp_file(struct.pack("<I", 20) + info_header(4, 4, 24)[4:20], b"", b"\0" * 48))
    # 1000 palette entries declared for an 8-bit image that can hold 256.
    big_pal = b"".join(struct.pack("BBBB", i % 256, 0, 0, 0) for i in range(1000))
    bad("bmp_palette_1000.bmp", bmp_file(info_header(4, 2, 8, colours=1000), big_pal, b"\1" * 8))
    bad("bmp_palette_huge_count.bmp", bmp_file(info_header(4, 2, 1, colours=0xFFFFFFFF), b"", b"\0" * 8))
    bad("bmp_fields_zero_masks.bmp",
        bmp_file(info_header(4, 2, 16, compression=3) + b"\0" * 12, b"", b"\0" * 16))
    bad("bmp_fields_zero_masks_32.bmp",
        bmp_file(info_header(4, 2, 32, compression=3) + b"\0" * 12, b"", b"\0" * 32))
    bad("bmp_fields_wide_masks.bmp",
        bmp_file(info_header(3, 2, 16, compression=3) + struct.pack("<III", 0xFFFF0000, 1, 0xFFFFFFFF),
                 b"", b"\xff" * 16))
    bad("bmp_24_rle.bmp", bmp_file(info_header(4, 2, 24, compression=1), b"", b"\0" * 32))
    bad("bmp_8_jpeg.bmp", bmp_file(info_header(4, 2, 8, compression=4), b"\0" * 1024, b"\0" * 8))
    pal = b"\0" * 1024
    # RLE8: a run longer than the row, a literal past the row end, a delta past the image.
    bad("bmp_rle8_overrun.bmp", bmp_file(info_header(4, 2, 8, compression=1), pal,
                                         bytes((255, 1)) + b"\0\x09" + b"\2" * 10 + b"\0\2\xff\xff" +
                                         bytes((200, 3)) + b"\0\0" * 5 + bytes((9, 4)) + b"\0\1"))
    bad("bmp_rle8_cut_literal.bmp", bmp_file(info_header(4, 2, 8, compression=1), pal, b"\0\x20\1\2"))
    bad("bmp_rle8_cut_delta.bmp", bmp_file(info_header(4, 2, 8, compression=1), pal, b"\0\2\1"))
    bad("bmp_rle4_overrun.bmp", bmp_file(info_header(3, 2, 4, compression=2), b"\0" * 64,
                                         bytes((255, 0x12)) + b"\0\xff" + b"\x34" * 128 +
                                         b"\0\2\xff\xff" + bytes((255, 0x56)) + b"\0\1"))
    bad("bmp_rle_on_1bit.bmp", bmp_file(info_header(5, 2, 1, compression=1), b"\0" * 8,
                                        bytes((255, 0xFF)) + b"\0\0" + bytes((255, 0xAA)) + b"\0\1"))
    # ICO
    ico = open(os.path.join(HERE, "ico_two.ico"), "rb").read()
    bad("ico_truncated_directory.ico", ico[:20])
    bad("ico_truncated_entry.ico", ico[:200])
    bad("ico_offset_past_end.ico", struct.pack("<HHH", 0, 1, 1) +
        struct.pack("<BBBBHHII", 4, 4, 0, 0, 1, 8, 40, 0x7FFFFFF0))
    hdr = info_header(2, 4, 8, colours=0xFFFFFFFF, ppm=0)
    bad("ico_palette_huge_count.ico", ico_file([(2, 2, 8, hdr + b"\0" * 64)]))
    hdr = info_header(2, 4, 8, colours=600, ppm=0)
    bad("ico_palette_600.ico", ico_file([(2, 2, 8, hdr + b"\1\2\3\0" * 600 + b"\0" * 16)]))
    bad("ico_png_entry_broken.ico", ico_file([(0, 0, 32, b"\x89PNG\r\n\x1a\n" + b"\0" * 40)]))
    bad("ico_png_entry_not_png.ico", ico_file([(0, 0, 32, info_header(2, 4, 8) + b"\0" * 64)]))
    bad("ico_kind_3.ico", struct.pack("<HHH", 0, 3, 1) + ico[6:])
    bad("ico_no_entries.ico", struct.pack("<HHH", 0, 1, 0))
    bad("ico_no_mask.ico", ico_file([(2, 2, 24, info_header(2, 4, 24, ppm=0) + b"\7" * 16)]))
    # PNG
    good = open(os.path.join(HERE, "png_rgba_8.png"), "rb").read()
    bad("png_truncated.png", good[:len(good) // 2])
    bad("png_signature_only.png", good[:8])
    bad("png_bad_crc.png", good[:40] + bytes((good[40] ^ 0xFF,)) + good[41:])
    bad("png_huge.png", b"\x89PNG\r\n\x1a\n" +
        chunk(b"IHDR", struct.pack(">IIBBBBB", 100000, 100000, 8, 2, 0, 0, 0)) +
        chunk(b"IDAT", zlib.compress(b"\0" * 100)) + chunk(b"IEND", b""))
    bad("png_bad_colour_type.png", b"\x89PNG\r\n\x1a\n" +
        chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 4, 8, 5, 0, 0, 0)) +
        chunk(b"IDAT", zlib.compress(b"\0" * 20)) + chunk(b"IEND", b""))
    bad("png_short_idat.png", png_file(20, 20, 8, 2, [[(1, 2, 3)] * 20] * 2)
        .replace(struct.pack(">II", 20, 2), struct.pack(">II", 20, 20), 1)
        if False else b"\x89PNG\r\n\x1a\n" +
        chunk(b"IHDR", struct.pack(">IIBBBBB", 20, 20, 8, 2, 0, 0, 0)) +
        chunk(b"IDAT", zlib.compress(b"\0" * 61 * 3)) + chunk(b"IEND", b""))
    bad("png_palette_300.png", b"\x89PNG\r\n\x1a\n" +
        chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 3, 0, 0, 0)) +
        chunk(b"PLTE", b"\1\2\3" * 300) + chunk(b"IDAT", zlib.compress(b"\0\0\1\0\2\3")) +
        chunk(b"IEND", b""))
    # TGA
    t24 = open(os.path.join(HERE, "tga_24.tga"), "rb").read()
    trle = open(os.path.join(HERE, "tga_24_rle.tga"), "rb").read()
    bad("tga_truncated_header.tga", t24[:10])
    bad("tga_truncated_rows.tga", t24[:-40])
    bad("tga_truncated_rle.tga", trle[:-7])
    bad("tga_type_4.tga", tga_header(4, 2, 2, 24, 0) + b"\0" * 12)
    bad("tga_cmap_257.tga", tga_header(1, 2, 2, 8, 0, cmap_len=257) + b"\0" * (257 * 3 + 4))
    bad("tga_depth_12.tga", tga_header(2, 2, 2, 12, 0) + b"\0" * 12)
    bad("tga_zero_width.tga", tga_header(2, 0, 2, 24, 0) + b"\0" * 12)
    bad("tga_huge.tga", tga_header(2, 65535, 65535, 32, 0) + b"\0" * 64)
    bad("tga_cmap_on_truecolour.tga", tga_header(2, 2, 1, 24, 0, cmap_len=256) + b"\5" * 768 + b"\1" * 6)
    bad("tga_rle_run_past_end.tga", tga_header(10, 3, 2, 24, 0) + bytes((0xFF,)) + b"\1\2\3")
    # WBMP
    bad("wbmp_type_1.wbmp", bytes.fromhex("01000302a040"))
    bad("wbmp_truncated_header.wbmp", bytes.fromhex("0000"))
    bad("wbmp_zero_height.wbmp", bytes.fromhex("00000300a0"))
    bad("wbmp_truncated_rows.wbmp", bytes.fromhex("00000305a040"))
    bad("wbmp_number_overflow.wbmp", bytes.fromhex("0000ffffffffff7f02a040"))
    bad("wbmp_huge.wbmp", b"\0\0" + mbi(0x7FFFFFFF) + mbi(0x7FFFFFFF) + b"\0" * 16)
    bad("empty.bin", b"")


if __name__ == "__main__":
    os.makedirs(BAD, exist_ok=True)
    make_bmp()
    make_ico()
    make_png()
    make_tga()
    make_wbmp()
    make_malformed()
