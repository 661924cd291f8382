#!/usr/bin/env python3
"""The window's icon for Windows (an .ico) drawn from the application's SVG.

Reads the few SVG shapes the icon is made of (rect with rx, circle; fill,
opacity, transform="rotate(a cx cy)") and draws each size with antialiased
edges, by the distance of each pixel's centre to the shape's outline; a
shape or attribute outside that set stops it with an error rather than
drawing something else.

    make_icon.py ICON.svg OUT.ico [WIZARD.bmp]

WIZARD.bmp: the installer's welcome and finish pages' picture, 164 x 314,
the icon at 128 pixels on a light ground.
"""
import math
import re
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


def colour(text):
    text = text.strip()
    if not re.fullmatch(r"#[0-9a-fA-F]{6}", text):
        sys.exit(f"make_icon: unsupported fill {text!r}")
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


def rotation(text):
    if not text:
        return None
    m = re.fullmatch(r"\s*rotate\(\s*([-\d.]+)(?:[\s,]+([-\d.]+)[\s,]+([-\d.]+))?\s*\)\s*", text)
    if not m:
        sys.exit(f"make_icon: unsupported transform {text!r}")
    angle = math.radians(float(m.group(1)))
    cx, cy = float(m.group(2) or 0), float(m.group(3) or 0)
    return angle, cx, cy


def shapes(svg):
    root = ET.parse(svg).getroot()
    width = float(root.get("viewBox", "0 0 128 128").split()[2])
    out = []
    for node in root.iter():
        tag = node.tag.rsplit("}", 1)[-1]
        if tag not in ("rect", "circle"):
            continue
        num = lambda name, default=0.0: float(node.get(name, default))
        shape = {"fill": colour(node.get("fill", "#000000")), "opacity": num("opacity", 1.0),
                 "turn": rotation(node.get("transform"))}
        if tag == "rect":
            shape.update(kind="rect", x=num("x"), y=num("y"), w=num("width"), h=num("height"), r=num("rx"))
        else:
            shape.update(kind="circle", x=num("cx"), y=num("cy"), r=num("r"))
        out.append(shape)
    return width, out


def distance(shape, px, py):
    """Signed distance from (px, py), in the SVG's units, to the outline."""
    if shape["turn"]:
        angle, cx, cy = shape["turn"]
        dx, dy = px - cx, py - cy
        px = cx + dx * math.cos(-angle) - dy * math.sin(-angle)
        py = cy + dx * math.sin(-angle) + dy * math.cos(-angle)
    if shape["kind"] == "circle":
        return math.hypot(px - shape["x"], py - shape["y"]) - shape["r"]
    hw, hh = shape["w"] / 2, shape["h"] / 2
    r = min(shape["r"], hw, hh)
    qx = abs(px - (shape["x"] + hw)) - (hw - r)
    qy = abs(py - (shape["y"] + hh)) - (hh - r)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def draw(width, drawn, size):
    scale = width / size
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = (x + 0.5) * scale, (y + 0.5) * scale
            r = g = b = a = 0.0
            for shape in drawn:
                cover = min(max(0.5 - distance(shape, px, py) / scale, 0.0), 1.0) * shape["opacity"]
                if cover <= 0:
                    continue
                fr, fg, fb = shape["fill"]
                # Source over, in premultiplied terms.
                r, g, b = fr * cover + r * (1 - cover), fg * cover + g * (1 - cover), fb * cover + b * (1 - cover)
                a = cover + a * (1 - cover)
            row.append((r, g, b, a))
        pixels.append(row)
    return pixels


def bgra(pixel):
    r, g, b, a = pixel
    if a <= 0:
        return bytes(4)
    return bytes((round(b / a), round(g / a), round(r / a), round(a * 255)))


def dib(pixels, size):
    """An icon image as Windows stores it: a BITMAPINFOHEADER of twice the
    height, the rows bottom up, then the (unused, all-zero) AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour_rows = b"".join(b"".join(bgra(p) for p in row) for row in reversed(pixels))
    mask_stride = ((size + 31) // 32) * 4
    return header + colour_rows + bytes(mask_stride * size)


def png(pixels, size):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\0" + b"".join(bgra(p)[2::-1] + bgra(p)[3:] for p in row) for row in pixels)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def wizard(width, drawn):
    """The installer's side picture: a 24-bit bitmap, rows bottom up."""
    w, h, size, left, top = 164, 314, 128, 18, 48
    ground = (232, 238, 245)
    icon = draw(width, drawn, size)
    rows = []
    for y in range(h):
        row = bytearray()
        for x in range(w):
            r, g, b = ground
            if left <= x < left + size and top <= y < top + size:
                pr, pg, pb, pa = icon[y - top][x - left]
                # The icon's colours are premultiplied: over the ground.
                r, g, b = pr + r * (1 - pa), pg + g * (1 - pa), pb + b * (1 - pa)
            row += bytes((round(b), round(g), round(r)))
        rows.append(bytes(row) + bytes(-len(row) % 4))
    body = b"".join(reversed(rows))
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(body), 0, 0, 14 + len(header)) + header + body


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit("usage: make_icon.py ICON.svg OUT.ico [WIZARD.bmp]")
    width, drawn = shapes(sys.argv[1])
    if len(sys.argv) == 4:
        with open(sys.argv[3], "wb") as f:
            f.write(wizard(width, drawn))
    images = []
    for size in SIZES:
        pixels = draw(width, drawn, size)
        # The largest as PNG, as Windows keeps it; the others as bitmaps,
        # which every version reads.
        images.append((size, png(pixels, size) if size >= 256 else dib(pixels, size)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(sys.argv[2], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
