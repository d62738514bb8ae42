#!/usr/bin/env python3
"""Writes every picture of the game data: the common and style pictures of the table under
skins/, the skin folders, the activity package, and the hall's portraits and faces; then the
contact sheet beside them.

usage: make_pictures.py --bin DIR --hall DIR --work DIR --ppswrite EXE --packwrite EXE --sheet PNG
"""
import argparse
import os
import subprocess
import sys

from PIL import Image, ImageDraw

import gdcommon as g
import pictures as p
import tiles

STYLES = ["Classic", "Jade"]
SKINS = [
    # folder, shown name, style, table colour, wait bar colours, frame colours
    ("skin1", "经典绿", "Classic", (0, 64, 0), ((46, 70, 26), (115, 148, 66))),
    ("skin2", "深海蓝", "Jade", (16, 40, 80), ((26, 52, 96), (86, 128, 190))),
]


class Writer:
    def __init__(self, args):
        self.args = args
        self.manifest = g.Manifest()
        self.work = args.work

    def rel(self, path):
        return os.path.relpath(path, os.path.dirname(self.args.bin))

    def bmp(self, path, img, fw=None, fh=None, frames=1, step=None, key=g.MAGENTA):
        g.write_bytes(path, g.bmp_bytes(img))
        self.manifest.add(path, fw or img.size[0], fh or img.size[1], frames, step, key)

    def png(self, path, img, fw=None, fh=None, frames=1, step=None):
        g.write_bytes(path, g.png_bytes(img))
        self.manifest.add(path, fw or img.size[0], fh or img.size[1], frames, step, None)

    def pps(self, path, frames, duration=0, alpha=False):
        """A .pps of one or more frames of the same size, made by the program's own writer from a
        picture with the frames stacked from top to bottom."""
        w, h = frames[0].size
        stacked = Image.new("RGBA" if alpha else "RGB", (w, h * len(frames)))
        for i, f in enumerate(frames):
            stacked.paste(f if alpha else f.convert("RGB"), (0, i * h))
        name = os.path.splitext(os.path.basename(path))[0]
        source = os.path.join(self.work, "pps", "%s.%s" % (name.encode("utf-8").hex(), "png" if alpha else "bmp"))
        g.write_bytes(source, g.png_bytes(stacked, 1) if alpha else g.bmp_bytes(stacked))
        cmd = [self.args.ppswrite, "--frames", str(len(frames))]
        if duration:
            cmd += ["--duration", str(duration)]
        g.ensure_dir(os.path.dirname(path))
        subprocess.run(cmd + [source, path], check=True)
        self.manifest.add(path, w, h, len(frames), None, None if alpha else g.MAGENTA, stacked=True)
        self.manifest.items[-1]["source"] = source


def common(wr, folder):
    for v in range(1, 7):
        for second in (0, 1):
            wr.bmp(os.path.join(folder, "dice%d.bmp" % (v + 6 * second)), p.dice_strip(v, second), 106, 99, 9, 106,
                   key=p.BLUE_KEY)
    wr.bmp(os.path.join(folder, "start.bmp"), g.keyed(p.button(80, 30, "开 始", (250, 170, 60), (210, 100, 20))))
    wr.bmp(os.path.join(folder, "AskKanPai.bmp"), g.keyed(p.button(100, 30, "请求看牌", (90, 170, 230), (30, 100, 180),
                                                                    size=17)))
    wr.bmp(os.path.join(folder, "clock_digit.bmp"), p.clock_digits(), 8, 17, 10, 8, key=p.GREEN_KEY)
    wr.png(os.path.join(folder, "dnxb.png"), p.winds_png(), 59, 61, 4, 59)
    wr.bmp(os.path.join(folder, "buff.bmp"), p.buff_strip(), 30, 30, 10, 30)
    wr.bmp(os.path.join(folder, "arrowhead.bmp"), p.arrowhead())
    wr.bmp(os.path.join(folder, "Autoplay.bmp"), p.autoplay_banner())
    wr.bmp(os.path.join(folder, "hu.bmp"), p.win_mark())
    wr.bmp(os.path.join(folder, "note.bmp"), p.note_board())
    wr.png(os.path.join(folder, "hand.png"), p.hand_cursor())
    wr.png(os.path.join(folder, "partical.png"), p.particles(), 20, 20, 5, 20)
    wr.pps(os.path.join(folder, "宝牌.pps"), [p.treasure_panel()], alpha=True)
    wr.pps(os.path.join(folder, "桌面.pps"), [p.table_top(744, 710, (26, 96, 58), "table top")])
    wr.pps(os.path.join(folder, "准备.pps"), [p.ready_icon()], alpha=True)
    wr.pps(os.path.join(folder, "logo.pps"), [p.logo()], alpha=True)
    wr.pps(os.path.join(folder, "btnShowAct.pps"), p.activity_button_frames(), alpha=True)
    for n in range(1, 11):
        wr.pps(os.path.join(folder, "aniGetTickets%d.pps" % n), p.ticket_animation(n), duration=90, alpha=True)
    wr.bmp(os.path.join(folder, "TicketEditBK.bmp"), p.ticket_form())
    exchange_package(wr, folder)


def exchange_package(wr, folder):
    """The activity panel's package: every picture and button as a .pps, packed under its name."""
    parts = os.path.join(wr.work, "ExchangeAct")
    entries = []

    def add(name, frames):
        path = os.path.join(parts, name + ".pps")
        wr.pps(path, [g.keyed(f) if f.mode == "RGBA" else f for f in frames])
        entries.append(path)

    add("picExchangeAct", [p.exchange_page()])
    add("btnCloseAct", p.small_button_frames(28, 28, "×", ((220, 80, 60), (170, 30, 20))))
    for i in range(5):
        add("btnPage%d" % i, p.small_button_frames(18, 18, str(i + 1)))
    add("btnExchange", p.small_button_frames(64, 24, "兑换"))
    for k in range(18):
        add("bitPrizePic%d" % k, [p.prize_picture(k)])
    add("btnSure", p.small_button_frames(80, 30, "确定"))
    add("btnContinueChange", p.small_button_frames(100, 30, "继续兑换"))
    add("picExchangeSucceed", [p.result_page(True)])
    add("picExchangeFailed", [p.result_page(False)])
    out = os.path.join(folder, "ExchangeAct.xyr")
    subprocess.run([wr.args.packwrite, out] + entries, check=True)


def style(wr, folder, name):
    st = tiles.STYLES[name]
    for fname, (img, fw, fh, frames, step) in tiles.style_tile_pictures(st).items():
        wr.bmp(os.path.join(folder, fname), img, fw, fh, frames, step)
    cloth = (26, 96, 58) if name == "Classic" else (24, 58, 104)
    wr.bmp(os.path.join(folder, "TableCloth0.bmp"), p.table_top(744, 710, cloth, "cloth " + name), key=None)
    wr.bmp(os.path.join(folder, "clock.bmp"), p.clock_face(st.back))
    wr.bmp(os.path.join(folder, "clock_hand.bmp"), p.clock_hands(), 56, 56, 8, 56)
    wr.bmp(os.path.join(folder, "mj_joker.bmp"), joker_mark(), 54, 77, 1, 54)
    wr.png(os.path.join(folder, "PGCHG.png"), p.claim_buttons(), 40, 40, 6, 40)
    top, bottom = (st.back_light, st.back)
    # The operation bar's slots hold the 40-pixel claim buttons, the system bar's the 30-pixel ones.
    bars = [(52, top, bottom, 44), (36, g.lerp(top, (0, 0, 0), .2), g.lerp(bottom, (0, 0, 0), .3), 34)]
    for n, (h, t, b, slot) in enumerate(bars):
        left, mid, right = p.bar_pieces(h, t, b, slot)
        wr.bmp(os.path.join(folder, "frame%d_left.bmp" % n), left)
        wr.bmp(os.path.join(folder, "frame%d_main.bmp" % n), mid)
        wr.bmp(os.path.join(folder, "frame%d_right.bmp" % n), right)


def joker_mark():
    """The mark shown over a drawn treasure tile: a gold ring with "宝" on the key colour."""
    def paint(d, im, s):
        W, H = 54 * s, 77 * s
        d.ellipse([4 * s, H / 2 - 23 * s, W - 4 * s, H / 2 + 23 * s], outline=p.GOLD + (255,), width=4 * s)
        g.text_centered(d, (0, 0, W, H), "宝", 30 * s, (220, 30, 30, 255), stroke=2 * s,
                        stroke_fill=p.GOLD + (255,))
    return g.keyed(g.supersampled(54, 77, paint))


def skin(wr, skins_dir, folder, shown, style_name, table, wait):
    d = os.path.join(skins_dir, folder)
    st = tiles.STYLES[style_name]
    bitmaps = []

    def put(name, fname, img, **kw):
        wr.bmp(os.path.join(d, fname), img, **kw)
        bitmaps.append((name, fname))

    put("CommDlgBK", "CommDlgBK.bmp", g.vertical_gradient(320, 80, g.lerp(st.back_light, (255, 255, 255), .5),
                                                          g.lerp(st.back, (255, 255, 255), .2)))
    vert = g.vertical_gradient(8, 64, st.back_light, st.back).transpose(Image.ROTATE_90).resize((8, 64))
    put("SplitterVerBK", "SplitterVerBK.bmp", vert)
    put("SplitterHorBK", "SplitterHorBK.bmp", g.vertical_gradient(64, 6, st.back_light, st.back))
    put("OperateBK", "OperateBK.bmp", g.vertical_gradient(300, 70, g.lerp(st.back, (0, 0, 0), .1),
                                                          g.lerp(st.back, (0, 0, 0), .5)))
    put("TableCloth", "TableCloth.bmp", p.felt(256, 256, table, "skin cloth " + folder))
    zhuang = g.keyed(g.supersampled(20, 20, lambda dr, im, s: (
        dr.ellipse([s, s, 19 * s, 19 * s], fill=(200, 40, 30, 255), outline=p.GOLD + (255,), width=s),
        g.text_centered(dr, (0, 0, 20 * s, 20 * s), "庄", 14 * s, (255, 236, 160, 255)))))
    put("MJ_ZHUANG", "MJ_ZHUANG.bmp", zhuang)
    header = g.vertical_gradient(240, 26, st.back_light, st.back)
    g.text_centered(ImageDraw.Draw(header), (0, 0, 240, 26), shown, 16, (255, 255, 255))
    wr.bmp(os.path.join(d, "Header.bmp"), header, key=None)
    # The table's pictures under the skin library's names.
    tile_pics = tiles.style_tile_pictures(st)
    named = [("MJ_LARGE1", "mj_large1024.bmp"), ("MJ_LARGE2", "mj_large800.bmp"), ("MJ_SMALLBACK0", "mj_smallback0.bmp"),
             ("MJ_SMALLBACK1", "mj_smallback1.bmp"), ("MJ_BACK0", "mj_back0.bmp"), ("MJ_BACK1", "mj_back1.bmp"),
             ("MJ_SMALL0", "mj_small0.bmp"), ("MJ_SMALL1", "mj_small1.bmp")]
    named += [("MJ_MIDDLE%d" % i, "mj_middle%d.bmp" % i) for i in range(4)]
    named += [("MJ_SIDE%d" % i, "mj_side%d.bmp" % i) for i in range(3)]
    for name, fname in named:
        img, fw, fh, frames, step = tile_pics[fname]
        put(name, fname, img, fw=fw, fh=fh, frames=frames, step=step)
    put("CLOCK", "clock.bmp", p.clock_face(st.back))
    put("CLOCK_HAND", "clock_hand.bmp", p.clock_hands(), fw=56, fh=56, frames=8, step=56)
    put("CLOCK_DIGIT", "clock_digit.bmp", p.clock_digits(), fw=8, fh=17, frames=10, step=8, key=p.GREEN_KEY)
    put("MJ_JOKER", "mj_joker.bmp", joker_mark())
    put("MJ_HU", "hu.bmp", p.win_mark())
    for v in range(1, 13):
        put("DICE%d" % v, "dice%d.bmp" % v, p.dice_strip((v - 1) % 6 + 1, 1 if v > 6 else 0), fw=106, fh=99, frames=9,
            step=106, key=p.BLUE_KEY)
    g.write_bytes(os.path.join(d, "skin.ico"), p.ico_bytes(p.glyph_icon("皮", st.back)))

    def rgb(c):
        return "%d %d %d" % c
    g.write_bytes(os.path.join(d, "skin.ini"), g.ini_bytes([
        ("SKIN", [("Name", shown)]),
        ("DLGBAR", [("AdvertLeft", 3), ("AdvertTop", 3), ("BTNWidth", 50), ("BTNHeight", 36)]),
        ("BitmapResource", [("DlgBarBKLeftWidth", 0)] + bitmaps),
        ("JPGResource", []),
        ("SPLITTER", [("VerWidth", 8), ("HorHeight", 6)]),
        ("FRAMECOLOR", [("LeftOut", "128 128 128"), ("LeftIn", "0 0 0"), ("RightIn", "212 208 200"),
                        ("RightOut", "255 255 255")]),
        ("CommColors", [("WaitBarfg", rgb(wait[0])), ("WaitBarbg", rgb(wait[1])), ("TableColor", rgb(table))]),
        ("Headerbar", [("Image", "Header.bmp")]),
    ]))


def hall(wr, hall_dir):
    share = os.path.join(hall_dir, "Share", "Image")
    for i in range(32):
        wr.bmp(os.path.join(share, "portrait", "%d_0.bmp" % i), p.portrait(i), key=(0, 128, 128))
    faces = os.path.join(share, "face")
    wr.bmp(os.path.join(faces, "0.bmp"), p.notice_face(), key=(255, 255, 255))
    for n in range(1, 41):
        wr.bmp(os.path.join(faces, "%d.bmp" % n), p.chat_face(n), key=(255, 255, 255))
    g.write_bytes(os.path.join(faces, "face.ini"),
                  g.ini_bytes([("Remark", [(str(n), p.FACE_TIPS[n - 1]) for n in range(1, 41)])]))


def contact_sheet(items, out, root):
    """One picture of every picture: its name, its size and frame grid, on a checked background so
    that keyed and transparent areas show."""
    width = 1400
    blocks = []
    for it in items:
        src = it.get("source", it["path"])
        img = Image.open(src)
        img.load()
        if img.mode == "RGBA":
            shown = img
        else:
            img = img.convert("RGB")
            shown = img.convert("RGBA")
            if it["key"] is not None:
                shown.putalpha(g.key_mask(img, it["key"]).point(lambda v: 255 - v))
        if it["stacked"] and it["frames"] > 1:
            # Lay the frames of a .pps side by side like a strip.
            fw, fh, n = it["fw"], it["fh"], it["frames"]
            row = Image.new("RGBA", (fw * n, fh), (0, 0, 0, 0))
            for i in range(n):
                row.alpha_composite(shown.crop((0, i * fh, fw, (i + 1) * fh)), (i * fw, 0))
            shown, step = row, fw
        else:
            step = it["step"] or it["fw"]
        scale = 1.0
        if shown.size[0] > width - 20:
            scale = (width - 20) / shown.size[0]
        if shown.size[0] < 200 and shown.size[1] < 100:
            scale = 2.0
        sw, sh = max(1, int(shown.size[0] * scale)), max(1, int(shown.size[1] * scale))
        shown = shown.resize((sw, sh), Image.NEAREST if scale >= 1 else Image.LANCZOS)
        label = "%s  %dx%d x%d%s key %s" % (os.path.relpath(it["path"], root), it["fw"], it["fh"], it["frames"],
                                             (" step %d" % step) if it["frames"] > 1 else "",
                                             ("alpha" if img.mode == "RGBA" else "none") if it["key"] is None
                                             else "%02X%02X%02X" % it["key"])
        blocks.append((label, shown, step * scale, it["frames"], it["fw"] * scale))
    height = sum(b[1].size[1] + 26 for b in blocks) + 10
    sheet = Image.new("RGB", (width, height), (48, 48, 52))
    d = ImageDraw.Draw(sheet)
    y = 6
    checker = Image.new("RGB", (16, 16), (150, 150, 150))
    ImageDraw.Draw(checker).rectangle([0, 0, 7, 7], fill=(190, 190, 190))
    ImageDraw.Draw(checker).rectangle([8, 8, 15, 15], fill=(190, 190, 190))
    for label, shown, step, frames, fw in blocks:
        d.text((10, y), label, font=g.font(14), fill=(235, 235, 235))
        y += 20
        w, h = shown.size
        bg = Image.new("RGB", (w, h))
        for cy in range(0, h, 16):
            for cx in range(0, w, 16):
                bg.paste(checker, (cx, cy))
        bg.paste(shown, (0, 0), shown)
        sheet.paste(bg, (10, y))
        if frames > 1:
            for f in range(frames):
                x0 = 10 + int(f * step)
                d.rectangle([x0, y, x0 + int(fw) - 1, y + h - 1], outline=(0, 230, 230))
        y += h + 6
    g.write_bytes(out, g.png_bytes(sheet, 3))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--hall", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--ppswrite", required=True)
    ap.add_argument("--packwrite", required=True)
    ap.add_argument("--sheet", required=True)
    ap.add_argument("--stamp", required=True)
    args = ap.parse_args()
    wr = Writer(args)
    skins_dir = os.path.join(args.bin, "skins")
    common(wr, os.path.join(skins_dir, "Common"))
    for name in STYLES:
        style(wr, os.path.join(skins_dir, name), name)
    for folder, shown, style_name, table, wait in SKINS:
        skin(wr, skins_dir, folder, shown, style_name, table, wait)
    hall(wr, args.hall)
    contact_sheet(wr.manifest.items, args.sheet, os.path.dirname(os.path.abspath(args.bin)))
    g.write_bytes(args.stamp, b"pictures\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
