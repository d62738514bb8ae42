"""Tile pictures: the 47 faces and the tile bodies in every size and lying direction.

Face frame order: 0-8 characters 1-9, 9-17 bamboo 1-9, 18-26 dots 1-9, 27-33 east, south, west,
north, red, green, white dragons, 34-41 the eight flowers, 42-45 four more, 46 blank.
"""
from PIL import Image, ImageDraw

import gdcommon as g

FACE_COUNT = 47
NUMERALS = "一二三四五六七八九"
HONOURS = "东南西北中发白"
FLOWERS = "春夏秋冬梅兰竹菊"
EXTRA = "琴棋书画"

INK = (24, 34, 92)
RED = (196, 28, 36)
GREEN = (18, 118, 62)
BLUE = (28, 76, 168)
PURPLE = (112, 40, 140)


class Style:
    def __init__(self, name, back, back_light, face, face_shade, outline):
        self.name = name
        self.back = back
        self.back_light = back_light
        self.face = face
        self.face_shade = face_shade
        self.outline = outline


STYLES = {
    "Classic": Style("Classic", (28, 112, 70), (60, 150, 100), (248, 244, 228), (222, 214, 190), (92, 88, 70)),
    "Jade": Style("Jade", (34, 78, 150), (80, 126, 196), (244, 247, 250), (208, 216, 226), (70, 80, 100)),
}


# --- face art ------------------------------------------------------------------------------------

def _stick(d, cx, cy, sw, sh, colour):
    """A bamboo stick: a rounded rod with three joints."""
    x0, y0, x1, y1 = cx - sw / 2, cy - sh / 2, cx + sw / 2, cy + sh / 2
    r = sw / 2
    d.rounded_rectangle([x0, y0, x1, y1], radius=r, fill=colour)
    light = tuple(min(255, c + 90) for c in colour)
    d.line([(cx, y0 + r), (cx, y1 - r)], fill=light, width=max(1, int(sw / 5)))
    for t in (0.0, 0.5, 1.0):
        yy = y0 + r * 0.6 + (sh - r * 1.2) * t
        d.line([(x0 - sw * 0.12, yy), (x1 + sw * 0.12, yy)], fill=colour, width=max(1, int(sw / 3)))


def _dot(d, cx, cy, r, colour):
    """A dot: a coloured ring around a white ring and a coloured centre."""
    d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=colour)
    r2 = r * 0.62
    d.ellipse([cx - r2, cy - r2, cx + r2, cy + r2], fill=(255, 255, 255))
    r3 = r * 0.36
    d.ellipse([cx - r3, cy - r3, cx + r3, cy + r3], fill=colour)


BAMBOO = {
    2: ([(.5, .27), (.5, .73)], .40, []),
    3: ([(.5, .27), (.28, .73), (.72, .73)], .40, []),
    4: ([(.3, .27), (.7, .27), (.3, .73), (.7, .73)], .40, []),
    5: ([(.24, .25), (.76, .25), (.5, .5), (.24, .75), (.76, .75)], .38, [2]),
    6: ([(.2, .27), (.5, .27), (.8, .27), (.2, .73), (.5, .73), (.8, .73)], .40, []),
    7: ([(.5, .17), (.2, .5), (.5, .5), (.8, .5), (.2, .83), (.5, .83), (.8, .83)], .29, [0]),
    8: ([(.13, .27), (.38, .27), (.62, .27), (.87, .27), (.13, .73), (.38, .73), (.62, .73), (.87, .73)], .40, []),
    9: ([(.2, .17), (.5, .17), (.8, .17), (.2, .5), (.5, .5), (.8, .5), (.2, .83), (.5, .83), (.8, .83)], .29, [1, 4, 7]),
}

DOTS = {
    2: ([(.5, .27), (.5, .73)], .22, [GREEN, BLUE]),
    3: ([(.24, .19), (.5, .5), (.76, .81)], .17, [BLUE, RED, GREEN]),
    4: ([(.28, .28), (.72, .28), (.28, .72), (.72, .72)], .19, [BLUE, GREEN, GREEN, BLUE]),
    5: ([(.25, .22), (.75, .22), (.5, .5), (.25, .78), (.75, .78)], .16, [BLUE, GREEN, RED, GREEN, BLUE]),
    6: ([(.3, .18), (.7, .18), (.3, .5), (.7, .5), (.3, .82), (.7, .82)], .15, [GREEN, GREEN, RED, RED, RED, RED]),
    7: ([(.2, .12), (.5, .26), (.8, .4), (.3, .64), (.7, .64), (.3, .88), (.7, .88)], .12,
        [GREEN, GREEN, GREEN, RED, RED, RED, RED]),
    8: ([(.3, .12), (.7, .12), (.3, .37), (.7, .37), (.3, .63), (.7, .63), (.3, .88), (.7, .88)], .12, [BLUE] * 8),
    9: ([(.2, .18), (.5, .18), (.8, .18), (.2, .5), (.5, .5), (.8, .5), (.2, .82), (.5, .82), (.8, .82)], .14,
        [BLUE] * 3 + [RED] * 3 + [GREEN] * 3),
}


def _paint_face(d, frame, W, H, s):
    """Paints face frame into a canvas of W x H (already scaled by s)."""
    bold = max(1, int(round(s * (0.6 if H < 30 * s else 0.9))))
    if frame < 9:
        v = frame
        g.text_centered(d, (0, 0, W, H * 0.46), NUMERALS[v], H * 0.40, INK, stroke=bold, stroke_fill=INK)
        g.text_centered(d, (0, H * 0.44, W, H), "万", H * 0.50, RED, stroke=bold, stroke_fill=RED)
    elif frame < 18:
        v = frame - 9 + 1
        if v == 1:
            # The one of bamboo: a single tall stick in red and green, with a leaf on each side.
            sw = W * 0.26
            _stick(d, W / 2, H / 2, sw, H * 0.86, GREEN)
            d.ellipse([W / 2 - sw * 0.45, H * 0.05, W / 2 + sw * 0.45, H * 0.05 + sw * 0.9], fill=RED)
            d.polygon([(W / 2 - sw / 2, H * .55), (W * .08, H * .35), (W / 2 - sw / 2, H * .45)], fill=GREEN)
            d.polygon([(W / 2 + sw / 2, H * .55), (W * .92, H * .35), (W / 2 + sw / 2, H * .45)], fill=GREEN)
        else:
            spots, sh, reds = BAMBOO[v]
            sw = min(W * 0.17, H * 0.14) if v != 8 else W * 0.14
            for i, (x, y) in enumerate(spots):
                _stick(d, x * W, y * H, sw, sh * H, RED if i in reds else GREEN)
    elif frame < 27:
        v = frame - 18 + 1
        m = min(W, H)
        if v == 1:
            r = m * 0.44
            cx, cy = W / 2, H / 2
            d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=GREEN)
            for k, (f, c) in enumerate([(0.84, (255, 255, 255)), (0.72, BLUE), (0.5, (255, 255, 255)), (0.36, RED)]):
                rr = r * f
                d.ellipse([cx - rr, cy - rr, cx + rr, cy + rr], fill=c)
        else:
            spots, r, colours = DOTS[v]
            for (x, y), c in zip(spots, colours):
                _dot(d, x * W, y * H, r * min(W * 1.1, H * 0.85), c)
    elif frame < 34:
        ch = HONOURS[frame - 27]
        if ch == "白":
            # The white dragon: a blue double frame.
            w = max(s, int(min(W, H) * 0.07))
            d.rectangle([W * .14, H * .1, W * .86, H * .9], outline=BLUE, width=w)
            d.rectangle([W * .14 + 2.2 * w, H * .1 + 2.2 * w, W * .86 - 2.2 * w, H * .9 - 2.2 * w], outline=BLUE,
                        width=max(s, w // 2))
        else:
            colour = RED if ch == "中" else GREEN if ch == "发" else INK
            g.text_centered(d, (0, 0, W, H), ch, min(W * 0.95, H * 0.72), colour, stroke=bold, stroke_fill=colour)
    elif frame < 46:
        if frame < 42:
            ch = FLOWERS[frame - 34]
            colour = [GREEN, RED, (190, 110, 20), BLUE][(frame - 34) % 4]
            number = str((frame - 34) % 4 + 1)
        else:
            ch = EXTRA[frame - 42]
            colour = PURPLE
            number = str(frame - 41)
        g.text_centered(d, (0, H * 0.12, W, H), ch, min(W * 0.9, H * 0.66), colour, stroke=bold, stroke_fill=colour)
        g.text_centered(d, (W * 0.55, 0, W, H * 0.28), number, H * 0.24, RED, stroke=max(1, bold // 2),
                        stroke_fill=RED)
    # Frame 46 stays blank.


def face_art(frame, w, h, turn=0):
    """The face picture of a frame, w x h as it appears, turned by `turn` quarter turns
    anticlockwise (0 upright, 1 top to the left, 2 upside down, 3 top to the right)."""
    uw, uh = (h, w) if turn % 2 else (w, h)
    scale = max(g.SS, int(160 / max(1, uh)) + 1)
    art = g.supersampled(uw, uh, lambda d, im, s: _paint_face(d, frame, uw * s, uh * s, s), scale)
    if turn:
        art = art.transpose([None, Image.ROTATE_90, Image.ROTATE_180, Image.ROTATE_270][turn % 4])
    return art


# --- tile bodies ---------------------------------------------------------------------------------

def _body(w, h, layers, radius):
    """A tile body: `layers` is a list of (top, bottom, colour) bands, from the top; the body has
    rounded corners and a dark outline. Returns RGBA."""
    def paint(d, im, s):
        W, H = w * s, h * s
        mask = Image.new("L", (W, H), 0)
        ImageDraw.Draw(mask).rounded_rectangle([0, 0, W - 1, H - 1], radius=radius * s, fill=255)
        bands = Image.new("RGBA", (W, H), (0, 0, 0, 0))
        bd = ImageDraw.Draw(bands)
        for top, bottom, colour in layers:
            bd.rectangle([0, top * s, W, bottom * s], fill=colour + (255,))
        im.paste(bands, (0, 0), mask)
        d.rounded_rectangle([0, 0, W - 1, H - 1], radius=radius * s, outline=OUTLINE[0] + (255,),
                            width=max(1, int(s * 0.9)))
    return g.supersampled(w, h, paint)


OUTLINE = [(90, 90, 70)]


def large_tile(style, frame, w, h):
    """An own standing tile seen from the front: a band of the back on top, the face below."""
    OUTLINE[0] = style.outline
    band = max(4, round(h * 0.1))
    body = _body(w, h, [(0, band, style.back), (band, band + 1, style.back_light), (band + 1, h - 3, style.face),
                        (h - 3, h, style.face_shade)], max(3, w // 9))
    mx, top, bottom = max(3, round(w * 0.09)), band + max(2, round(h * 0.05)), h - max(3, round(h * 0.07))
    art = face_art(frame, w - 2 * mx, bottom - top)
    body.alpha_composite(art, (mx, top))
    return body


def lying_tile(style, frame, w, h, face_h, turn, face_up=True):
    """A tile lying on the table seen from above and in front: its top (the face, or the back when
    face down) and below it the near edge, the face layer and the back layer."""
    OUTLINE[0] = style.outline
    edge = h - face_h
    if face_up:
        layers = [(0, face_h, style.face), (face_h, face_h + max(1, edge * 2 // 5), style.face_shade),
                  (face_h + max(1, edge * 2 // 5), h, style.back)]
    else:
        layers = [(0, face_h, style.back_light if False else style.back), (face_h, face_h + max(1, edge * 3 // 5),
                                                                          style.back),
                  (face_h + max(1, edge * 3 // 5), h, style.face_shade)]
    body = _body(w, h, layers, max(2, min(w, h) // 8))
    d = ImageDraw.Draw(body)
    d.line([(1, face_h), (w - 2, face_h)], fill=style.outline + (255,))
    if face_up:
        m = max(1, round(min(w, face_h) * 0.08))
        if frame is not None:
            art = face_art(frame, w - 2 * m, face_h - 2 * m, turn)
            body.alpha_composite(art, (m, m))
    else:
        # A lighter sheen on the back's top.
        d.line([(2, 2), (w - 3, 2)], fill=style.back_light + (255,))
    return body


def side_tile(style, w, h, face_right):
    """A standing tile of a player at the left or right, seen from the side: the back and a narrow
    strip of the face edge towards the table's centre."""
    OUTLINE[0] = style.outline
    strip = max(4, w * 3 // 8)
    def paint(d, im, s):
        W, H = w * s, h * s
        d.rounded_rectangle([0, 0, W - 1, H - 1], radius=3 * s, fill=style.back + (255,),
                            outline=style.outline + (255,), width=s)
        x0 = W - strip * s if face_right else 0
        d.rounded_rectangle([x0, 0, x0 + strip * s - 1, H - 1], radius=3 * s, fill=style.face + (255,),
                            outline=style.outline + (255,), width=s)
        d.line([(s * 3, s * 3), (s * 3, H - s * 4)] if face_right else [(W - s * 4, s * 3), (W - s * 4, H - s * 4)],
               fill=style.back_light + (255,), width=s)
    return g.supersampled(w, h, paint)


def top_tile(style, w, h, top_h):
    """A standing tile of the player across the table, seen from behind: its top edge, then its
    back."""
    OUTLINE[0] = style.outline
    body = _body(w, h, [(0, top_h, style.face_shade), (top_h, h, style.back)], 3)
    d = ImageDraw.Draw(body)
    d.line([(1, top_h), (w - 2, top_h)], fill=style.outline + (255,))
    d.line([(3, top_h + 3), (w - 4, top_h + 3)], fill=style.back_light + (255,))
    return body


# --- strips --------------------------------------------------------------------------------------

def strip(frames, step, frame_w, h, total_w=None):
    """Places the frame pictures side by side, frame f at x = f * step, on the key colour."""
    total_w = total_w or (len(frames) - 1) * step + frame_w
    canvas = Image.new("RGBA", (total_w, h), (0, 0, 0, 0))
    for i, fr in enumerate(frames):
        canvas.alpha_composite(fr, (i * step, 0))
    return g.keyed(canvas)


_made = {}


def style_tile_pictures(style):
    """Every tile picture of a style: file name -> (keyed RGB picture, frame w, h, frames, step).
    A style's pictures are made once and shared by the style folder and the skins."""
    if style.name in _made:
        return _made[style.name]
    out = _made[style.name] = {}
    for name, (w, h) in (("mj_large1024.bmp", (54, 77)), ("mj_large800.bmp", (42, 60))):
        out[name] = (strip([large_tile(style, f, w, h) for f in range(FACE_COUNT)], w, w, h), w, h, FACE_COUNT, w)
    # Laid-down sets: sides 0 and 2 lie across (33 x 32, face 21 high), 1 and 3 along (26 x 36).
    # Side 3 is the own side at the bottom; the others turn so that each faces its player.
    for side, (w, h, fh, turn) in enumerate([(33, 32, 21, 3), (26, 36, 25, 2), (33, 32, 21, 1), (26, 36, 25, 0)]):
        frames = [lying_tile(style, f, w, h, fh, turn) for f in range(FACE_COUNT)]
        out["mj_middle%d.bmp" % side] = (strip(frames, w, w, h), w, h, FACE_COUNT, w)
    # Wall faces: the side walls' frames are read 23 wide at a step of 22, so each frame's last
    # column is the next frame's first (its outline); the end walls' at a step of 17, 16 wide.
    frames = [lying_tile(style, f, 23, 22, 13, 3) for f in range(FACE_COUNT)]
    out["mj_small0.bmp"] = (strip(frames, 22, 23, 22), 23, 22, FACE_COUNT, 22)
    frames = [lying_tile(style, f, 16, 27, 17, 0) for f in range(FACE_COUNT)]
    out["mj_small1.bmp"] = (strip(frames, 17, 16, 27, FACE_COUNT * 17), 16, 27, FACE_COUNT, 17)
    for name, (w, h, fh) in (("mj_smallback0.bmp", (23, 22, 13)), ("mj_smallback1.bmp", (16, 27, 17)),
                             ("mj_back0.bmp", (33, 32, 21)), ("mj_back1.bmp", (26, 36, 25))):
        out[name] = (g.keyed(lying_tile(style, None, w, h, fh, 0, face_up=False)), w, h, 1, w)
    out["mj_side0.bmp"] = (g.keyed(side_tile(style, 19, 49, True)), 19, 49, 1, 19)
    out["mj_side2.bmp"] = (g.keyed(side_tile(style, 19, 49, False)), 19, 49, 1, 19)
    out["mj_side1.bmp"] = (g.keyed(top_tile(style, 26, 37, 12)), 26, 37, 1, 26)
    return out
