#!/usr/bin/env python3
"""The web page's icons, made from the game's own (assets/icon/), at the sizes
browsers and phones ask for:

- icon-32.png, the tab's icon: the game's 32-pixel icon as it is;
- icon-192.png, icon-512.png: the round badge on a transparent square, for
  an installed page's launcher;
- icon-maskable-512.png: the badge inside the middle 80 % that a launcher
  may cut to any shape, on a square filled with the badge's own rim colour;
- icon-180.png: the same, for phones that put no shape of their own around
  an icon and show transparency as black.

    icons.py ASSETS_ICON_FOLDER OUT_FOLDER

Uses Debian's python3-pil. Writes only files whose bytes change.
"""
import io
import os
import sys

from PIL import Image

SOURCE = "pako-tumbo-256.png"
# A maskable icon's safe zone is the circle of 80 % of its side.
SAFE = 0.8


def resized(badge, size):
    return badge.resize((size, size), Image.Resampling.LANCZOS)


def rim_colour(badge):
    """The badge's dark rim, read where it is opaque at the top middle."""
    w, h = badge.size
    for y in range(h // 2):
        r, g, b, a = badge.getpixel((w // 2, y))
        if a == 255:
            return (r, g, b, 255)
    return (0, 0, 0, 255)


def on_square(badge, size, scale):
    """The badge scaled to `scale` of the side, centred on a full square of
    its rim's colour."""
    square = Image.new("RGBA", (size, size), rim_colour(badge))
    inner = resized(badge, round(size * scale))
    offset = (size - inner.size[0]) // 2
    square.alpha_composite(inner, (offset, offset))
    return square


def png(image):
    out = io.BytesIO()
    image.save(out, "PNG", optimize=True)
    return out.getvalue()


def write(folder, name, data):
    path = os.path.join(folder, name)
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(path, "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: icons.py ASSETS_ICON_FOLDER OUT_FOLDER")
    source, out = sys.argv[1], sys.argv[2]
    badge = Image.open(os.path.join(source, SOURCE)).convert("RGBA")
    with open(os.path.join(source, "pako-tumbo-32.png"), "rb") as f:
        write(out, "icon-32.png", f.read())
    write(out, "icon-192.png", png(resized(badge, 192)))
    write(out, "icon-512.png", png(resized(badge, 512)))
    # The badge is round and fills its square: at 80 % of the side it lies
    # inside the safe circle.
    write(out, "icon-maskable-512.png", png(on_square(badge, 512, SAFE)))
    write(out, "icon-180.png", png(on_square(badge, 180, 0.9)))


if __name__ == "__main__":
    main()
