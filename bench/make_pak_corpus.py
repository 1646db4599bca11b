#!/usr/bin/env python3
"""Writes a deterministic, game-like pak archive for the archive benchmarks.

Usage: make_pak_corpus.py OUT.zip [--size-mb N] [--seed S]

The archive imitates a game's main resource archive: many small definition
texts, meshes and textures of middling size, and a share of sound and picture
data that does not compress. About 30 members are written per megabyte of
content, so the default of 1024 MB gives roughly 30,000 members. The same
arguments always produce the same bytes (fixed seed, fixed member times).
"""

import argparse
import os
import random
import sys
import zipfile

DATE_TIME = (2004, 6, 15, 12, 30, 0)

WORDS = (b"Entity Unit Model Texture Mesh Armor Speed Crew Weapon Ammo Turret Hull "
         b"Track Engine Radio Sight Gunner Driver Commander Loader Breed Skin Squad "
         b"Infantry Tank Gun Truck Halftrack Bridge Fence Tree Bush House Church Barn "
         b"Waypoint Zone Trigger Event Camera Sky Haze Weather Thunder Light").split()

FOLDERS = ("entity/tanks", "entity/guns", "entity/transport", "entity/humans", "entity/buildings",
           "entity/vegetation", "entity/landscape", "maps", "missions", "sets", "texture",
           "texture/units", "texture/terrain", "mesh", "mesh/units", "sound", "sound/voice",
           "interface", "localize/en", "script")


def text_pool(rng, size):
    """Definition-file-like text: nested braces, names, numbers, quoted strings."""
    out = bytearray()
    depth = 0
    while len(out) < size:
        r = rng.random()
        if r < 0.25 and depth < 6:
            out += b"\t" * depth + b"{" + rng.choice(WORDS) + b"\r\n"
            depth += 1
        elif r < 0.45 and depth > 0:
            depth -= 1
            out += b"\t" * depth + b"}\r\n"
        else:
            name = rng.choice(WORDS)
            kind = rng.random()
            if kind < 0.4:
                value = b"%.6f %.6f %.6f" % (rng.uniform(-500, 500), rng.uniform(-500, 500), rng.uniform(0, 50))
            elif kind < 0.7:
                value = b"0x%x" % rng.getrandbits(24)
            else:
                value = b'"%s_%d.def"' % (rng.choice(WORDS).lower(), rng.randrange(1000))
            out += b"\t" * depth + b"{" + name + b" " + value + b"}\r\n"
    return bytes(out)


# Maps random bytes onto 16 values: binary data of about 4 bits of entropy per
# byte, compressing to roughly half, like meshes and uncompressed textures.
LOW_ENTROPY = bytes((i * 7) & 0x0F | ((i & 0x30) << 2 if i & 0x40 else 0) for i in range(256))


def make_text(rng, pool, size):
    parts = []
    left = size
    while left > 0:
        n = min(left, rng.randrange(512, 8192))
        start = rng.randrange(0, len(pool) - n)
        parts.append(pool[start:start + n])
        left -= n
    return b"".join(parts)


def make_binary(rng, size):
    header = b"MESHR\x01" + rng.randbytes(26)
    return (header + rng.randbytes(size).translate(LOW_ENTROPY))[:size]


def make_noise(rng, size):
    return rng.randbytes(size)


def plan(rng, size_mb):
    """Returns (name, kind, size) per member, scaled to about size_mb of content."""
    count = max(8, int(size_mb * 30))
    members = []
    for i in range(count):
        r = rng.random()
        folder = rng.choice(FOLDERS)
        if r < 0.62:
            kind, ext, size = "text", rng.choice((".def", ".set", ".mdl", ".lng", ".mi")), int(rng.lognormvariate(9.3, 0.9))
        elif r < 0.90:
            kind, ext, size = "binary", rng.choice((".mesh", ".dds", ".tga", ".bne")), int(rng.lognormvariate(10.6, 0.8))
        elif r < 0.99:
            kind, ext, size = "noise", rng.choice((".ogg", ".wav", ".jpg")), int(rng.lognormvariate(10.8, 0.7))
        else:
            kind, ext, size = "text", ".txt", rng.randrange(0, 64)
        members.append(["%s/%s_%05d%s" % (folder, rng.choice(WORDS).decode().lower(), i, ext), kind, size])
    total = sum(m[2] for m in members)
    scale = size_mb * 1024 * 1024 / total if total else 1.0
    for m in members:
        m[2] = int(m[2] * scale)
    return members


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out", help="archive to write")
    parser.add_argument("--size-mb", type=float, default=1024, help="uncompressed content in MB (default 1024)")
    parser.add_argument("--seed", type=int, default=20040615, help="random seed (default fixed)")
    args = parser.parse_args()

    rng = random.Random(args.seed)
    pool = text_pool(rng, 4 * 1024 * 1024)
    members = plan(rng, args.size_mb)
    tmp = args.out + ".tmp"
    with zipfile.ZipFile(tmp, "w") as zf:
        for folder in FOLDERS:
            info = zipfile.ZipInfo(folder + "/", DATE_TIME)
            info.external_attr = 0x10
            zf.writestr(info, b"")
        for name, kind, size in members:
            if kind == "text":
                data = make_text(rng, pool, size)
            elif kind == "binary":
                data = make_binary(rng, size)
            else:
                data = make_noise(rng, size)
            info = zipfile.ZipInfo(name, DATE_TIME)
            info.external_attr = 0x20
            # Already-compressed sound and picture data is partly stored, as
            # archivers do when deflating does not pay.
            stored = kind == "noise" and rng.random() < 0.5
            info.compress_type = zipfile.ZIP_STORED if stored or not data else zipfile.ZIP_DEFLATED
            zf.writestr(info, data, compresslevel=6)
    os.replace(tmp, args.out)
    print("%s: %d members, %d bytes" % (args.out, len(members) + len(FOLDERS), os.path.getsize(args.out)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
