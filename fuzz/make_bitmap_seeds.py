#!/usr/bin/env python3
"""Writes the small bitmap files of the fuzz corpus and the robustness tests.

Every file is named for what the game does with it: `ok-*` is a picture the
game takes, `refused-*` one it leaves out as if it were missing. The pictures
are tiny (so the fuzzer runs fast) with an odd width (so every row has
padding), and each shows the same pattern: column x, row y (from the top) has
the colour pattern(x, y), so a test can check that it arrived the right way up.

    fuzz/make_bitmap_seeds.py fuzz/corpus/bitmap
"""
import os
import struct
import sys

W, H = 13, 7

# Eight colours that survive the game's 5-6-5 conversion unchanged.
PALETTE = [(0, 0, 0), (255, 255, 255), (255, 0, 0), (0, 255, 0),
           (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 0, 255)]


def index(x, y):
    return (x + 2 * y) % len(PALETTE)


def pattern(x, y):
    return PALETTE[index(x, y)]


def file_header(total, offset):
    return b'BM' + struct.pack('<IHHI', total, 0, 0, offset)


def info_header(w, h, bits, compression=0, colours=0, size=40, image=0):
    head = struct.pack('<IiiHHIIiiII', size, w, h, 1, bits, compression, image,
                       2835, 2835, colours, 0)
    return head + b'\0' * (size - 40)


def pad(row):
    return row + b'\0' * (-len(row) % 4)


def palette_bytes(n, entry=4):
    out = b''
    for i in range(n):
        r, g, b = PALETTE[i % len(PALETTE)]
        out += bytes([b, g, r]) + (b'\0' if entry == 4 else b'')
    return out


def rows(w, h, top_down, row_of):
    order = range(h) if top_down else range(h - 1, -1, -1)
    return b''.join(pad(row_of(y)) for y in order)


def packed_row(bits):
    def row(y):
        out, acc, n = bytearray(), 0, 0
        for x in range(W):
            acc = (acc << bits) | index(x, y) % (1 << bits)
            n += bits
            if n == 8:
                out.append(acc)
                acc, n = 0, 0
        if n:
            out.append(acc << (8 - n))
        return bytes(out)
    return row


def rgb_row(bits):
    def row(y):
        out = bytearray()
        for x in range(W):
            r, g, b = pattern(x, y)
            if bits == 24:
                out += bytes([b, g, r])
            elif bits == 32:
                out += bytes([b, g, r, 0xFF])
            elif bits == 16:  # 5-5-5
                out += struct.pack('<H', (r >> 3) << 10 | (g >> 3) << 5 | b >> 3)
            elif bits == 565:
                out += struct.pack('<H', (r >> 3) << 11 | (g >> 2) << 5 | b >> 3)
        return bytes(out)
    return row


def bitmap(bits, top_down=False, header_size=40, w=W, h=H):
    colours = 1 << bits if bits <= 8 else 0
    pal = palette_bytes(colours)
    pixels = rows(w, h, top_down, packed_row(bits) if bits <= 8 else rgb_row(bits))
    info = info_header(w, -h if top_down else h, bits, 0, colours, header_size)
    offset = 14 + len(info) + len(pal)
    return file_header(offset + len(pixels), offset) + info + pal + pixels


def bitfields(bits, masks):
    pixels = rows(W, H, False, rgb_row(565 if bits == 16 else 32))
    info = info_header(W, H, bits, 3) + struct.pack('<III', *masks)
    offset = 14 + len(info)
    return file_header(offset + len(pixels), offset) + info + pixels


def core(bits):
    colours = 1 << bits if bits <= 8 else 0
    pal = palette_bytes(colours, 3)
    pixels = rows(W, H, False, packed_row(bits) if bits <= 8 else rgb_row(bits))
    info = struct.pack('<IHHHH', 12, W, H, 1, bits)
    offset = 14 + len(info) + len(pal)
    return file_header(offset + len(pixels), offset) + info + pal + pixels


def blocks(x, y):
    return (x // 8 + y // 5) % len(PALETTE)


def rle8(w=W, h=H, index=index):
    data = bytearray()
    for y in range(h - 1, -1, -1):
        x = 0
        while x < w:
            i = index(x, y)
            n = 1
            while x + n < w and n < 255 and index(x + n, y) == i:
                n += 1
            data += bytes([n, i])
            x += n
        data += b'\0\0'
    data[-2:] = b'\0\1'
    info = info_header(w, h, 8, 1, 256, image=len(data))
    pal = palette_bytes(256)
    offset = 14 + len(info) + len(pal)
    return file_header(offset + len(data), offset) + info + pal + bytes(data)


def rle8_escapes():
    """Absolute runs, a jump and an early end: every code of the format."""
    data = bytearray()
    data += bytes([0, 5, 1, 2, 3, 4, 5, 0])   # five literal pixels, padded
    data += bytes([3, 6])                     # a run of three
    data += bytes([0, 2, 2, 1])               # jump 2 right, 1 up
    data += bytes([2, 7, 0, 0])               # a run, end of line
    data += bytes([W, 4, 0, 1])               # a full row, end of picture
    info = info_header(W, H, 8, 1, 8, image=len(data))
    pal = palette_bytes(8)
    offset = 14 + len(info) + len(pal)
    return file_header(offset + len(data), offset) + info + pal + bytes(data)


def rle4():
    data = bytearray()
    for y in range(H - 1, -1, -1):
        # Each row as runs of two pixels of their own colours, then end of line.
        x = 0
        while x < W:
            n = min(W - x, 2)
            a, b = index(x, y), index(x + 1, y)
            data += bytes([n, a << 4 | b])
            x += n
        data += b'\0\0'
    data[-2:] = b'\0\1'
    info = info_header(W, H, 4, 2, 16, image=len(data))
    pal = palette_bytes(16)
    offset = 14 + len(info) + len(pal)
    return file_header(offset + len(data), offset) + info + pal + bytes(data)


def with_header(data, **fields):
    """A copy of a bitmap with some header fields changed."""
    b = bytearray(data)
    at = {'offset': (10, '<I'), 'size': (14, '<I'), 'width': (18, '<i'),
          'height': (22, '<i'), 'bits': (28, '<H'), 'compression': (30, '<I'),
          'colours': (46, '<I')}
    for name, value in fields.items():
        pos, fmt = at[name]
        struct.pack_into(fmt, b, pos, value)
    return bytes(b)


def files():
    good24 = bitmap(24)
    yield 'ok-1bit.bmp', bitmap(1)
    yield 'ok-2bit.bmp', bitmap(2)
    yield 'ok-4bit.bmp', bitmap(4)
    yield 'ok-8bit.bmp', bitmap(8)
    yield 'ok-8bit-topdown.bmp', bitmap(8, top_down=True)
    yield 'ok-16bit-555.bmp', bitmap(16)
    yield 'ok-16bit-565-bitfields.bmp', bitfields(16, (0xF800, 0x07E0, 0x001F))
    yield 'ok-24bit.bmp', good24
    yield 'ok-24bit-topdown.bmp', bitmap(24, top_down=True)
    yield 'ok-32bit.bmp', bitmap(32)
    yield 'ok-32bit-bitfields.bmp', bitfields(32, (0xFF0000, 0xFF00, 0xFF))
    yield 'ok-24bit-v4-header.bmp', bitmap(24, header_size=108)
    yield 'ok-24bit-v5-header.bmp', bitmap(24, header_size=124)
    yield 'ok-8bit-core-header.bmp', core(8)
    yield 'ok-24bit-core-header.bmp', core(24)
    yield 'ok-8bit-rle.bmp', rle8()
    yield 'ok-8bit-rle-escapes.bmp', rle8_escapes()
    yield 'ok-4bit-rle.bmp', rle4()
    yield 'ok-1x1.bmp', bitmap(24, w=1, h=1)
    # The size the catalogue gives the shuttlecock: reloads copy one to one.
    yield 'ok-80x50-8bit-rle.bmp', rle8(80, 50, blocks)

    yield 'refused-empty.bmp', b''
    yield 'refused-not-a-bitmap.bmp', b'RIFF\x24\0\0\0WAVEfmt '
    yield 'refused-cut-in-file-header.bmp', good24[:10]
    yield 'refused-cut-in-info-header.bmp', good24[:30]
    yield 'refused-cut-in-palette.bmp', bitmap(8)[:14 + 40 + 100]
    yield 'refused-cut-in-pixels.bmp', good24[:len(good24) - 5]
    yield 'refused-0x0.bmp', with_header(good24, width=0, height=0)
    yield 'refused-negative-width.bmp', with_header(good24, width=-W)
    yield 'refused-huge-50000x50000.bmp', with_header(good24, width=50000, height=50000)[:60]
    yield 'refused-huge-rle.bmp', with_header(rle8(), width=16384, height=16384)
    yield 'refused-width-over-16384.bmp', with_header(good24, width=16385, height=1)
    yield 'refused-height-below-minus-16384.bmp', with_header(good24, height=-16385)
    yield 'refused-data-offset-past-end.bmp', with_header(good24, offset=len(good24) + 10)
    yield 'refused-data-offset-in-header.bmp', with_header(good24, offset=20)
    yield 'refused-rle-topdown.bmp', with_header(rle8(), height=-H)
    yield 'refused-jpeg-inside.bmp', with_header(good24, bits=0, compression=4)
    yield 'refused-64bit.bmp', with_header(good24, bits=64)
    yield 'refused-bit-count-7.bmp', with_header(good24, bits=7)
    yield 'refused-header-size-16.bmp', with_header(good24, size=16)
    # A core header's height is unsigned: 0xFFFF rows, far more than the file.
    c = bytearray(core(24))
    struct.pack_into('<H', c, 20, 0xFFFF)
    yield 'refused-core-header-65535-rows.bmp', bytes(c)
    yield 'refused-bitfields-16384x16384.bmp', with_header(
        bitfields(32, (0xFF0000, 0xFF00, 0xFF)), width=16384, height=16384)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else 'fuzz/corpus/bitmap'
    os.makedirs(out, exist_ok=True)
    for name, data in files():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
