#!/usr/bin/env python3
"""Writes the game's sounds: the spoken tiles and claims in four voice folders (speech by
espeak-ng, trimmed and levelled by sox), the hall's link click, and a looping tune for each style
(encoded by lame). The numbered effects the program carries are made by make_resources.py.

usage: make_sounds.py --bin DIR --hall DIR --work DIR --stamp FILE
"""
import argparse
import array
import math
import os
import shutil
import subprocess
import sys
import wave
from concurrent.futures import ThreadPoolExecutor

import gdcommon as g

RATE = 22050
NUMERALS = "一二三四五六七八九"

# The spoken words of each voice file: tiles by their sort code, then the claims.
PHRASES = {}
for v in range(1, 10):
    PHRASES["%d" % v] = NUMERALS[v - 1] + "万"
    PHRASES["%d" % (10 + v)] = ("幺鸡" if v == 1 else NUMERALS[v - 1] + "条")
    PHRASES["%d" % (20 + v)] = NUMERALS[v - 1] + "筒"
for v, word in enumerate(["东风", "南风", "西风", "北风", "红中", "发财", "白板"], 1):
    PHRASES["%d" % (30 + v)] = word
PHRASES.update({
    "peng0": "碰", "peng1": "碰了",
    "gang0": "杠", "gang1": "开杠", "gang2": "暗杠",
    "chi0": "吃", "chi1": "吃了",
    "hu0": "胡了", "hu1": "自摸",
    "hua0": "补花", "hua1": "花",
})

# Folder: espeak-ng voice. The first digit is the player's gender word, the second the dialect
# switch; the dialect sets speak Cantonese so that the switch is plain to hear.
VOICES = {
    "00": "cmn+m3",
    "01": "yue+m3",
    "10": "cmn+f2",
    "11": "yue+f2",
}


def speak(folder, voice, name, text, work):
    raw = os.path.join(work, "voice", folder, name + ".raw.wav")
    out = os.path.join(work, "voice", folder, name + ".wav")
    g.ensure_dir(os.path.dirname(raw))
    pitch = "55" if voice.endswith("f2") else "40"
    subprocess.run(["espeak-ng", "-v", voice, "-s", "150", "-p", pitch, "-w", raw, text], check=True)
    # Cut the silence at both ends, lift the level, and write 16-bit mono at 22050 Hz; without
    # dither (-D) and in repeatable mode (-R), so that the same words give the same bytes.
    subprocess.run(["sox", "-V1", "-R", "-D", raw, "-r", str(RATE), "-c", "1", "-b", "16", out,
                    "silence", "1", "0.01", "0.5%", "reverse", "silence", "1", "0.01", "0.5%", "reverse",
                    "norm", "-1", "pad", "0.02", "0.05"], check=True)
    os.remove(raw)
    return out


# --- synthesis -----------------------------------------------------------------------------------

def tone(freq, dur, vol=0.5, attack=0.005, decay=None, harmonics=(1.0,), bend=0.0):
    """A note: a sum of harmonics with a short attack and an exponential decay."""
    n = int(dur * RATE)
    decay = decay if decay is not None else dur / 4
    out = [0.0] * n
    phase = 0.0
    for i in range(n):
        t = i / RATE
        f = freq * (1 + bend * t / max(dur, 1e-6))
        phase += 2 * math.pi * f / RATE
        env = min(1.0, t / attack) * math.exp(-t / decay) if attack > 0 else math.exp(-t / decay)
        s = 0.0
        for k, a in enumerate(harmonics, 1):
            s += a * math.sin(phase * k)
        out[i] = vol * env * s
    return out


def noise(dur, vol, decay, seed, lowpass=0.5):
    r = g.rng(seed)
    n = int(dur * RATE)
    out, last = [], 0.0
    for i in range(n):
        last = last + lowpass * (r.uniform(-1, 1) - last)
        out.append(vol * last * math.exp(-(i / RATE) / decay))
    return out


def mix(*parts, offsets=None):
    offsets = offsets or [0.0] * len(parts)
    n = max(int(o * RATE) + len(p) for p, o in zip(parts, offsets))
    out = [0.0] * n
    for p, o in zip(parts, offsets):
        base = int(o * RATE)
        for i, v in enumerate(p):
            out[base + i] += v
    return out


def wav_bytes(samples):
    peak = max(1e-9, max(abs(s) for s in samples))
    scale = min(1.0, 0.95 / peak) * 32767
    pcm = array.array("h", (int(max(-32767, min(32767, s * scale))) for s in samples))
    import io
    buf = io.BytesIO()
    with wave.open(buf, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(pcm.tobytes())
    return buf.getvalue()


def clack(seed, pitch=1.0, vol=0.8):
    """Two tiles meeting: a short knock with a wooden body."""
    return mix(noise(0.06, vol, 0.012, seed, 0.6), tone(1400 * pitch, 0.07, 0.35, 0.001, 0.015, (1.0, 0.4, 0.2)),
               tone(520 * pitch, 0.09, 0.3, 0.001, 0.025))


def effects():
    """The numbered sounds the program plays from its resources."""
    fx = {}
    # Count-down ticks: the last seconds sound higher.
    for left in range(6):
        fx[29000 + left] = tone(1500 - left * 90, 0.09, 0.6, 0.001, 0.025, (1.0, 0.3))
    fx[29010] = mix(tone(880, 0.06, 0.5, 0.001, 0.02, (1.0, 0.5)), noise(0.02, 0.3, 0.005, "click"))
    fx[29011] = tone(1760, 0.04, 0.35, 0.001, 0.012)
    fx[29012] = mix(tone(784, 0.25, 0.5, 0.003, 0.1, (1.0, 0.3)), tone(1047, 0.4, 0.5, 0.003, 0.15, (1.0, 0.3)),
                    offsets=[0.0, 0.12])
    fx[29013] = mix(*[tone(f, 0.18, 0.5, 0.003, 0.08, (1.0, 0.5, 0.25)) for f in (1319, 1047, 1319, 1047)],
                    offsets=[0.0, 0.2, 0.4, 0.6])
    fx[29014] = mix(tone(660, 0.2, 0.5, 0.003, 0.08), tone(990, 0.3, 0.4, 0.003, 0.1), offsets=[0.0, 0.1])
    fx[29015] = mix(tone(1175, 0.3, 0.45, 0.002, 0.12, (1.0, 0.2)), tone(1568, 0.4, 0.4, 0.002, 0.15, (1.0, 0.2)),
                    offsets=[0.0, 0.15])
    fx[29100] = clack("hover", 1.3, 0.4)
    fx[29101] = mix(clack("die1", 0.8), clack("die2", 0.9, 0.5), clack("die3", 1.0, 0.3), offsets=[0.0, 0.09, 0.16])
    fx[29102] = mix(*[clack("wall%d" % i, 0.9 + 0.05 * i, 0.5) for i in range(4)], offsets=[0.0, 0.04, 0.08, 0.12])
    fx[29103] = clack("discard", 1.0, 0.9)
    fx[29104] = clack("river", 0.85, 0.7)
    notes = [523, 659, 784, 1047]
    fx[29106] = mix(*[tone(f, 0.6, 0.45, 0.004, 0.25, (1.0, 0.4, 0.2)) for f in notes],
                    offsets=[0.0, 0.1, 0.2, 0.3])
    fx[29108] = mix(*[clack("sort%d" % i, 1.1, 0.4) for i in range(6)], offsets=[i * 0.035 for i in range(6)])
    return fx


SCALE = [0, 2, 4, 7, 9]  # a pentatonic scale


def tune(style):
    """A short tune that loops: a pentatonic melody over a bass, with a plucked or a bell voice by
    style. It ends on the beat before it starts again."""
    r = g.rng("tune " + style)
    root = 220.0 if style == "Classic" else 196.0
    beat = 0.375 if style == "Classic" else 0.42
    bars, per_bar = 8, 4
    total = bars * per_bar * beat
    parts, offsets = [], []
    harm = (1.0, 0.5, 0.25, 0.12) if style == "Classic" else (1.0, 0.0, 0.4, 0.0, 0.2)
    degree = 0
    for b in range(bars):
        chord = [0, 3, 4, 2, 0, 3, 1, 4][b]
        bass = root / 2 * 2 ** (SCALE[chord] / 12)
        parts.append(tone(bass, beat * per_bar * 0.95, 0.35, 0.01, beat * 2, (1.0, 0.3)))
        offsets.append(b * per_bar * beat)
        for k in range(per_bar):
            if b == bars - 1 and k == per_bar - 1:
                degree = 0
            else:
                degree = max(-2, min(7, degree + r.choice([-2, -1, -1, 1, 1, 2, 0])))
            if r.random() < 0.15 and k:
                continue
            octave, idx = divmod(degree, 5)
            f = root * 2 ** (octave + SCALE[idx] / 12)
            parts.append(tone(f, beat * 1.4, 0.45, 0.004, beat * 0.6, harm))
            offsets.append((b * per_bar + k) * beat)
    song = mix(*parts, offsets=offsets)
    n = int(total * RATE)
    # Fold the ringing tail over the start, so that the loop has no gap and no click.
    out = song[:n]
    for i, v in enumerate(song[n:]):
        out[i % n] += v
    return out


def mp3(wav_path, out):
    g.ensure_dir(os.path.dirname(out))
    subprocess.run(["lame", "--quiet", "-m", "m", "-b", "64", "--noreplaygain", wav_path, out + ".tmp"], check=True)
    with open(out + ".tmp", "rb") as f:
        data = f.read()
    os.remove(out + ".tmp")
    g.write_bytes(out, data)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--hall", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--stamp", required=True)
    args = ap.parse_args()
    sound = os.path.join(args.bin, "sound")

    jobs = [(folder, voice, name, text) for folder, voice in VOICES.items() for name, text in PHRASES.items()]
    with ThreadPoolExecutor(max_workers=min(4, os.cpu_count() or 1)) as pool:
        made = list(pool.map(lambda j: (j, speak(j[0], j[1], j[2], j[3], args.work)), jobs))
    for (folder, _, name, _), path in made:
        with open(path, "rb") as f:
            data = f.read()
        g.write_bytes(os.path.join(sound, folder, name + ".wav"), data)
        # A player whose gender word is neither 0 nor 1 hears the voice files of the sound folder
        # itself: the standard male set.
        if folder == "00":
            g.write_bytes(os.path.join(sound, name + ".wav"), data)

    g.write_bytes(os.path.join(args.hall, "Share", "sound", "common", "hit.wav"),
                  wav_bytes(mix(tone(1320, 0.08, 0.5, 0.001, 0.02), noise(0.02, 0.2, 0.004, "hit"))))

    for style in ("Classic", "Jade"):
        source = os.path.join(args.work, "music", style + ".wav")
        g.write_bytes(source, wav_bytes(tune(style)))
        mp3(source, os.path.join(sound, style, "default.mp3"))
    g.write_bytes(args.stamp, b"sounds\n")
    shutil.rmtree(os.path.join(args.work, "voice"), ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
