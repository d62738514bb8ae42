"""Shared helpers of the game data generators: fonts, keyed and alpha pictures, file writing.

Every generator is deterministic: no clock, no unseeded randomness, and the file writers keep
no time stamps, so the same inputs give the same bytes.
"""
import os
import random
import struct

from PIL import Image, ImageDraw, ImageFont

MAGENTA = (255, 0, 255)
FONT_FILE = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
# Rendering scale: shapes are drawn this many times larger and reduced, which smooths them.
SS = 4

_fonts = {}


def font(size, index=0):
    """The CJK font at a pixel size (index 0 is the outline face, 1 the bitmap-hinted one)."""
    key = (size, index)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(FONT_FILE, max(1, int(size)), index=index)
    return _fonts[key]


def rng(name):
    """A random generator seeded by a name, so that each picture has its own fixed sequence."""
    seed = 0
    for ch in name.encode("utf-8"):
        seed = (seed * 131 + ch) & 0xFFFFFFFF
    return random.Random(seed)


def ensure_dir(path):
    os.makedirs(path, exist_ok=True)


def write_bytes(path, data):
    """Writes a file only when its bytes change, so that later build steps see no new time."""
    ensure_dir(os.path.dirname(path))
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path, "wb") as f:
        f.write(data)


def bmp_bytes(img):
    """A 24-bit bottom-up BMP of an RGB picture (no palette, no time stamp)."""
    img = img.convert("RGB")
    w, h = img.size
    row = (w * 3 + 3) & ~3
    pad = b"\0" * (row - w * 3)
    raw = img.tobytes("raw", "BGR")
    body = bytearray()
    for y in range(h - 1, -1, -1):
        body += raw[y * w * 3:(y + 1) * w * 3] + pad
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return header + info + bytes(body)


def png_bytes(img, level=9):
    import io
    out = io.BytesIO()
    img.save(out, "PNG", optimize=False, compress_level=level)
    return out.getvalue()


def keyed(rgba, key=MAGENTA, threshold=128):
    """Flattens an RGBA picture onto a key colour: pixels under the alpha threshold become the key,
    the others are made opaque; a drawn pixel that happens to be the key colour moves one step off
    it, so that only the background is transparent."""
    rgba = rgba.convert("RGBA")
    out = Image.new("RGB", rgba.size, key)
    solid = avoid_key(rgba.convert("RGB"), key)
    mask = rgba.getchannel("A").point(lambda a: 255 if a >= threshold else 0)
    out.paste(solid, (0, 0), mask)
    return out


def key_mask(img, key):
    """A mask that is 255 where the picture is exactly the key colour, else 0."""
    from PIL import ImageChops
    r, gr, b = img.convert("RGB").split()
    m = ImageChops.multiply(r.point(lambda v: 255 if v == key[0] else 0),
                            gr.point(lambda v: 255 if v == key[1] else 0))
    return ImageChops.multiply(m, b.point(lambda v: 255 if v == key[2] else 0))


def avoid_key(img, key):
    """Moves every pixel that is exactly the key colour (inside the drawing) one step off it."""
    img = img.convert("RGB")
    img.paste(tuple(c ^ 1 for c in key), (0, 0), key_mask(img, key))
    return img


def supersampled(w, h, painter, scale=SS):
    """Calls painter(draw, image, scale) on a transparent canvas scale times larger and returns the
    picture reduced to w x h with smooth edges."""
    big = Image.new("RGBA", (w * scale, h * scale), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    painter(d, big, scale)
    return big.resize((w, h), Image.LANCZOS)


def text_centered(draw, box, text, size, fill, index=0, stroke=0, stroke_fill=None):
    """Draws text centred in a box (left, top, right, bottom) by its ink bounds."""
    f = font(size, index)
    l, t, r, b = draw.textbbox((0, 0), text, font=f, stroke_width=stroke)
    x = (box[0] + box[2]) / 2 - (l + r) / 2
    y = (box[1] + box[3]) / 2 - (t + b) / 2
    draw.text((x, y), text, font=f, fill=fill, stroke_width=stroke, stroke_fill=stroke_fill)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def vertical_gradient(w, h, top, bottom):
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        d.line([(0, y), (w, y)], fill=lerp(top, bottom, y / max(1, h - 1)))
    return img


class Manifest:
    """The pictures a generator wrote, for the contact sheet: path, frame width, height, step and
    count, and the key colour (None for pictures with alpha)."""

    def __init__(self):
        self.items = []

    def add(self, path, frame_w=None, frame_h=None, frames=1, step=None, key=None, stacked=False):
        self.items.append({
            "path": path, "fw": frame_w, "fh": frame_h, "frames": frames,
            "step": step, "key": key, "stacked": stacked,
        })

    def write(self, path):
        lines = []
        for it in self.items:
            key = "-" if it["key"] is None else "%02X%02X%02X" % it["key"]
            lines.append("%s\t%s\t%s\t%d\t%s\t%s\t%d" % (
                it["path"], it["fw"] or 0, it["fh"] or 0, it["frames"], it["step"] or 0, key,
                1 if it["stacked"] else 0))
        write_bytes(path, ("\n".join(lines) + "\n").encode("utf-8"))


def ini_bytes(sections):
    """A Windows profile file in GBK with CR LF line ends: [(section, [(key, value), ...]), ...]."""
    lines = []
    for section, keys in sections:
        lines.append("[%s]" % section)
        lines += ["%s=%s" % (k, v) for k, v in keys]
        lines.append("")
    return "\r\n".join(lines).encode("gbk")
