"""Image files as the game ships them: DDS (DXT1, DXT5 and uncompressed),
TGA and BMP, written from RGBA pixel lists.

Pixels are (r, g, b, a) tuples, rows top to bottom. The DXT encoder is a
plain end-point fit per 4 x 4 block: good enough for pictures whose only job
is to be recognisable in the editor.
"""

import struct


def picture(width, height, colour, pattern="plain", alpha=255):
    """A recognisable procedural picture: a base colour with stripes, a
    checker board, bricks or a soft round blob (which fades out in alpha)."""
    r0, g0, b0 = colour
    pixels = []
    for y in range(height):
        for x in range(width):
            shade = 1.0
            a = alpha
            if pattern == "stripes":
                shade = 0.75 if (x // 4) % 2 else 1.0
            elif pattern == "checker":
                shade = 0.7 if ((x // 8) + (y // 8)) % 2 else 1.0
            elif pattern == "bricks":
                row = y // 8
                mortar = y % 8 == 0 or (x + (row % 2) * 8) % 16 == 0
                shade = 1.25 if mortar else 1.0
            elif pattern == "blob":
                dx = (x + 0.5) / width * 2 - 1
                dy = (y + 0.5) / height * 2 - 1
                d = min(1.0, (dx * dx + dy * dy) ** 0.5)
                a = int(alpha * (1.0 - d))
                shade = 1.0 - 0.3 * d
            # a little fixed grain so surfaces do not look flat
            grain = ((x * 73 + y * 151) % 17) / 100.0
            k = shade * (0.92 + grain)
            pixels.append((min(255, int(r0 * k)), min(255, int(g0 * k)), min(255, int(b0 * k)), a))
    return pixels


def tga(width, height, pixels, alpha=False):
    """Uncompressed true colour, rows bottom to top (descriptor 0, or 8 alpha
    bits for 32-bit pictures)."""
    depth = 32 if alpha else 24
    header = struct.pack("<BBB5sHHHHBB", 0, 0, 2, bytes(5), 0, 0, width, height, depth,
                         8 if alpha else 0)
    rows = []
    for y in range(height - 1, -1, -1):
        row = pixels[y * width:(y + 1) * width]
        if alpha:
            rows.append(b"".join(struct.pack("BBBB", b, g, r, a) for r, g, b, a in row))
        else:
            rows.append(b"".join(struct.pack("BBB", b, g, r) for r, g, b, _a in row))
    return header + b"".join(rows)


def bmp(width, height, pixels):
    """24-bit BMP, rows bottom to top, each padded to four bytes."""
    pad = (4 - width * 3 % 4) % 4
    body = []
    for y in range(height - 1, -1, -1):
        row = pixels[y * width:(y + 1) * width]
        body.append(b"".join(struct.pack("BBB", b, g, r) for r, g, b, _a in row) + bytes(pad))
    data = b"".join(body)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    return head + info + data


def _565(c):
    r, g, b = c[:3]
    return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)


def _expand(v):
    return ((v >> 11) * 255 // 31, ((v >> 5) & 63) * 255 // 63, (v & 31) * 255 // 31)


def _colour_block(block):
    lum = [p[0] * 3 + p[1] * 6 + p[2] for p in block]
    hi = _565(block[lum.index(max(lum))])
    lo = _565(block[lum.index(min(lum))])
    if hi == lo:
        return struct.pack("<HHI", hi, lo, 0)
    if hi < lo:
        hi, lo = lo, hi
    c0, c1 = _expand(hi), _expand(lo)
    palette = [c0, c1, tuple((2 * a + b) // 3 for a, b in zip(c0, c1)),
               tuple((a + 2 * b) // 3 for a, b in zip(c0, c1))]
    bits = 0
    for i, (r, g, b, _a) in enumerate(block):
        best, best_d = 0, 1 << 30
        for k, (pr, pg, pb) in enumerate(palette):
            d = (r - pr) * (r - pr) + (g - pg) * (g - pg) + (b - pb) * (b - pb)
            if d < best_d:
                best, best_d = k, d
        bits |= best << (2 * i)
    return struct.pack("<HHI", hi, lo, bits)


def _alpha_block(block):
    alphas = [p[3] for p in block]
    a0, a1 = max(alphas), min(alphas)
    if a0 == a1:
        return struct.pack("<BB6s", a0, a1, bytes(6))
    ramp = [a0, a1] + [((7 - k) * a0 + k * a1) // 7 for k in range(1, 7)]
    bits = 0
    for i, a in enumerate(alphas):
        best = min(range(8), key=lambda k: abs(a - ramp[k]))
        bits |= best << (3 * i)
    return struct.pack("<BB", a0, a1) + bits.to_bytes(6, "little")


def dds(width, height, pixels, kind="dxt1"):
    """A DDS file without mip-maps: kind "dxt1", "dxt5" or "argb"."""
    flags = 0x1 | 0x2 | 0x4 | 0x1000
    if kind == "argb":
        pitch = width * 4
        pf = struct.pack("<II4sIIIII", 32, 0x41, bytes(4), 32,
                         0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
        data = b"".join(struct.pack("BBBB", b, g, r, a) for r, g, b, a in pixels)
        flags |= 0x8
    else:
        pitch = max(1, (width + 3) // 4) * max(1, (height + 3) // 4) * (8 if kind == "dxt1" else 16)
        pf = struct.pack("<II4sIIIII", 32, 0x4, kind.upper().encode(), 0, 0, 0, 0, 0)
        flags |= 0x80000
        out = []
        for by in range(0, height, 4):
            for bx in range(0, width, 4):
                block = [pixels[min(height - 1, by + j) * width + min(width - 1, bx + i)]
                         for j in range(4) for i in range(4)]
                if kind == "dxt5":
                    out.append(_alpha_block(block))
                out.append(_colour_block(block))
        data = b"".join(out)
    header = struct.pack("<4sIIIIIII44s", b"DDS ", 124, flags, height, width, pitch, 0, 0, bytes(44))
    caps = struct.pack("<IIIII", 0x1000, 0, 0, 0, 0)
    return header + pf + caps + data


def image(ext, width, height, pixels, dds_kind="dxt1"):
    """An image file by extension."""
    if ext == "dds":
        return dds(width, height, pixels, dds_kind)
    if ext == "tga":
        return tga(width, height, pixels, alpha=any(p[3] != 255 for p in pixels))
    if ext == "bmp":
        return bmp(width, height, pixels)
    raise ValueError(ext)


def tga_grey(width, height, values):
    """An 8-bit greyscale TGA (image type 3), rows bottom to top."""
    header = struct.pack("<BBB5sHHHHBB", 0, 0, 3, bytes(5), 0, 0, width, height, 8, 0)
    rows = [bytes(values[y * width:(y + 1) * width]) for y in range(height - 1, -1, -1)]
    return header + b"".join(rows)
