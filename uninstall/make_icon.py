#!/usr/bin/env python3
"""Draws the uninstaller's class icon and writes it as a Windows .ico file.

    make_icon.py <output.ico> [<preview.ppm>]

The icon is a page of a document with a red removal badge, drawn at 32 x 32
and 16 x 16 in 32-bit colour with alpha and the 1-bit mask older systems use.
Each pixel is sampled 4 x 4 times for smooth edges. The optional preview is
the 32 x 32 image on a grey background, for looking at the drawing.
"""
import struct
import sys

SAMPLES = 4


def inside_rounded_rect(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def shape_colour(x, y):
    """The colour (r, g, b, a) at a point of the 1 x 1 drawing area, or None."""
    # The removal badge: a red disc with a white bar, over the page's corner.
    bx, by, radius = 0.70, 0.70, 0.27
    distance = ((x - bx) ** 2 + (y - by) ** 2) ** 0.5
    if distance <= radius:
        if abs(y - by) <= 0.055 and abs(x - bx) <= 0.16:
            return (255, 255, 255, 255)
        if distance >= radius - 0.035:
            return (128, 16, 16, 255)
        shade = int(40 * (y - by + radius) / (2 * radius))
        return (214 - shade, 40, 32, 255)
    # The page: white with a dark outline, a folded corner and lines of text.
    left, top, right, bottom = 0.12, 0.06, 0.70, 0.90
    fold = 0.16
    if left <= x <= right and top <= y <= bottom and (x - (right - fold)) <= (y - top):
        edge = 0.035
        on_fold_edge = abs((x - (right - fold)) - (y - top)) <= edge * 1.2
        if x - left < edge or right - x < edge or y - top < edge or bottom - y < edge or on_fold_edge:
            return (48, 56, 72, 255)
        if x > right - fold and y < top + fold:
            return (200, 208, 220, 255)
        for line in range(5):
            line_y = 0.30 + line * 0.11
            line_end = right - 0.08 if line < 4 else left + 0.30
            if abs(y - line_y) <= 0.022 and left + 0.08 <= x <= line_end:
                return (70, 110, 170, 255)
        return (250, 250, 246, 255)
    # A soft shadow under the page.
    if inside_rounded_rect(x, y, left + 0.04, top + 0.05, right + 0.04, bottom + 0.05, 0.02):
        return (0, 0, 0, 60)
    return None


def render(size):
    """Rows of (r, g, b, a), top row first, premultiplied samples averaged."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = shape_colour((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    if colour is None:
                        continue
                    r, g, b, a = colour
                    total[0] += r * a
                    total[1] += g * a
                    total[2] += b * a
                    total[3] += a
            count = SAMPLES * SAMPLES
            alpha = total[3] // count
            if total[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((total[0] // total[3], total[1] // total[3], total[2] // total[3], alpha))
        rows.append(row)
    return rows


def icon_image(size):
    """One icon image: BITMAPINFOHEADER, BGRA rows bottom-up, then the AND mask."""
    rows = render(size)
    mask_stride = ((size + 31) // 32) * 4
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            colour += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask), rows


def write_icon(path, sizes):
    images = [icon_image(size)[0] for size in sizes]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, image in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as out:
        out.write(directory)
        for image in images:
            out.write(image)


def write_preview(path, size):
    rows = icon_image(size)[1]
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (size, size))
        for row in rows:
            for r, g, b, a in row:
                grey = 192
                out.write(bytes(((c * a + grey * (255 - a)) // 255) for c in (r, g, b)))


def main():
    if len(sys.argv) not in (2, 3):
        sys.stderr.write("usage: make_icon.py <output.ico> [<preview.ppm>]\n")
        return 2
    write_icon(sys.argv[1], [32, 16])
    if len(sys.argv) == 3:
        write_preview(sys.argv[2], 32)
    return 0


if __name__ == "__main__":
    sys.exit(main())
