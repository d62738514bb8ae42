#!/usr/bin/env python3
"""Writes the pictures and sounds the program carries as resources by id, and a C++ source that
holds their bytes in a table for resources/MediaResources.cpp to register.

usage: make_resources.py --work DIR --source FILE
"""
import argparse
import os
import sys

from PIL import Image, ImageDraw

import gdcommon as g
import make_sounds as snd
import pictures as p



def media(work):
    """(type, id, file) of every resource, the files written under work."""
    out = []

    def put(kind, number, name, data):
        path = os.path.join(work, name)
        g.write_bytes(path, data)
        out.append((kind, number, path))

    put("RT_GROUP_ICON", 151, "icon151.ico", p.ico_bytes(p.program_icon(), (32, 16)))
    put("RT_GROUP_ICON", 152, "icon152.ico", p.ico_bytes(p.glyph_icon("表", (230, 150, 20)), (32, 16)))
    put("RT_GROUP_ICON", 165, "icon165.ico", p.ico_bytes(p.glyph_icon("箱", (150, 90, 30)), (16,)))
    put("RT_GROUP_ICON", 166, "icon166.ico", p.ico_bytes(p.glyph_icon("设", (60, 110, 170)), (16,)))
    # A bitmap resource is a packed DIB: the .bmp file without its 14-byte file header.
    portrait = p.portrait(0).resize((22, 21), Image.LANCZOS)
    put("RT_BITMAP", 162, "bitmap162.dib", g.bmp_bytes(portrait)[14:])
    answer = g.vertical_gradient(120, 60, (255, 250, 230), (240, 220, 170))
    g.text_centered(ImageDraw.Draw(answer), (0, 0, 120, 60), "请输入答案", 16, (120, 60, 20))
    put("RT_BITMAP", 229, "bitmap229.dib", g.bmp_bytes(answer)[14:])
    # The prize pop-up: a shadowed, rounded panel with per-pixel alpha, a little larger than the
    # 578 x 399 form drawn on top of it.
    put("\"PNG\"", 300, "png300.png", g.png_bytes(prize_popup()))
    for number, samples in snd.effects().items():
        put("\"SOUND\"", number, "sound%d.wav" % number, snd.wav_bytes(samples))
    return out


def prize_popup():
    w, h = 598, 419
    shadow = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    ImageDraw.Draw(shadow).rounded_rectangle([6, 8, w - 1, h - 1], radius=20, fill=(0, 0, 0, 110))
    from PIL import ImageFilter
    shadow = shadow.filter(ImageFilter.GaussianBlur(4))
    panel = p._rounded_panel(586, 407, (255, 236, 200), (250, 200, 120), (170, 90, 30), 18, 3)
    shadow.alpha_composite(panel, (0, 0))
    return shadow


def cpp_source(items):
    lines = ["// Made by tools/gamedata/make_resources.py at build time.",
             "#include \"resources/MediaResources.h\"", "", "namespace resources {", "namespace {", ""]
    names = []
    for kind, number, path in items:
        with open(path, "rb") as f:
            data = f.read()
        name = "k%s%d" % ("".join(c for c in kind if c.isalnum()), number)
        names.append((kind, number, name, len(data)))
        lines.append("const unsigned char %s[] = {" % name)
        for i in range(0, len(data), 24):
            lines.append("  " + ",".join(str(b) for b in data[i:i + 24]) + ",")
        lines.append("};")
    lines += ["", "}  // namespace", "", "const MediaResource MEDIA_RESOURCES[] = {"]
    for kind, number, name, size in names:
        lines.append("    {%s, %d, %s, %d}," % (kind, number, name, size))
    lines += ["};", "const size_t MEDIA_RESOURCE_COUNT = sizeof(MEDIA_RESOURCES) / sizeof(MEDIA_RESOURCES[0]);", "",
              "}  // namespace resources", ""]
    return "\n".join(lines).encode("utf-8")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--work", required=True)
    ap.add_argument("--source", required=True)
    args = ap.parse_args()
    g.write_bytes(args.source, cpp_source(media(args.work)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
