#!/usr/bin/env python3
"""Writes the settings files beside the program: the game ini with its defaults and the chat
phrases. Both are GBK text with CR LF line ends, as the program reads and writes them.

usage: make_settings.py --bin DIR --stamp FILE
"""
import argparse
import os
import sys

import gdcommon as g

GAME_INI = [
    ("GAMESET", [("QuickCatch", 1), ("Silence", 0), ("RejectKanPaiAsk", 0), ("Music", 0), ("fangyan", 0),
                 ("AdvertACSencond", 5), ("AdvertACMaxCount", 3), ("TabSelColor", 0), ("TabUnSelColor", 0)]),
    # Path stays empty: the program writes the chosen skin's full path on its first start.
    ("SKIN", [("Style0", "Classic"), ("Style1", "Jade"), ("Style2", "Classic"), ("Default", 0), ("Path", "")]),
    ("AI", [("weight_shape", 1), ("weight_Shun", 50), ("weight_Jiang", 100), ("weight_PnPn", 200),
            ("weight_Gang", 205), ("weight_258Jiang", 20), ("weight_258", 100), ("weight_Feng", 100),
            ("weight_7dui", 200), ("weight_use", 5)]),
    # Empty addresses make the program build them from the room's advert base.
    ("ADVERT", [("WWW1", ""), ("WWW3", "")]),
]

PHRASES = [
    "大家好，很高兴见到各位！",
    "快点吧，我等得花儿都谢了。",
    "不好意思，刚才有点事。",
    "你的牌打得也太好了！",
    "今天手气不错啊。",
    "又断线了，网络不太好。",
    "和你合作真是太愉快了。",
    "不要走，决战到天亮！",
    "下次再玩吧，我要走了。",
    "再见了，我会想念大家的。",
]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--stamp", required=True)
    args = ap.parse_args()
    g.write_bytes(os.path.join(args.bin, "Pxqd.ini"), g.ini_bytes(GAME_INI))
    g.write_bytes(os.path.join(args.bin, "Phrases.txt"), ("\r\n".join(PHRASES) + "\r\n").encode("gbk"))
    g.write_bytes(args.stamp, b"settings\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
