"""What each kind of object looks like: its parts as meshes in a bone tree.

A shape is a list of parts (bone name, parent bone, offset, builder). Each
builder fills a mesh in the part's own coordinates, heights positive; the
offset places the part relative to its parent.
"""

import functools
import math

from meshes import WHITE, Mesh, argb

OLIVE, DARK, STEEL = argb(90, 100, 60), argb(40, 40, 40), argb(120, 120, 130)
BRICK, ROOF, WOOD = argb(170, 80, 60), argb(120, 40, 30), argb(130, 90, 50)
LEAF, BARK, SKIN = argb(50, 120, 40), argb(90, 60, 30), argb(220, 180, 150)
CLOTH, STONE, WATER = argb(80, 90, 70), argb(140, 140, 135), argb(40, 80, 140)

MODEL_TEX = "/texture/common/model/"


def tex(name):
    """A mesh's texture reference: the texture description beside the image."""
    return MODEL_TEX + name + ".tex"


def roof(mesh, mat, centre, size, colour=ROOF):
    """A gable roof: two slopes along x and two triangular ends."""
    cx, cy, h = centre
    sx, sy, sh = size[0] / 2, size[1] / 2, size[2]
    ridge = [(cx - sx, cy, h + sh), (cx + sx, cy, h + sh)]
    for side in (-1, 1):
        n = (0, side * sh, sy)
        eave = [(cx - sx, cy + side * sy, h), (cx + sx, cy + side * sy, h)]
        ids = [mesh.vertex(p, n, colour, uv) for p, uv in
               zip(eave + ridge[::-1], ((0, 0), (1, 0), (1, 1), (0, 1)))]
        mesh.quad(mat, *ids)
    for end in (-1, 1):
        n = (end, 0, 0)
        pts = [(cx + end * sx, cy - sy, h), (cx + end * sx, cy + sy, h), (cx + end * sx, cy, h + sh)]
        ids = [mesh.vertex(p, n, colour, (0.5, 0.5)) for p in pts]
        mesh.triangle(mat, *ids)


def wheels(mesh, mat, xs, width, radius, colour=DARK):
    for x in xs:
        for side in (-1, 1):
            y = side * width / 2
            mesh.cylinder(mat, (x, y - 0.15 * side, radius), (x, y + 0.15 * side, radius), radius, colour)


def tank_hull(m):
    body = m.material(tex("tank.dds"), tex("tank_detail.dds"))
    tracks = m.material(tex("tracks.dds"))
    m.box(body, (0, 0, 1.1), (6.0, 3.0, 1.0), OLIVE)
    m.box(body, (2.6, 0, 1.0), (1.2, 2.6, 0.6), OLIVE)
    for side in (-1, 1):
        m.box(tracks, (0, side * 1.4, 0.5), (6.4, 0.6, 1.0), DARK)


def tank_turret(m):
    mat = m.material(tex("tank.dds"))
    m.cylinder(mat, (0, 0, 0), (0, 0, 0.9), 1.2, OLIVE, segments=12, radius_end=1.0)
    m.box(mat, (-0.6, 0, 0.45), (1.4, 1.6, 0.8), OLIVE)


def tank_gun(m):
    mat = m.material(tex("tank.dds"))
    m.cylinder(mat, (0, 0, 0), (3.2, 0, 0), 0.12, STEEL, segments=8)
    m.cylinder(mat, (0, 0, 0), (0.5, 0, 0), 0.25, OLIVE, segments=8)


def cannon(m):
    mat = m.material(tex("cannon.dds"))
    m.box(mat, (0.2, 0, 1.2), (0.1, 2.0, 1.0), OLIVE)
    m.cylinder(mat, (-0.5, 0, 1.1), (3.0, 0, 1.2), 0.1, STEEL)
    wheels(m, mat, [0.0], 1.8, 0.5)
    for side in (-1, 1):
        m.cylinder(mat, (0, side * 0.3, 0.6), (-2.5, side * 1.0, 0.05), 0.08, OLIVE, segments=6)


def car(m):
    mat = m.material(tex("car.dds"))
    m.box(mat, (0, 0, 0.9), (4.5, 2.0, 0.8), OLIVE)
    m.box(mat, (-0.6, 0, 1.7), (2.0, 1.8, 0.8), OLIVE)
    wheels(m, mat, [-1.5, 1.5], 2.0, 0.45)


def boat(m):
    mat = m.material(tex("boat.dds"))
    m.box(mat, (0, 0, 0.5), (7.0, 2.2, 1.0), STEEL)
    m.cylinder(mat, (3.5, 0, 0.5), (4.8, 0, 0.6), 1.1, STEEL, segments=4, radius_end=0.05)
    m.box(mat, (-1.0, 0, 1.5), (2.0, 1.6, 1.0), STEEL)


def plane(m):
    mat = m.material(tex("plane.dds"))
    m.cylinder(mat, (-4.0, 0, 2.0), (4.0, 0, 2.0), 0.7, OLIVE, radius_end=0.5)
    m.box(mat, (0.8, 0, 1.9), (1.8, 11.0, 0.15), OLIVE)
    m.box(mat, (-3.6, 0, 2.1), (0.9, 3.6, 0.1), OLIVE)
    m.box(mat, (-3.7, 0, 2.7), (0.9, 0.1, 1.2), OLIVE)
    wheels(m, mat, [1.0], 2.4, 0.35)


def locomotive(m):
    mat = m.material(tex("train.dds"))
    m.cylinder(mat, (-1.0, 0, 2.2), (4.0, 0, 2.2), 1.1, DARK)
    m.box(mat, (-2.2, 0, 2.4), (2.2, 2.6, 2.4), DARK)
    m.cylinder(mat, (3.2, 0, 3.2), (3.2, 0, 4.2), 0.3, DARK)
    wheels(m, mat, [-2.0, 0.0, 1.6, 3.2], 2.0, 0.7)


def wagon(m):
    mat = m.material(tex("train.dds"))
    m.box(mat, (0, 0, 2.0), (8.0, 2.8, 2.6), WOOD)
    wheels(m, mat, [-2.8, 2.8], 2.0, 0.45)


def weapon(m):
    mat = m.material(tex("weapon.dds"))
    m.box(mat, (-0.3, 0, 0.05), (0.5, 0.06, 0.1), WOOD)
    m.cylinder(mat, (0, 0, 0.07), (0.8, 0, 0.07), 0.015, STEEL, segments=6)


def crate(m):
    mat = m.material(tex("crate.dds"))
    m.box(mat, (0, 0, 0.4), (1.2, 0.8, 0.8), WOOD)


def house(m):
    walls = m.material(tex("wall.dds"))
    top = m.material(tex("roof.dds"))
    m.box(walls, (0, 0, 1.6), (8.0, 6.0, 3.2), BRICK)
    roof(m, top, (0, 0, 3.2), (8.6, 6.6, 2.4))
    m.box(walls, (2.0, 1.0, 5.0), (0.6, 0.6, 1.6), BRICK)


def fence(m):
    mat = m.material(tex("fence.dds"))
    for i in range(5):
        m.box(mat, (-4.0 + 2.0 * i, 0, 0.6), (0.12, 0.12, 1.2), WOOD)
    for h in (0.4, 0.9):
        m.box(mat, (0, 0, h), (8.2, 0.05, 0.12), WOOD)


def tree(m, conifer=False):
    trunk = m.material(tex("bark.dds"))
    crown = m.material(tex("leaves.dds"))
    m.cylinder(trunk, (0, 0, 0), (0, 0, 4.0), 0.25, BARK, segments=8)
    if conifer:
        for i, r in enumerate((2.2, 1.7, 1.1)):
            m.cylinder(crown, (0, 0, 2.0 + 1.8 * i), (0, 0, 4.4 + 1.8 * i), r, LEAF, radius_end=0.0)
    else:
        m.cylinder(crown, (0, 0, 2.5), (0, 0, 4.0), 1.2, LEAF, radius_end=2.2)
        m.cylinder(crown, (0, 0, 4.0), (0, 0, 6.0), 2.2, LEAF, radius_end=0.6)


def bush(m):
    mat = m.material(tex("leaves.dds"))
    m.cylinder(mat, (0, 0, 0), (0, 0, 0.6), 0.6, LEAF, radius_end=1.0)
    m.cylinder(mat, (0, 0, 0.6), (0, 0, 1.3), 1.0, LEAF, radius_end=0.2)


def rock(m):
    mat = m.material(tex("rock.dds"))
    m.cylinder(mat, (0, 0, 0), (0, 0, 0.8), 1.5, STONE, segments=7, radius_end=1.0)
    m.cylinder(mat, (0, 0, 0.8), (0.2, 0.1, 1.4), 1.0, STONE, segments=7, radius_end=0.3)


def water(m):
    mat = m.material("/texture/common/water/water.dds.tex")
    m.box(mat, (0, 0, 0.0), (40.0, 30.0, 0.02), WATER)


def bridge(m):
    mat = m.material(tex("bridge.dds"))
    m.box(mat, (0, 0, 3.0), (24.0, 5.0, 0.6), STONE)
    for x in (-8, 0, 8):
        m.box(mat, (x, 0, 1.4), (1.2, 4.0, 2.8), STONE)
    for side in (-1, 1):
        m.box(mat, (0, side * 2.4, 3.6), (24.0, 0.2, 0.6), STONE)


def rail(m):
    mat = m.material(tex("rail.dds"))
    for i in range(8):
        m.box(mat, (-7.0 + 2.0 * i, 0, 0.1), (0.3, 2.6, 0.2), WOOD)
    for side in (-1, 1):
        m.box(mat, (0, side * 0.75, 0.3), (16.0, 0.1, 0.15), STEEL)


def sky_dome(m):
    """The view's sky: a dome seen from inside, its faces turned inwards,
    reaching below the horizon so that it closes behind the ground."""
    mat = m.material("/texture/background/sky.tga.tex")
    radius, segments, bands = 300.0, 16, 6
    rings = []
    for j in range(bands + 1):
        lift = -math.pi / 12 + (7 * math.pi / 12) * j / bands
        ring = []
        for i in range(segments + 1):
            a = 2 * math.pi * i / segments
            out = (math.cos(lift) * math.cos(a), math.cos(lift) * math.sin(a), math.sin(lift))
            pos = tuple(radius * c for c in out)
            inward = tuple(-c for c in out)
            ring.append(m.vertex(pos, inward, WHITE, (i / segments, j / bands)))
        rings.append(ring)
    for j in range(bands):
        for i in range(segments):
            m.quad(mat, rings[j][i], rings[j][i + 1], rings[j + 1][i + 1], rings[j + 1][i])


def human_torso(m):
    mat = m.material(tex("soldier.dds"))
    m.box(mat, (0, 0, 0.35), (0.3, 0.5, 0.7), CLOTH)
    for side in (-1, 1):
        m.box(mat, (0, side * 0.33, 0.3), (0.14, 0.14, 0.65), CLOTH)


def human_head(m):
    mat = m.material(tex("soldier.dds"))
    m.cylinder(mat, (0, 0, 0), (0, 0, 0.28), 0.12, SKIN, segments=8)
    m.cylinder(mat, (0, 0, 0.22), (0, 0, 0.32), 0.17, OLIVE, segments=8, radius_end=0.05)


def human_legs(m):
    mat = m.material(tex("soldier.dds"))
    for side in (-1, 1):
        m.box(mat, (0, side * 0.12, -0.45), (0.18, 0.18, 0.9), CLOTH)


def animal(m):
    mat = m.material(tex("animal.dds"))
    m.box(mat, (0, 0, 0.7), (1.2, 0.5, 0.5), WOOD)
    m.box(mat, (0.75, 0, 0.95), (0.4, 0.3, 0.3), WOOD)
    for x in (-0.45, 0.45):
        for y in (-0.18, 0.18):
            m.box(mat, (x, y, 0.25), (0.12, 0.12, 0.5), WOOD)


def single(builder):
    return [("body", None, (0, 0, 0), builder)]


# shape: parts (bone, parent bone, offset from the parent, builder)
SHAPES = {
    "tank": [("body", None, (0, 0, 0), tank_hull),
             ("turret", "body", (-0.3, 0, 1.6), tank_turret),
             ("gun", "turret", (0.9, 0, 0.45), tank_gun)],
    "human": [("pelvis", None, (0, 0, 0.95), human_legs),
              ("torso", "pelvis", (0, 0, 0.05), human_torso),
              ("head", "torso", (0, 0, 0.72), human_head)],
    "gun": single(cannon), "car": single(car), "boat": single(boat),
    "plane": single(plane), "locomotive": single(locomotive), "wagon": single(wagon),
    "weapon": single(weapon), "crate": single(crate), "house": single(house),
    "fence": single(fence), "tree": single(tree),
    "conifer": single(lambda m: tree(m, conifer=True)), "bush": single(bush),
    "rock": single(rock), "water": single(water), "bridge": single(bridge),
    "rail": single(rail), "animal": single(animal), "skydome": single(sky_dome),
}


@functools.lru_cache(maxsize=None)
def build(shape):
    """[(bone, parent, offset, Mesh)] for a shape; shared, so never changed
    by callers."""
    parts = []
    for bone, parent, offset, builder in SHAPES[shape]:
        mesh = Mesh()
        builder(mesh)
        parts.append((bone, parent, offset, mesh))
    return parts


def turn(angle):
    """A 3 x 3 rotation about the vertical axis, row by row."""
    c, s = math.cos(angle), math.sin(angle)
    return (c, s, 0, -s, c, 0, 0, 0, 1)
