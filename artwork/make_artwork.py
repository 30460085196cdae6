#!/usr/bin/python3
"""Draws the programs' icon and the launcher's splash picture for "Tavrel Bank brivane".

Writes brivane.ico (16, 32, 48, 96, 128 and 256 pixels; the 256-pixel image PNG-compressed, the
others as 32-bit bitmaps so every Windows version shows them) and splash.bmp (374 x 256 pixels,
24 bits per pixel). The results are committed, so a build never runs this script; run it again
(Debian: python3-pil, fonts-liberation) only when the design changes.
"""
import io
import os
import struct

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))

NAVY = (30, 58, 92)
TEAL = (47, 127, 134)
MIST = (232, 238, 243)
PAPER = (247, 249, 251)
SLATE = (96, 110, 126)
WHITE = (255, 255, 255)

FONT_DIR = "/usr/share/fonts/truetype/liberation"
ICON_SIZES = (16, 32, 48, 96, 128, 256)
SPLASH_SIZE = (374, 256)
SUPERSAMPLE = 4


def draw_mark(size):
    """The bank's mark: a navy tile holding a white pillar-T under a teal gable, the front of a
    bank house reduced to three strokes."""
    big = size * SUPERSAMPLE
    image = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    unit = big / 16.0
    draw.rounded_rectangle((0, 0, big - 1, big - 1), radius=3.2 * unit, fill=NAVY)
    draw.polygon(((2.8 * unit, 6.0 * unit), (8.0 * unit, 2.4 * unit), (13.2 * unit, 6.0 * unit)), fill=TEAL)
    draw.rectangle((3.6 * unit, 6.9 * unit, 12.4 * unit, 8.7 * unit), fill=WHITE)
    draw.rectangle((6.9 * unit, 8.7 * unit, 9.1 * unit, 13.4 * unit), fill=WHITE)
    return image.resize((size, size), Image.LANCZOS)


def bmp_icon_entry(image):
    """One icon image as the ICO format stores it: a BITMAPINFOHEADER of double height, the
    32-bit BGRA rows bottom-up, then the 1-bit AND mask (all zero: the alpha channel decides)."""
    width, height = image.size
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    rgba = image.load()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b, a = rgba[x, y]
            pixels += bytes((b, g, r, a))
    mask_row = ((width + 31) // 32) * 4
    return header + bytes(pixels) + bytes(mask_row * height)


def png_icon_entry(image):
    buffer = io.BytesIO()
    image.save(buffer, format="PNG", optimize=True)
    return buffer.getvalue()


def write_icon(path):
    entries = []
    for size in ICON_SIZES:
        image = draw_mark(size)
        data = png_icon_entry(image) if size >= 256 else bmp_icon_entry(image)
        entries.append((size, data))
    directory = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, data in entries:
        side = 0 if size >= 256 else size  # 0 stands for 256 in the one-byte size fields
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as out:
        out.write(directory)
        for _, data in entries:
            out.write(data)


def font(name, size):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


def write_splash(path):
    width, height = SPLASH_SIZE
    image = Image.new("RGB", SPLASH_SIZE, PAPER)
    draw = ImageDraw.Draw(image)
    # A soft vertical wash from paper to mist.
    for y in range(height):
        t = y / (height - 1)
        colour = tuple(round(PAPER[i] + (MIST[i] - PAPER[i]) * t) for i in range(3))
        draw.line(((0, y), (width, y)), fill=colour)

    # A large, faint arch behind the text echoes the mark.
    watermark = Image.new("L", (width * SUPERSAMPLE, height * SUPERSAMPLE), 0)
    ImageDraw.Draw(watermark).arc(
        (190 * SUPERSAMPLE, 60 * SUPERSAMPLE, 470 * SUPERSAMPLE, 340 * SUPERSAMPLE),
        start=180, end=300, fill=255, width=14 * SUPERSAMPLE)
    watermark = watermark.resize(SPLASH_SIZE, Image.LANCZOS).point(lambda v: v * 22 // 255)
    image.paste(Image.new("RGB", SPLASH_SIZE, TEAL), (0, 0), watermark)

    mark = draw_mark(72)
    image.paste(mark, (32, 40), mark)

    draw = ImageDraw.Draw(image)
    draw.text((120, 44), "Tavrel Bank", font=font("LiberationSans-Bold.ttf", 30), fill=NAVY)
    draw.text((121, 84), "brivane", font=font("LiberationSans-Regular.ttf", 24), fill=TEAL)
    draw.line(((32, 138), (width - 32, 138)), fill=(205, 214, 223), width=1)
    draw.text((32, 150), "Online-Banking", font=font("LiberationSans-Regular.ttf", 15), fill=SLATE)

    # The foot: a navy band with a thin teal rule above it.
    draw.rectangle((0, height - 30, width, height), fill=NAVY)
    draw.rectangle((0, height - 33, width, height - 31), fill=TEAL)
    image.save(path, format="BMP")


if __name__ == "__main__":
    write_icon(os.path.join(HERE, "brivane.ico"))
    write_splash(os.path.join(HERE, "splash.bmp"))
