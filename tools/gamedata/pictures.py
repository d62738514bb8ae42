"""The table's other pictures: dice, buttons, clock, bars, banners, panels, cursors, particles,
the activity pictures, skins and the hall's portraits and faces."""
import functools
import math

from PIL import Image, ImageDraw, ImageFilter

import gdcommon as g
import tiles

# The dice strips are keyed on pure blue (0xFF0000 as the table reads keys, blue in the high byte).
BLUE_KEY = (0, 0, 255)
GREEN_KEY = (0, 255, 0)
GOLD = (236, 190, 70)
DARK_GOLD = (150, 104, 20)
CREAM = (252, 246, 226)
WOOD = (120, 70, 36)


def _rounded_panel(w, h, fill_top, fill_bottom, border, radius, border_w=2):
    """A rounded panel with a vertical gradient and a border, RGBA on transparency."""
    def paint(d, im, s):
        W, H = w * s, h * s
        grad = g.vertical_gradient(W, H, fill_top, fill_bottom).convert("RGBA")
        mask = Image.new("L", (W, H), 0)
        ImageDraw.Draw(mask).rounded_rectangle([0, 0, W - 1, H - 1], radius=radius * s, fill=255)
        im.paste(grad, (0, 0), mask)
        d.rounded_rectangle([0, 0, W - 1, H - 1], radius=radius * s, outline=border + (255,), width=border_w * s)
    return g.supersampled(w, h, paint)


def button(w, h, text, top, bottom, text_colour=(255, 255, 255), size=None):
    panel = _rounded_panel(w, h, top, bottom, DARK_GOLD, h // 3)
    d = ImageDraw.Draw(panel)
    g.text_centered(d, (0, 0, w, h), text, size or int(h * 0.6), text_colour + (255,), stroke=1,
                    stroke_fill=(40, 30, 10, 255))
    return panel


# --- dice ---------------------------------------------------------------------------------------

PIPS = {1: [(0, 0)], 2: [(-1, -1), (1, 1)], 3: [(-1, -1), (0, 0), (1, 1)], 4: [(-1, -1), (1, -1), (-1, 1), (1, 1)],
        5: [(-1, -1), (1, -1), (0, 0), (-1, 1), (1, 1)], 6: [(-1, -1), (1, -1), (-1, 0), (1, 0), (-1, 1), (1, 1)]}


def _die(size, value, angle, tint):
    """One die face-on, turned by an angle; the one and the four have red pips."""
    def paint(d, im, s):
        S = size * s
        d.rounded_rectangle([s, s, S - s, S - s], radius=S // 5, fill=tint + (255,), outline=(90, 80, 70, 255),
                            width=s * 2)
        pip_colour = (200, 24, 34, 255) if value in (1, 4) else (30, 30, 36, 255)
        r = S * (0.13 if value == 1 else 0.085)
        for px, py in PIPS[value]:
            cx, cy = S / 2 + px * S * 0.26, S / 2 + py * S * 0.26
            d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=pip_colour)
    die = g.supersampled(size, size, paint)
    return die.rotate(angle, resample=Image.BICUBIC, expand=True)


@functools.lru_cache(maxsize=None)
def dice_strip(value, second):
    """Nine frames of 106 x 99: the die tumbles across the frame and comes to rest on its value.
    Dice 2 and 4 roll along another path and are a little warmer in colour."""
    r = g.rng("dice%d%d" % (value, second))
    frames = []
    tint = (255, 250, 236) if second else (250, 250, 250)
    for f in range(9):
        t = f / 8
        frame = Image.new("RGBA", (106, 99), (0, 0, 0, 0))
        # A shadow helps the die read against any cloth.
        size = int(46 + 8 * math.sin(t * math.pi))
        face = value if f == 8 else r.randint(1, 6)
        angle = 0 if f == 8 else r.randint(-60, 60)
        die = _die(size, face, angle, tint)
        x0 = 8 + (t * 40 if not second else (1 - t) * 40)
        y0 = 6 + abs(math.cos(t * math.pi * 2.5)) * 24 * (1 - t)
        shadow = Image.new("RGBA", die.size, (0, 0, 0, 0))
        shadow.putalpha(die.getchannel("A").point(lambda a: a // 3))
        frame.alpha_composite(shadow, (int(x0 + 4), int(y0 + 5)))
        frame.alpha_composite(die, (int(x0), int(y0)))
        frames.append(frame)
    canvas = Image.new("RGBA", (954, 99), (0, 0, 0, 0))
    for i, fr in enumerate(frames):
        canvas.alpha_composite(fr, (i * 106, 0))
    return g.keyed(canvas, BLUE_KEY)


# --- clock --------------------------------------------------------------------------------------

def clock_face(style_colour):
    def paint(d, im, s):
        S = 65 * s
        d.ellipse([s, s, S - s, S - s], fill=(60, 44, 30, 255), outline=GOLD + (255,), width=3 * s)
        d.ellipse([6 * s, 6 * s, S - 6 * s, S - 6 * s], fill=style_colour + (255,))
        for k in range(8):
            a = math.radians(180 + k * 45)
            cx, cy = S / 2 + math.cos(a) * 25 * s, S / 2 + math.sin(a) * 25 * s
            rr = (3 if k % 2 == 0 else 1.8) * s
            d.ellipse([cx - rr, cy - rr, cx + rr, cy + rr], fill=GOLD + (255,))
    return g.keyed(g.supersampled(65, 65, paint))


def clock_hands():
    """Eight frames of 56 x 56: the hand points at position p, 45 degrees apart clockwise, from the
    left side (position 0) over the top (2) and the right (4) to the own side at the bottom (6)."""
    frames = []
    for p in range(8):
        def paint(d, im, s, p=p):
            S = 56 * s
            a = math.radians(180 + p * 45)
            c = S / 2
            tip = (c + math.cos(a) * 24 * s, c + math.sin(a) * 24 * s)
            side = math.radians(180 + p * 45 + 90)
            w = 3.2 * s
            base = [(c + math.cos(side) * w, c + math.sin(side) * w), (c - math.cos(side) * w, c - math.sin(side) * w)]
            d.polygon([tip, base[0], (c - math.cos(a) * 6 * s, c - math.sin(a) * 6 * s), base[1]],
                      fill=(220, 40, 30, 255), outline=(90, 10, 10, 255))
            d.ellipse([c - 4 * s, c - 4 * s, c + 4 * s, c + 4 * s], fill=GOLD + (255,))
        frames.append(g.supersampled(56, 56, paint))
    return tiles.strip(frames, 56, 56, 56)


def clock_digits():
    """Ten digits of 8 x 17 on the green key, in amber."""
    img = Image.new("RGB", (80, 17), GREEN_KEY)
    for v in range(10):
        cell = g.supersampled(8, 17, lambda d, im, s, v=v: g.text_centered(
            d, (0, 0, 8 * s, 17 * s), str(v), 17 * s, (255, 214, 60, 255), stroke=s // 2,
            stroke_fill=(255, 214, 60, 255)))
        img.paste(g.keyed(cell, GREEN_KEY), (v * 8, 0))
    return img


# --- table pictures ------------------------------------------------------------------------------

def felt(w, h, base, name):
    """A cloth of the base colour with a fine, fixed grain and a soft light in the middle."""
    from PIL import ImageChops
    r = g.rng(name)
    noise = Image.frombytes("L", (w, h), r.randbytes(w * h)).point(lambda v: 118 + v * 20 // 255)
    noise = noise.filter(ImageFilter.SMOOTH)
    light = Image.radial_gradient("L").resize((w, h), Image.BILINEAR).point(lambda v: 255 - v * 3 // 4)
    img = Image.new("RGB", (w, h), base)
    grain = Image.merge("RGB", [noise] * 3)
    # Overlay-like: the grain varies the cloth by about 8 levels, the light brightens the middle.
    img = ImageChops.add(ImageChops.subtract(img, Image.new("RGB", (w, h), (8, 8, 8))),
                         ImageChops.subtract(grain, Image.new("RGB", (w, h), (118, 118, 118))))
    lifted = ImageChops.add(img, Image.new("RGB", (w, h), (22, 26, 20)))
    return Image.composite(lifted, img, light.point(lambda v: max(0, v - 64)))


def table_top(w, h, base, name):
    """The table: the cloth with a faint stitched border and a faint ring where the dice land."""
    img = felt(w, h, base, name)
    d = ImageDraw.Draw(img, "RGBA")
    light = (255, 255, 255, 22)
    d.rectangle([10, 10, w - 11, h - 11], outline=light, width=2)
    for x in range(16, w - 16, 12):
        d.line([(x, 16), (x + 6, 16)], fill=light)
        d.line([(x, h - 17), (x + 6, h - 17)], fill=light)
    for y in range(16, h - 16, 12):
        d.line([(16, y), (16, y + 6)], fill=light)
        d.line([(w - 17, y), (w - 17, y + 6)], fill=light)
    cx, cy, r = w // 2, h // 2, min(w, h) // 5
    d.ellipse([cx - r, cy - r, cx + r, cy + r], outline=(255, 255, 255, 18), width=3)
    d.ellipse([cx - r + 10, cy - r + 10, cx + r - 10, cy + r - 10], outline=(0, 0, 0, 18), width=2)
    return img


def winds_png():
    """Four direction markers of 59 x 61, east, south, west, north, with alpha."""
    frames = []
    for ch in "东南西北":
        def paint(d, im, s, ch=ch):
            W, H = 59 * s, 61 * s
            d.ellipse([2 * s, 3 * s, W - 2 * s, H - 2 * s], fill=(30, 30, 30, 150))
            d.ellipse([4 * s, 4 * s, W - 4 * s, H - 4 * s], fill=(250, 236, 200, 235), outline=GOLD + (255,),
                      width=3 * s)
            g.text_centered(d, (0, 0, W, H), ch, 36 * s, (150, 30, 20, 255), stroke=s, stroke_fill=(150, 30, 20, 255))
        frames.append(g.supersampled(59, 61, paint))
    canvas = Image.new("RGBA", (236, 61), (0, 0, 0, 0))
    for i, f in enumerate(frames):
        canvas.alpha_composite(f, (i * 59, 0))
    return canvas


def _icon(kind, s, d):
    S = 30 * s
    c = S / 2
    if kind == 1:  # the stake and banker coin
        d.ellipse([3 * s, 3 * s, S - 3 * s, S - 3 * s], fill=GOLD + (255,), outline=DARK_GOLD + (255,), width=2 * s)
        g.text_centered(d, (0, 0, S, S), "庄", 17 * s, (160, 30, 20, 255))
        return
    d.rounded_rectangle([2 * s, 2 * s, S - 2 * s, S - 2 * s], radius=6 * s, fill=(40, 62, 40, 255),
                        outline=GOLD + (255,), width=s * 2)
    if kind == 2:  # music: a note
        d.ellipse([8 * s, 17 * s, 15 * s, 23 * s], fill=CREAM + (255,))
        d.line([(14 * s, 19 * s), (14 * s, 7 * s), (21 * s, 9 * s)], fill=CREAM + (255,), width=2 * s)
        d.ellipse([15 * s, 14 * s, 22 * s, 20 * s], fill=CREAM + (255,))
        d.line([(21 * s, 9 * s), (21 * s, 17 * s)], fill=CREAM + (255,), width=2 * s)
    elif kind == 3:  # skin: a brush stroke of colours
        for i, col in enumerate([(220, 60, 50), (240, 190, 50), (70, 160, 220)]):
            d.ellipse([(7 + 5 * i) * s, (8 + 4 * i) * s, (15 + 5 * i) * s, (16 + 4 * i) * s], fill=col + (255,))
    elif kind == 4:  # sort: three bars of growing length
        for i in range(3):
            d.rectangle([8 * s, (9 + 5 * i) * s, (12 + 5 * i) * s, (12 + 5 * i) * s], fill=CREAM + (255,))
    elif kind == 5:  # managed play: a small robot head
        d.rounded_rectangle([9 * s, 10 * s, 21 * s, 21 * s], radius=2 * s, fill=CREAM + (255,))
        d.ellipse([11 * s, 13 * s, 14 * s, 16 * s], fill=(40, 62, 40, 255))
        d.ellipse([16 * s, 13 * s, 19 * s, 16 * s], fill=(40, 62, 40, 255))
        d.line([(c, 10 * s), (c, 6 * s)], fill=CREAM + (255,), width=s)
    elif kind == 6:  # dialect: a speech bubble
        d.ellipse([7 * s, 8 * s, 23 * s, 20 * s], fill=CREAM + (255,))
        d.polygon([(10 * s, 18 * s), (8 * s, 24 * s), (15 * s, 19 * s)], fill=CREAM + (255,))
    else:  # further side-panel marks: waiting, listening, flowers, away
        text = {0: "等", 7: "听", 8: "花", 9: "托"}[kind]
        g.text_centered(d, (0, 0, S, S), text, 18 * s, CREAM + (255,))


def buff_strip():
    frames = [g.supersampled(30, 30, lambda d, im, s, k=k: _icon(k, s, d)) for k in range(10)]
    return tiles.strip(frames, 30, 30, 30)


def arrowhead():
    def paint(d, im, s):
        d.polygon([(2 * s, 4 * s), (14 * s, 15 * s), (2 * s, 26 * s)], fill=GOLD + (255,), outline=DARK_GOLD + (255,))
    return g.keyed(g.supersampled(16, 30, paint))


def autoplay_banner():
    """The managed-play banner: its caption is drawn in pure red (0x0000FF as the table writes
    colours) without smoothing, because the table blinks the banner by replacing every pixel of
    exactly that colour."""
    w, h = 260, 64
    img = g.keyed(_rounded_panel(w, h, (40, 40, 48), (14, 14, 20), GOLD, 14, 3))
    d = ImageDraw.Draw(img)
    d.fontmode = "1"
    f = g.font(34)
    text = "托管中…"
    l, t, r, b = d.textbbox((0, 0), text, font=f)
    d.text(((w - (r - l)) / 2 - l, (h - (b - t)) / 2 - t), text, font=f, fill=(255, 0, 0))
    return img


def win_mark():
    def paint(d, im, s):
        S = 150 * s
        for k in range(16):
            a = math.radians(k * 22.5)
            d.polygon([(S / 2, S / 2), (S / 2 + math.cos(a) * S * 0.5, S / 2 + math.sin(a) * S * 0.5),
                       (S / 2 + math.cos(a + 0.15) * S * 0.5, S / 2 + math.sin(a + 0.15) * S * 0.5)],
                      fill=(255, 220, 90, 200))
        d.ellipse([S * .16, S * .16, S * .84, S * .84], fill=(200, 30, 30, 255), outline=GOLD + (255,), width=5 * s)
        g.text_centered(d, (0, 0, S, S), "胡", 70 * s, (255, 236, 160, 255), stroke=2 * s,
                        stroke_fill=(120, 20, 10, 255))
    return g.keyed(g.supersampled(150, 150, paint))


def note_board():
    return g.keyed(_rounded_panel(80, 26, (255, 248, 210), (240, 222, 160), DARK_GOLD, 6, 1))


def hand_cursor():
    """The hand that sweeps over the own tiles when they are sorted: an open hand seen from above,
    fingers to the left, drawn to be stretched to three tiles' width."""
    def paint(d, im, s):
        skin, line = (246, 206, 170, 235), (150, 96, 60, 255)
        d.rounded_rectangle([70 * s, 18 * s, 150 * s, 70 * s], radius=22 * s, fill=skin, outline=line, width=2 * s)
        for i, (y, ln) in enumerate([(14, 58), (26, 66), (38, 64), (50, 56)]):
            d.rounded_rectangle([(78 - ln) * s, (y - 5) * s, 92 * s, (y + 6) * s], radius=6 * s, fill=skin,
                                outline=line, width=2 * s)
        d.rounded_rectangle([100 * s, 2 * s, 130 * s, 24 * s], radius=9 * s, fill=skin, outline=line, width=2 * s)
    return g.supersampled(162, 77, paint)


def particles():
    frames = []
    for k, col in enumerate([(255, 230, 120), (255, 160, 80), (140, 220, 255), (255, 140, 200), (200, 255, 160)]):
        def paint(d, im, s, col=col, k=k):
            S = 20 * s
            c = S / 2
            for a in range(4 + k % 2 * 2):
                ang = math.pi * a / (2 + k % 2)
                d.line([(c - math.cos(ang) * 9 * s, c - math.sin(ang) * 9 * s),
                        (c + math.cos(ang) * 9 * s, c + math.sin(ang) * 9 * s)], fill=col + (160,), width=s)
            d.ellipse([c - 4 * s, c - 4 * s, c + 4 * s, c + 4 * s], fill=col + (255,))
            d.ellipse([c - 2 * s, c - 2 * s, c + 2 * s, c + 2 * s], fill=(255, 255, 255, 255))
        frames.append(g.supersampled(20, 20, paint))
    canvas = Image.new("RGBA", (100, 20), (0, 0, 0, 0))
    for i, f in enumerate(frames):
        canvas.alpha_composite(f, (i * 20, 0))
    return canvas


def treasure_panel():
    """The panel behind the treasure tile: a caption on the left, room for the large face at (40, 2)."""
    panel = _rounded_panel(97, 83, (120, 30, 24), (70, 14, 12), GOLD, 8, 2)
    d = ImageDraw.Draw(panel)
    g.text_centered(d, (2, 6, 38, 42), "宝", 26, GOLD + (255,))
    g.text_centered(d, (2, 42, 38, 78), "牌", 26, GOLD + (255,))
    d.rectangle([39, 1, 95, 80], fill=(40, 8, 6, 255))
    return panel


def ready_icon():
    panel = _rounded_panel(76, 32, (255, 214, 90), (220, 150, 30), (120, 70, 10), 10, 2)
    g.text_centered(ImageDraw.Draw(panel), (0, 0, 76, 32), "准备", 20, (120, 20, 10, 255))
    return panel


def logo():
    def paint(d, im, s):
        W, H = 149 * s, 132 * s
        d.ellipse([4 * s, 4 * s, W - 4 * s, H - 4 * s], fill=(20, 60, 40, 150), outline=GOLD + (200,), width=3 * s)
        g.text_centered(d, (0, 12 * s, W, 78 * s), "麻将", 50 * s, GOLD + (255,), stroke=2 * s,
                        stroke_fill=(90, 50, 10, 255))
        g.text_centered(d, (0, 78 * s, W, 112 * s), "四人场", 22 * s, CREAM + (255,))
    return g.supersampled(149, 132, paint)


def activity_button_frames():
    """Four frames of the activity button: normal, hover, pressed, disabled."""
    looks = [((240, 120, 40), (200, 60, 20)), ((255, 160, 70), (230, 90, 30)), ((190, 80, 20), (150, 40, 10)),
             ((150, 150, 150), (110, 110, 110))]
    return [button(90, 34, "兑奖活动", top, bottom, size=17) for top, bottom in looks]


def ticket_animation(n):
    """A ticket with "+n" rising and fading out, 8 frames of 140 x 70. The table plays it once
    and leaves it on its last frame, so that frame is empty."""
    frames = []
    for f in range(8):
        t = f / 7
        frame = Image.new("RGBA", (140, 70), (0, 0, 0, 0))
        ticket = _rounded_panel(100, 34, (255, 226, 120), (240, 170, 50), (150, 60, 20), 6, 2)
        g.text_centered(ImageDraw.Draw(ticket), (0, 0, 100, 34), "+%d 张" % n, 20, (160, 20, 10, 255))
        alpha = 1.0 if t < 0.5 else max(0.0, 1 - (t - 0.5) / 0.5)
        ticket.putalpha(ticket.getchannel("A").point(lambda a, k=alpha: int(a * k)))
        frame.alpha_composite(ticket, (20, int(32 - 28 * t)))
        frames.append(frame)
    return frames


# --- the activity package and the ticket form -----------------------------------------------------

def exchange_page():
    """The activity panel's page. The panel draws on it: the prize names at y 223 and 355, the
    rules from (340, 124), the latest exchanges from (336, 311), the ticket count at (100, 420);
    its controls sit over it: the prizes centred at x 100 and 240, y 178 and 309, their exchange
    buttons at y 248 and 379, the page buttons along y 400 and the close button at (567, 11)."""
    w, h = 578, 454
    img = _rounded_panel(w, h, (255, 246, 222), (246, 222, 170), (160, 90, 30), 16, 3)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([0, 0, w - 1, 30], radius=16, fill=(190, 50, 30, 255))
    d.rectangle([0, 16, w - 1, 30], fill=(190, 50, 30, 255))
    g.text_centered(d, (0, 0, w, 30), "奖券兑换", 20, (255, 240, 200, 255))
    g.text_centered(d, (20, 44, 310, 76), "赢取兑换券，换取精美奖品！", 18, (190, 60, 30, 255))
    for cx in (100, 240):
        for cy in (178, 309):
            d.rounded_rectangle([cx - 66, cy - 48, cx + 66, cy + 82], radius=8, fill=(255, 252, 244, 255),
                                outline=(200, 150, 90, 255), width=2)
    d.rounded_rectangle([326, 96, 564, 246], radius=8, outline=(200, 150, 90, 255), width=2)
    g.text_centered(d, (326, 98, 564, 120), "活动规则", 14, (160, 60, 20, 255))
    d.rounded_rectangle([326, 280, 564, 410], radius=8, outline=(200, 150, 90, 255), width=2)
    g.text_centered(d, (326, 284, 564, 306), "最新兑换", 14, (160, 60, 20, 255))
    d.text((46, 420), "奖券:", font=g.font(16), fill=(90, 50, 20, 255))
    return g.keyed(img)


def small_button_frames(w, h, text, colours=((250, 190, 80), (200, 120, 30))):
    top, bottom = colours
    looks = [(top, bottom), (g.lerp(top, (255, 255, 255), .3), g.lerp(bottom, (255, 255, 255), .3)),
             (g.lerp(top, (0, 0, 0), .25), g.lerp(bottom, (0, 0, 0), .25)), ((170, 170, 170), (120, 120, 120))]
    return [button(w, h, text, a, b, size=max(10, int(h * 0.55))) for a, b in looks]


def prize_picture(k):
    """A prize: a wrapped gift on a coloured card, 110 x 86."""
    r = g.rng("prize%d" % k)
    col = (r.randint(80, 230), r.randint(80, 230), r.randint(80, 230))
    ribbon = [(220, 40, 40), (240, 190, 40), (40, 120, 220)][k % 3]
    def paint(d, im, s):
        W, H = 110 * s, 86 * s
        d.rounded_rectangle([2 * s, 2 * s, W - 2 * s, H - 2 * s], radius=10 * s, fill=col + (255,),
                            outline=(90, 60, 30, 255), width=2 * s)
        d.rectangle([W * .3, H * .38, W * .7, H * .86], fill=(255, 250, 240, 255))
        d.rectangle([W * .46, H * .38, W * .54, H * .86], fill=ribbon + (255,))
        d.polygon([(W * .5, H * .38), (W * .34, H * .14), (W * .4, H * .38)], fill=ribbon + (255,))
        d.polygon([(W * .5, H * .38), (W * .66, H * .14), (W * .6, H * .38)], fill=ribbon + (255,))
        g.text_centered(d, (0, 0, W * .28, H * .3), str(k + 1), 16 * s, (255, 255, 255, 255))
    return g.keyed(g.supersampled(110, 86, paint))


def result_page(ok):
    w, h = 578, 399
    img = _rounded_panel(w, h, (255, 248, 230), (240, 220, 180), (160, 90, 30), 16, 3)
    d = ImageDraw.Draw(img)
    g.text_centered(d, (0, 60, w, 200), "兑换成功" if ok else "兑换失败", 44,
                    ((30, 130, 50) if ok else (190, 30, 30)) + (255,))
    return g.keyed(img)


def ticket_form():
    """The contact form over the prize pop-up: the labels beside the places of its three edits
    (phone at y 128, name at 157, address at 186, from x 190) and of its two buttons; the corners
    are in the key colour, so that the pop-up's rounded picture shows through."""
    w, h = 578, 399
    img = g.keyed(_rounded_panel(w, h, (255, 250, 236), (238, 226, 196), (160, 90, 30), 14, 3))
    d = ImageDraw.Draw(img)
    g.text_centered(d, (0, 24, w, 64), "填写领奖信息", 24, (150, 50, 20))
    g.text_centered(d, (0, 74, w, 100), "请如实填写，奖品将按以下信息寄出", 14, (110, 80, 50))
    for y, label, width in ((128, "手机号码:", 200), (157, "真实姓名:", 200), (186, "联系地址:", 320)):
        d.text((100, y + 2), label, font=g.font(16), fill=(80, 50, 20))
        d.rectangle([188, y - 2, 190 + width + 1, y + 21], outline=(170, 130, 90))
    g.text_centered(d, (0, 214, w, 236), "手机号码须为11位数字", 12, (160, 60, 40))
    return img


# --- style bars ----------------------------------------------------------------------------------

def claim_buttons():
    frames = []
    for ch, col in zip("碰杠吃胡过选", [(40, 120, 200), (120, 60, 180), (30, 150, 80), (210, 40, 30),
                                      (110, 110, 110), (200, 140, 20)]):
        def paint(d, im, s, ch=ch, col=col):
            S = 40 * s
            d.ellipse([s, s, S - s, S - s], fill=col + (255,), outline=GOLD + (255,), width=2 * s)
            g.text_centered(d, (0, 0, S, S), ch, 24 * s, (255, 255, 255, 255), stroke=s, stroke_fill=(30, 20, 10, 255))
        frames.append(g.supersampled(40, 40, paint))
    canvas = Image.new("RGBA", (240, 40), (0, 0, 0, 0))
    for i, f in enumerate(frames):
        canvas.alpha_composite(f, (i * 40, 0))
    return canvas


def bar_pieces(h, top, bottom, slot):
    """Left cap, middle and right cap of a bar; the bar puts one middle piece behind each of its
    buttons, so the middle is one button slot wide."""
    left = _rounded_panel(40, h, top, bottom, GOLD, h // 3)
    mid_full = g.keyed(_rounded_panel(slot + 32, h, top, bottom, GOLD, h // 3))
    mid = mid_full.crop((16, 0, 16 + slot, h))
    right = left.transpose(Image.FLIP_LEFT_RIGHT)
    return g.keyed(left.crop((0, 0, 16, h))), mid, g.keyed(right.crop((24, 0, 40, h)))


# --- skins and the hall --------------------------------------------------------------------------

def portrait(i):
    """A 32 x 32 portrait on the teal key: a face in a round frame."""
    r = g.rng("portrait%d" % i)
    skin = [(250, 214, 180), (236, 192, 150), (210, 160, 120)][i % 3]
    hair = [(30, 24, 20), (90, 50, 20), (150, 90, 40), (60, 60, 70)][r.randint(0, 3)]
    shirt = (r.randint(40, 220), r.randint(40, 220), r.randint(40, 220))
    def paint(d, im, s):
        S = 32 * s
        d.rectangle([0, 22 * s, S, S], fill=shirt + (255,))
        d.ellipse([6 * s, 20 * s, 26 * s, 40 * s], fill=shirt + (255,))
        d.ellipse([9 * s, 5 * s, 23 * s, 22 * s], fill=skin + (255,))
        if i % 2:  # long hair
            d.pieslice([7 * s, 2 * s, 25 * s, 22 * s], 180, 360, fill=hair + (255,))
            d.rectangle([7 * s, 11 * s, 10 * s, 24 * s], fill=hair + (255,))
            d.rectangle([22 * s, 11 * s, 25 * s, 24 * s], fill=hair + (255,))
        else:
            d.pieslice([8 * s, 3 * s, 24 * s, 17 * s], 180, 360, fill=hair + (255,))
        d.ellipse([12 * s, 12 * s, 14 * s, 14 * s], fill=(20, 20, 20, 255))
        d.ellipse([18 * s, 12 * s, 20 * s, 14 * s], fill=(20, 20, 20, 255))
        d.arc([13 * s, 14 * s, 19 * s, 19 * s], 20, 160, fill=(170, 60, 60, 255), width=s)
    return g.keyed(g.supersampled(32, 32, paint), (0, 128, 128))


FACE_TIPS = ["微笑", "大笑", "害羞", "眨眼", "得意", "流泪", "生气", "惊讶", "酷", "困",
             "思考", "鼓掌", "偷笑", "再见", "亲亲", "晕", "抓狂", "无语", "调皮", "难过",
             "胜利", "加油", "握手", "强", "弱", "玫瑰", "爱心", "蛋糕", "咖啡", "礼物",
             "太阳", "月亮", "发财", "红包", "鞭炮", "麻将", "好牌", "自摸", "杠上花", "谢谢"]


def chat_face(n):
    """A 20 x 20 chat face on white (the key). Faces 1-20 are faces, 21-40 things and words."""
    r = g.rng("face%d" % n)
    def paint(d, im, s):
        S = 20 * s
        if n <= 20:
            d.ellipse([s, s, S - s, S - s], fill=(255, 206, 60, 255), outline=(170, 110, 10, 255), width=s)
            ey = 7 * s
            if n in (4, 19):
                d.line([(5 * s, ey + s), (8 * s, ey + s)], fill=(40, 30, 10, 255), width=s)
            else:
                d.ellipse([5 * s, ey, 8 * s, ey + 3 * s], fill=(40, 30, 10, 255))
            d.ellipse([12 * s, ey, 15 * s, ey + 3 * s], fill=(40, 30, 10, 255))
            if n in (6, 7, 20, 16, 18):  # sad or cross: a frown
                d.arc([6 * s, 12 * s, 14 * s, 18 * s], 200, 340, fill=(120, 30, 10, 255), width=s)
            elif n == 8:
                d.ellipse([8 * s, 12 * s, 12 * s, 16 * s], fill=(120, 30, 10, 255))
            else:
                d.arc([5 * s, 8 * s, 15 * s, 16 * s], 20, 160, fill=(120, 30, 10, 255), width=s)
            if n == 6:
                d.ellipse([4 * s, 10 * s, 6 * s, 14 * s], fill=(80, 160, 255, 255))
            if n == 9:
                d.rectangle([4 * s, 6 * s, 16 * s, 10 * s], fill=(20, 20, 20, 255))
        else:
            col = (r.randint(60, 220), r.randint(40, 200), r.randint(40, 200))
            d.rounded_rectangle([s, s, S - s, S - s], radius=5 * s, fill=col + (255,))
            g.text_centered(d, (0, 0, S, S), FACE_TIPS[n - 1][0], 14 * s, (255, 255, 255, 255))
    return g.keyed(g.supersampled(20, 20, paint), (255, 255, 255))


def notice_face():
    """Picture 0: the system-notice mark in front of the hall's notices."""
    def paint(d, im, s):
        S = 20 * s
        d.rounded_rectangle([s, 2 * s, S - s, S - 2 * s], radius=3 * s, fill=(210, 40, 30, 255))
        g.text_centered(d, (0, 0, S, S), "通", 13 * s, (255, 240, 200, 255))
    return g.keyed(g.supersampled(20, 20, paint), (255, 255, 255))


def ico_bytes(img, sizes=(32, 16)):
    import io
    out = io.BytesIO()
    img.save(out, "ICO", sizes=[(s, s) for s in sizes])
    return out.getvalue()


def program_icon():
    def paint(d, im, s):
        S = 64 * s
        d.rounded_rectangle([6 * s, 2 * s, S - 6 * s, S - 2 * s], radius=10 * s, fill=(248, 244, 228, 255),
                            outline=(28, 112, 70, 255), width=4 * s)
        g.text_centered(d, (0, 0, S, S), "中", 44 * s, (196, 28, 36, 255))
    return g.supersampled(64, 64, paint)


def glyph_icon(text, bg):
    def paint(d, im, s):
        S = 32 * s
        d.rounded_rectangle([s, s, S - s, S - s], radius=6 * s, fill=bg + (255,))
        g.text_centered(d, (0, 0, S, S), text, 22 * s, (255, 255, 255, 255))
    return g.supersampled(32, 32, paint)
