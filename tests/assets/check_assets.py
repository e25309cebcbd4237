#!/usr/bin/env python3
"""Reads every committed picture and sound straight from its file and checks
what the game relies on: names, sizes, bit depths, the palette, compression,
orientation, the top-left pixel, that no drawn pixel turns into the key on the
16-bit 5-6-5 screen, the halo bound, and the wave format.

usage: check_assets.py ASSETS_DIR
"""
import os
import struct
import sys

WHITE, BLACK = (255, 255, 255), (0, 0, 0)

# name: (width, height, top-left pixel). The key is white or black; RANKING
# is keyed black and painted on (5, 5, 5), which the 16-bit screen turns into
# black: its background is meant to vanish. Runs of the same picture are
# filled in below.
PICTURES = {
    "ZABLOSTAND": (120, 120, WHITE), "ZABLOPAKO": (120, 120, WHITE),
    "BACK": (1280, 960, (35, 35, 35)), "RANKING": (240, 205, (5, 5, 5)),
    "REVOZE": (415, 200, WHITE),
    "JAMJARYL": (35, 31, BLACK), "JAMJARYR": (35, 31, BLACK), "JAMJARYD": (31, 35, BLACK),
    "JAMJARYU": (31, 35, BLACK), "JAMJARYDIE": (31, 35, BLACK),
    "HERE": (120, 100, WHITE), "GO": (65, 38, WHITE), "CONTINUE": (480, 120, BLACK),
    "READY": (141, 35, WHITE), "ANGLE": (40, 50, WHITE),
}
for side in "RL":
    for n in range(1, 5):
        PICTURES[f"ZABLORUN{side}{n}"] = (120, 120, WHITE)
for n in range(1, 11):
    PICTURES[f"BAR{n}"] = (50, 90, BLACK)
for d in ["ZERO", "ONE", "TWO", "THREE", "FOUR", "FIVE", "SIX", "SEVEN", "EIGHT", "NINE"]:
    PICTURES[d] = (30, 30, WHITE)
for word in ["START", "EXIT"]:
    for n in range(1, 4):
        PICTURES[f"{word}{n}"] = (240, 120, WHITE)
for n in range(1, 8):
    PICTURES[f"WAVEPAKO{n}"] = (80, 50, WHITE)

failures = []


def fail(name, msg):
    failures.append(f"{name}: {msg}")


def to565(c):
    r, g, b = c
    return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)


def read_bmp(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        raise ValueError("not a bitmap")
    off, = struct.unpack_from("<I", data, 10)
    hsize, w, h, planes, bits, comp, _, _, _, used = struct.unpack_from("<IiiHHIIiiI", data, 14)
    palette = []
    if bits == 8:
        count = used or 256
        for i in range(count):
            b, g, r, _ = data[14 + hsize + 4 * i:18 + hsize + 4 * i]
            palette.append((r, g, b))
    stride = ((w * bits + 31) // 32) * 4
    if off + stride * abs(h) > len(data):
        raise ValueError("pixel data past the end of the file")
    px = []
    for y in range(abs(h)):
        row = off + (abs(h) - 1 - y if h > 0 else y) * stride
        if bits == 24:
            px.append([(data[row + 3 * x + 2], data[row + 3 * x + 1], data[row + 3 * x])
                       for x in range(w)])
        elif bits == 8:
            px.append([palette[data[row + x]] for x in range(w)])
        else:
            px.append([])
    return dict(w=w, h=h, bits=bits, comp=comp, used=used, palette=palette, px=px)


def check_picture(name, path, want):
    try:
        bmp = read_bmp(path)
    except (OSError, ValueError, IndexError, struct.error) as e:
        fail(name, str(e))
        return
    w, h, corner = want
    key = BLACK if corner == (5, 5, 5) else corner
    if (bmp["w"], bmp["h"]) != (w, h):
        fail(name, f"{bmp['w']} x {bmp['h']}, not {w} x {h} bottom-up")
        return
    if bmp["comp"] != 0:
        fail(name, f"compression {bmp['comp']}")
    if name == "BACK":
        if bmp["bits"] != 8 or bmp["used"] != 255:
            fail(name, f"{bmp['bits']} bits, {bmp['used']} colours; want 8 bits, 255 colours")
    elif bmp["bits"] != 24:
        fail(name, f"{bmp['bits']} bits per pixel")
        return
    px = bmp["px"]
    if px[0][0] != corner:
        fail(name, f"top-left pixel {px[0][0]}, not {corner}")
    if name == "BACK":
        return  # drawn opaque: no key
    keyed = to565(key)
    edge = halo = turned = 0
    for y in range(h):
        for x in range(w):
            c = px[y][x]
            if c in (key, corner):
                continue
            if to565(c) == keyed:
                turned += 1
                continue
            beside_key = any(0 <= x + dx < w and 0 <= y + dy < h and px[y + dy][x + dx] in (key, corner)
                             for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            if beside_key:
                edge += 1
                if all(abs(a - b) <= 40 for a, b in zip(c, key)):
                    halo += 1
    if turned:
        fail(name, f"{turned} drawn pixels turn into the key on the 16-bit screen")
    if edge and halo * 50 >= edge:
        fail(name, f"{halo} of {edge} edge pixels lie within 40 of the key (halo)")
    if edge == 0 and all(c == key for row in px for c in row):
        fail(name, "nothing drawn")


def check_layouts(folder):
    """A few placements the game's numbers rely on."""
    def load(n):
        return read_bmp(os.path.join(folder, "bitmaps", n + ".bmp"))["px"]

    for n in ["ZABLOSTAND", "ZABLOPAKO"] + [f"ZABLORUN{s}{i}" for s in "RL" for i in range(1, 5)]:
        px = load(n)
        if all(c == WHITE for c in px[119]):
            fail(n, "the feet do not stand on the bottom row")
        if all(row[60] == WHITE for row in px):
            fail(n, "nothing on the middle column")
    here = load("HERE")
    if all(c == WHITE for c in here[99]):
        fail("HERE", "the arrow's tip is not on the bottom row")
    # The gauge fills from the bottom, one tenth more each picture: count the
    # rows whose middle differs from the empty gauge.
    filled = []
    for n in range(1, 11):
        px = load(f"BAR{n}")
        mids = [row[25] for row in px]
        filled.append(mids)
    lit = [sum(1 for a, b in zip(filled[n], filled[0]) if a != b) for n in range(10)]
    if any(lit[n] <= lit[n - 1] for n in range(1, 10)):
        fail("BAR1..BAR10", f"do not fill further each picture: {lit}")


def check_wave(name, path):
    data = open(path, "rb").read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        fail(name, "not a RIFF/WAVE file")
        return
    at, fmt, samples = 12, None, None
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        body = data[at + 8:at + 8 + size]
        if cid == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", body)
        elif cid == b"data":
            samples = struct.unpack(f"<{len(body) // 2}h", body[:len(body) // 2 * 2])
        at += 8 + size + (size & 1)
    if not fmt or samples is None:
        fail(name, "no format or no samples")
        return
    tag, channels, rate, _, _, bits = fmt
    if (tag, channels, bits) != (1, 1, 16):
        fail(name, f"format {tag}, {channels} channels, {bits} bits; want PCM mono 16-bit")
    if not 0 < len(samples) < rate / 2:
        fail(name, f"{len(samples) / rate:.3f} s long")
    if any(s in (32767, -32768) for s in samples):
        fail(name, "clipped")
    if max(abs(s) for s in samples) < 1000:
        fail(name, "all but silent")


def main():
    folder = sys.argv[1]
    present = sorted(f[:-4] for f in os.listdir(os.path.join(folder, "bitmaps"))
                     if f.endswith(".bmp"))
    if present != sorted(PICTURES):
        fail("bitmaps", f"missing {sorted(set(PICTURES) - set(present))}, "
             f"unexpected {sorted(set(present) - set(PICTURES))}")
    for name, want in PICTURES.items():
        path = os.path.join(folder, "bitmaps", name + ".bmp")
        if os.path.exists(path):
            check_picture(name, path, want)
    check_picture("icon-32", os.path.join(folder, "icon", "icon-32.bmp"), (32, 32, WHITE))
    png = open(os.path.join(folder, "icon", "pako-tumbo.png"), "rb").read()
    if png[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", png[16:24]) != (256, 256):
        fail("pako-tumbo.png", "not a 256 x 256 PNG")
    if not failures:
        check_layouts(folder)
    for n in ["kick", "a1"]:
        check_wave(n + ".wav", os.path.join(folder, "sounds", n + ".wav"))
    for f in failures:
        print("FAIL:", f)
    if failures:
        sys.exit(1)
    print(f"{len(PICTURES)} pictures, the icon and 2 sounds as the game needs them")


if __name__ == "__main__":
    main()
