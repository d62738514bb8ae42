#!/usr/bin/env python3
"""Writes the damaged .pps, package and .quad files of this folder. Each file breaks one rule of
its format; the expected reader behaviour is in tests/engine/MalformedTest.cpp. Run it from this
folder after changing it, and commit the files it writes."""
import struct
import zlib


def rs_hash(data):
    h, a = 0, 63689
    for x in data:
        x = x - 256 if x >= 128 else x
        h = (h * a + x) & 0xffffffff
        a = (a * 378551) & 0xffffffff
    return h & 0x7fffffff


def js_hash(data):
    h = 1315423911
    for x in data:
        x = x - 256 if x >= 128 else x
        h ^= ((h << 5) + x + (h >> 2)) & 0xffffffff
        h &= 0xffffffff
    return h & 0x7fffffff


def hash31(data):
    h = 0
    for x in data:
        h = (h * 31 + x) & 0xffffffff
    return h


def pps_header(codec=3, flags=0x4 | 0x1, frames=1, w=4, h=2, transparent=0, decoded=None, entries=2):
    bpp = 4 if not flags & 0x6 else (2 if flags & 0x8 else 1)
    if decoded is None:
        decoded = w * h * bpp * frames
    return b"pps" + struct.pack("<BIHHHHIIIHH", codec, flags, frames, w, h, 0, transparent, decoded, 0, entries, 0)


def frame(colour, alpha=b"", flags=0x1, size=8, time=0, colour_len=None, alpha_len=None):
    cl = len(colour) if colour_len is None else colour_len
    al = len(alpha) if alpha_len is None else alpha_len
    return struct.pack("<HHIIII", flags, 0, time, cl, al, size) + colour + alpha


PALETTE = bytes([10, 20, 30, 40, 50, 60])
RLE_8_SEVENS = bytes([0x20, 7])  # a run of 8 bytes of 7
files = {}
files["pps_valid.pps"] = pps_header() + PALETTE + frame(RLE_8_SEVENS)
files["pps_short_header.pps"] = pps_header()[:20]
files["pps_frame_count_zero.pps"] = pps_header(frames=0, decoded=0) + PALETTE + frame(RLE_8_SEVENS)
files["pps_zero_width.pps"] = pps_header(w=0) + PALETTE + frame(RLE_8_SEVENS, size=0)
files["pps_decoded_size_mismatch.pps"] = pps_header(decoded=9) + PALETTE + frame(RLE_8_SEVENS)
files["pps_decoded_size_huge.pps"] = (pps_header(codec=5, flags=0, frames=3, w=4096, h=4096)
                                      + frame(b"", flags=0, size=4096 * 4096 * 4) * 3)
files["pps_truncated_frame_header.pps"] = (pps_header() + PALETTE + frame(RLE_8_SEVENS))[:32 + 6 + 10]
files["pps_colour_length_past_end.pps"] = pps_header() + PALETTE + frame(RLE_8_SEVENS, colour_len=0xFFFFFFF0)
files["pps_lengths_wrap.pps"] = pps_header() + PALETTE + frame(RLE_8_SEVENS, colour_len=0x10, alpha_len=0xFFFFFFF8)
files["pps_rle_run_past_plane.pps"] = pps_header() + PALETTE + frame(bytes([0x24, 7]))
files["pps_rle_literal_past_input.pps"] = pps_header() + PALETTE + frame(bytes([0x21, 7, 7]))
files["pps_frame_size_mismatch.pps"] = pps_header() + PALETTE + frame(RLE_8_SEVENS, size=16)
files["pps_frame_flags_disagree.pps"] = pps_header() + PALETTE + frame(RLE_8_SEVENS, flags=0x4)
files["pps_second_frame_too_big.pps"] = (pps_header(frames=2) + PALETTE + frame(RLE_8_SEVENS)
                                         + frame(RLE_8_SEVENS, size=4096))
files["pps_palette_count_over_256.pps"] = pps_header(entries=300) + bytes(900) + frame(RLE_8_SEVENS)
files["pps_palette_truncated.pps"] = pps_header(entries=200) + PALETTE
files["pps_global_name_truncated.pps"] = pps_header(flags=0x2 | 0x1) + b"short"
files["pps_hotspot_missing.pps"] = pps_header(flags=0x4 | 0x1 | 0x20) + PALETTE + frame(RLE_8_SEVENS)
files["pps_codec1_short.pps"] = pps_header(codec=1) + PALETTE + frame(bytes(4))
files["pps_zlib_broken.pps"] = (pps_header(codec=5, flags=0) + frame(b"\x78\x9c garbage", flags=0, size=32))


def package(entries, entry_count=None, index_count=None, size=None):
    """entries: list of (name, extension, data, offset override, length override)."""
    n = len(entries)
    header = bytearray(176)
    struct.pack_into("<II", header, 100, n if entry_count is None else entry_count,
                     n if index_count is None else index_count)
    index = b""
    data = b""
    at = 176 + 32 * n
    for name, ext, blob, offset, length in entries:
        index += struct.pack("<IIIIII8x", rs_hash(name), js_hash(name), hash31(name),
                             at + len(data) if offset is None else offset,
                             len(blob) if length is None else length, rs_hash(ext))
        data += blob
    out = bytes(header) + index + data
    return out if size is None else out[:size]


TEXT = [(b"hello.text", b".txt", b"hello", None, None), (b"world.text", b".txt", b"world!", None, None)]
files["pack_valid.xyr"] = package(TEXT)
files["pack_short_header.xyr"] = package(TEXT, size=100)
files["pack_index_past_end.xyr"] = package(TEXT, index_count=1000)
files["pack_index_count_overflow.xyr"] = package(TEXT, index_count=0x08000001)
files["pack_short_index.xyr"] = package(TEXT, size=176 + 40)
files["pack_entry_count_larger.xyr"] = package(TEXT, entry_count=5)
files["pack_entry_past_end.xyr"] = package(TEXT[:1] + [(b"world.text", b".txt", b"world!", None, 4000)])
files["pack_entry_length_wrap.xyr"] = package(TEXT[:1] + [(b"world.text", b".txt", b"world!", 200, 0xFFFFFFFF)])
files["pack_entry_offset_wrap.xyr"] = package(TEXT[:1] + [(b"world.text", b".txt", b"world!", 0xFFFFFFF0, 0x20)])


def quad(name, count, entries):
    return name.ljust(32, b"\0")[:32] + struct.pack("<H", count) + entries


files["quad_valid.quad"] = quad(b"pal", 2, PALETTE)
files["quad_short.quad"] = quad(b"pal", 2, PALETTE)[:20]
files["quad_truncated_entries.quad"] = quad(b"pal", 4, PALETTE + b"\x01")
files["quad_count_over_256.quad"] = quad(b"pal", 300, bytes(300 * 3))
files["quad_unterminated_name.quad"] = quad(b"n" * 32, 2, PALETTE)

for name, data in files.items():
    with open(name, "wb") as f:
        f.write(data)
