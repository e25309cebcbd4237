#!/usr/bin/env python3
"""Writes the wave fuzzer's seed corpus: small well-formed files of the kinds
SDL_mixer takes (PCM 8, 16, 24 and 32 bits, float, mono and stereo, extra
chunks before and after the samples, odd-sized chunks) and a few broken ones
(cut short, a chunk reaching past the end, no samples, not RIFF). Files named
ok-* play; refused-* stay silent.

usage: make_wave_seeds.py OUTPUT_DIR
"""
import math
import os
import struct
import sys


def chunk(cid, body):
    pad = b"\0" if len(body) & 1 else b""
    return cid + struct.pack("<I", len(body)) + body + pad


def fmt(tag, channels, rate, bits):
    align = channels * bits // 8
    return chunk(b"fmt ", struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits))


def samples(bits, channels, n=2205):
    out = b""
    for i in range(n):
        v = math.sin(i / 5.0) * 0.5
        for _ in range(channels):
            if bits == 8:
                out += struct.pack("<B", int(128 + v * 100))
            elif bits == 16:
                out += struct.pack("<h", int(v * 20000))
            elif bits == 24:
                out += struct.pack("<i", int(v * 4000000))[:3]
            elif bits == 32:
                out += struct.pack("<i", int(v * 1e9))
    return out


def riff(body, size=None):
    return b"RIFF" + struct.pack("<I", len(body) + 4 if size is None else size) + b"WAVE" + body


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {}
    for bits in (8, 16, 24, 32):
        for ch in (1, 2):
            files[f"ok-pcm{bits}-{ch}ch.wav"] = riff(fmt(1, ch, 22050, bits) +
                                                    chunk(b"data", samples(bits, ch)))
    floats = b"".join(struct.pack("<f", math.sin(i / 5.0) * 0.5) for i in range(2205))
    files["ok-float32.wav"] = riff(fmt(3, 1, 22050, 32) + chunk(b"data", floats))
    files["ok-list-chunks.wav"] = riff(fmt(1, 1, 11025, 16) + chunk(b"fact", struct.pack("<I", 2205)) +
                                       chunk(b"data", samples(16, 1)) +
                                       chunk(b"LIST", b"INFOISFT\x06\0\0\0pako\0\0"))
    files["ok-odd-data.wav"] = riff(fmt(1, 1, 8000, 8) + chunk(b"data", samples(8, 1, 2205)))
    good = files["ok-pcm16-1ch.wav"]
    files["refused-cut-in-samples.wav"] = good[:60]
    files["refused-cut-in-format.wav"] = good[:30]
    files["refused-data-past-end.wav"] = good[:40] + struct.pack("<I", 0x7FFFFFF0) + good[44:]
    files["refused-riff-size-huge.wav"] = good[:4] + struct.pack("<I", 0xFFFFFFFF) + good[8:]
    files["refused-no-data.wav"] = riff(fmt(1, 1, 22050, 16))
    files["refused-data-before-format.wav"] = riff(chunk(b"data", samples(16, 1)) +
                                                   fmt(1, 1, 22050, 16))
    files["refused-format-too-short.wav"] = riff(chunk(b"fmt ", b"\1\0\1\0") +
                                                 chunk(b"data", samples(16, 1)))
    files["refused-not-riff.wav"] = b"OggS" + good[4:]
    files["refused-empty.wav"] = b""
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
