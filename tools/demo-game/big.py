"""Bulk content for benchmarks: tens of thousands of members, about a
gigabyte, and a mission with twenty thousand entities.

Types are copies of the demo types under numbered names, spread over the
folders the editor unpacks and scans; pictures are DDS files of fixed-seed
noise, stored uncompressed like the game's own large pictures.
"""

import random
import struct

import entities
import missions
from defs import N, q, f6, encode

BULK_TYPES = 4000        # each gives a definition, a model and its meshes
BULK_PICTURES = 16500    # 60 KB each: DXT1 of 256 x 384 pixels with a second level
PICTURE_WIDTH, PICTURE_HEIGHT = 256, 384
MISSION_ENTITIES = 20000

PICTURE_FOLDERS = ["texture/common/%s/bulk" % f for f in (
    "animation", "barrel", "bridges", "constructions", "decor", "entourage", "flora",
    "fragments", "ground", "model", "Objects", "rocks", "roof", "town-euro", "wall",
    "water", "wood")]


def bulk_types():
    """(entry, copy of entry's table row under a numbered name)."""
    drawn = [e for e in entities.TYPES if e[2] in entities.MODEL_SHAPES
             and not e[1].endswith(("_x", "_xx"))]
    out = []
    for k in range(BULK_TYPES):
        base, name, shape, _file = drawn[k % len(drawn)]
        out.append((base + "/bulk", "%s_%04d" % (name, k), shape, None))
    return out


def noise_dds(index):
    """A DXT1 picture with a full-size and a half-size level of fixed-seed
    noise: cheap to make, does not compress, and different for every index."""
    rng = random.Random(index)
    level0 = (PICTURE_WIDTH // 4) * (PICTURE_HEIGHT // 4) * 8
    data = rng.randbytes(level0 + level0 // 4)
    header = struct.pack("<4sIIIIIII44s", b"DDS ", 124, 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000 | 0x80000,
                         PICTURE_HEIGHT, PICTURE_WIDTH, level0, 0, 2, bytes(44))
    pf = struct.pack("<II4sIIIII", 32, 0x4, b"DXT1", 0, 0, 0, 0, 0)
    caps = struct.pack("<IIIII", 0x1000 | 0x400000 | 0x8, 0, 0, 0, 0)
    return header + pf + caps + data


def big_mission():
    """A mission on the largest template with MISSION_ENTITIES units and
    objects on a grid, every tenth with a brain."""
    import maps
    template = "land400x600"
    w, d = maps.TEMPLATES[template][:2]
    root = N("mission", children=[N("Environment", q("day"))])
    ids = missions.Ids(0x8000)
    units = [e for e in entities.TYPES if e[2] in ("tank", "car", "human", "gun")
             and not e[1].endswith(("_x", "_xx"))]
    statics = [e for e in entities.TYPES if e[2] in ("house", "tree", "conifer", "fence", "rock")]
    side = int(MISSION_ENTITIES ** 0.5) + 1
    brains = []
    for k in range(MISSION_ENTITIES):
        x = -w / 2 + (k % side + 0.5) * w / side
        y = -d / 2 + (k // side + 0.5) * d / side
        ident = ids.id()
        if k % 2 == 0:
            entry = units[k // 2 % len(units)]
            children = [N("MID", ids.mid()), N("Player", k % 4)]
            if k % 20 == 0:
                brains.append(N("Brain", ident, children=[N("Control", 1), N("HoldPosition")]))
        else:
            entry = statics[k // 2 % len(statics)]
            children = []
        root.add(N("Entity", q(entry[1]), ident, children=[
            N("Position", f6(x), f6(y), f6(missions.ground_z(template, x, y))),
            N("Turn", f6(k * 7 % 360))] + children))
    root.add(*brains)
    return encode([root], header="Benchmark mission with %d entities" % MISSION_ENTITIES)


def members():
    import models
    makers = []
    for entry in bulk_types():
        makers.append((entities.def_member(entry),
                       lambda rev, e=entry: encode(entities.definition(e, rev))))
        makers += models.type_makers(entry)
    for k in range(BULK_PICTURES):
        folder = PICTURE_FOLDERS[k % len(PICTURE_FOLDERS)]
        makers.append(("%s/noise_%05d.dds" % (folder, k), lambda rev, i=k: noise_dds(i + rev)))
    makers.append(("map/single/big_battle/big_battle.mi", lambda rev: big_mission()))
    makers.append(("map/single/big_battle/map", lambda rev: encode(
        [missions.base_map("land400x600", "summer", missions.VILLAGE, rev)])))
    return makers
