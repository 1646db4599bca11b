"""Textures, texture descriptions, materials and sprite descriptions.

Every picture comes with a texture description `<file>.tex` whose `Frame`
names it; a few have variants (`name#variant.ext`) for the texture
modifications of the entity definitions. Materials (`.mtl`) name their
texture in a `stage`. Sprite descriptions (`.ebm`) frame the pictures of
skies, decals and effects.
"""

import images
from defs import N, q, encode
from sets import SKINS

M = "texture/common/model"

# (folder, file, size, colour, pattern, dds kind, alpha-blended)
PICTURES = [
    (M, "tank.dds", 64, (95, 105, 60), "stripes", "dxt1", False),
    (M, "tank#winter.dds", 64, (220, 225, 230), "stripes", "dxt1", False),
    (M, "tank#desert.dds", 64, (200, 170, 110), "stripes", "dxt1", False),
    (M, "tank_detail.dds", 32, (80, 80, 70), "checker", "dxt1", False),
    (M, "tank_n.dds", 32, (128, 128, 255), "plain", "argb", False),
    (M, "tracks.dds", 32, (50, 50, 50), "stripes", "dxt1", False),
    (M, "cannon.dds", 32, (90, 100, 60), "plain", "dxt1", False),
    (M, "car.dds", 64, (100, 110, 70), "plain", "dxt1", False),
    (M, "car#winter.dds", 64, (210, 210, 215), "plain", "dxt1", False),
    (M, "car#desert.dds", 64, (190, 160, 100), "plain", "dxt1", False),
    (M, "boat.dds", 32, (120, 120, 130), "stripes", "dxt1", False),
    (M, "plane.dds", 64, (110, 120, 80), "plain", "dxt1", False),
    (M, "train.dds", 64, (40, 40, 45), "stripes", "dxt1", False),
    (M, "weapon.dds", 32, (110, 80, 50), "plain", "dxt1", False),
    (M, "crate.tga", 32, (140, 100, 55), "checker", None, False),
    (M, "wall.dds", 64, (170, 85, 60), "bricks", "dxt1", False),
    (M, "wall#winter.dds", 64, (200, 180, 180), "bricks", "dxt1", False),
    (M, "wall#desert.dds", 64, (210, 180, 130), "bricks", "dxt1", False),
    (M, "roof.dds", 64, (130, 45, 35), "stripes", "dxt1", False),
    (M, "fence.bmp", 32, (130, 90, 50), "stripes", None, False),
    (M, "fence#winter.bmp", 32, (190, 170, 150), "stripes", None, False),
    (M, "fence#desert.bmp", 32, (170, 140, 90), "stripes", None, False),
    (M, "bark.dds", 32, (90, 60, 30), "stripes", "dxt1", False),
    (M, "leaves.dds", 64, (50, 130, 40), "blob", "dxt5", True),
    (M, "rock.bmp", 32, (140, 140, 135), "checker", None, False),
    (M, "bridge.dds", 64, (150, 145, 140), "bricks", "dxt1", False),
    (M, "rail.dds", 32, (100, 90, 80), "stripes", "dxt1", False),
    (M, "soldier.dds", 64, (85, 95, 70), "plain", "dxt1", False),
    (M, "soldier_n.dds", 32, (128, 128, 255), "plain", "argb", False),
    (M, "animal.tga", 32, (150, 110, 70), "plain", None, False),
] + [(M, skin + ".dds", 32, (80 + 20 * i, 90, 70), "plain", "dxt1", False)
     for i, (skin, _skeleton) in enumerate(SKINS)] + [
    ("texture/common/animation", "smoke_anim.tga", 64, (90, 90, 90), "blob", None, True),
    ("texture/common/barrel", "barrel.bmp", 32, (60, 80, 60), "stripes", None, False),
    ("texture/common/bridges", "planks.dds", 64, (120, 90, 60), "stripes", "dxt1", False),
    ("texture/common/constructions", "brick.dds", 64, (160, 80, 60), "bricks", "dxt1", False),
    ("texture/common/decor", "sign.tga", 32, (200, 200, 180), "checker", None, False),
    ("texture/common/entourage", "well.dds", 32, (130, 130, 125), "bricks", "dxt1", False),
    ("texture/common/flora", "grass_blades.dds", 64, (70, 140, 50), "blob", "dxt5", True),
    ("texture/common/fragments", "debris.bmp", 32, (100, 95, 90), "checker", None, False),
    ("texture/common/ground", "dgrass5.bmp", 64, (80, 130, 55), "checker", None, False),
    ("texture/common/ground", "mud.dds", 64, (100, 80, 55), "plain", "dxt1", False),
    ("texture/common/ground", "decal.tga", 64, (60, 50, 40), "blob", None, True),
    ("texture/common/Objects", "barrels.dds", 32, (70, 90, 70), "stripes", "dxt1", False),
    ("texture/common/rocks", "granite.dds", 64, (150, 150, 150), "checker", "dxt1", False),
    ("texture/common/roof", "tiles.dds", 64, (140, 50, 40), "stripes", "dxt1", False),
    ("texture/common/town-euro", "plaster.dds", 64, (220, 210, 180), "plain", "dxt1", False),
    ("texture/common/wall", "plank_wall.bmp", 32, (120, 85, 50), "stripes", None, False),
    ("texture/common/water", "water.dds", 64, (40, 80, 140), "stripes", "argb", True),
    ("texture/common/wood", "wood.dds", 32, (140, 100, 60), "stripes", "dxt1", False),
    ("texture/background", "sky.tga", 64, (120, 160, 220), "plain", None, False),
    ("texture/background", "sky_dusk.tga", 64, (220, 140, 100), "plain", None, False),
    ("texture/background", "sky_dark.tga", 64, (20, 25, 50), "plain", None, False),
    ("texture/background", "clouds.dds", 64, (240, 240, 250), "blob", "dxt5", True),
    ("fx/_bmp", "track.tga", 32, (40, 35, 30), "stripes", None, True),
    ("fx/_bmp", "scorch.tga", 32, (20, 20, 20), "blob", None, True),
    ("fx/_bmp", "sprite.tga", 32, (200, 200, 200), "blob", None, True),
    ("fx/weather", "rain.tga", 32, (180, 190, 220), "stripes", None, True),
]

# sprite description: (folder, name, picture, alpha, mip-maps, axis)
SPRITES = [
    ("texture/background", "day", "sky.tga", False, True, (32, 32)),
    ("texture/background", "evening", "sky_dusk.tga", False, True, (32, 32)),
    ("texture/background", "night_storm", "sky_dark.tga", False, True, (32, 32)),
    ("texture/background", "fog", "sky.tga", False, True, (32, 32)),
    ("texture/background", "winter", "sky.tga", False, True, (32, 32)),
    ("texture/background", "clouds", "clouds.dds", True, True, (32, 32)),
    ("texture/background", "sky_day", "sky.tga", False, True, (32, 32)),
    ("texture/background", "sky_evening", "sky_dusk.tga", False, True, (32, 32)),
    ("texture/background", "sky_night", "sky_dark.tga", False, True, (32, 32)),
    ("texture/common/ground", "decal", "decal.tga", True, False, (32, 32)),
    ("fx/_bmp", "track", "track.tga", True, False, (16, 0)),
    ("fx/_bmp", "scorch", "scorch.tga", True, True, (16, 16)),
    ("fx/_bmp", "sprite", "sprite.tga", True, False, (16, 16)),
]

# material: (folder, name, texture description, blend, mip-maps)
MATERIALS = [
    (M, "tank", "tank.dds.tex", "none", 1),
    (M, "leaves", "leaves.dds.tex", "alpha", 0),
    ("texture/common/water", "water", "/texture/common/water/water.dds.tex", "alpha", 1),
    ("texture/common/roof", "tiles", "tiles.dds.tex", "none", 1),
]


def tint(colour, revision):
    """Patched pictures turn reddish, so an override shows at a glance."""
    if not revision:
        return colour
    return (min(255, colour[0] + 90), colour[1] // 2, colour[2] // 2)


def picture_bytes(entry, revision):
    _folder, file_name, size, colour, pattern, kind, alpha = entry
    pixels = images.picture(size, size, tint(colour, revision), pattern)
    if not alpha:
        pixels = [(r, g, b, 255) for r, g, b, _a in pixels]
    return images.image(file_name.rsplit(".", 1)[1], size, size, pixels, kind or "dxt1")


def description(entry, revision):
    _folder, file_name, _size, _colour, _pattern, _kind, alpha = entry
    node = N("texture", children=[N("Frame", q(file_name)),
                                  N("Blend", q("alpha") if alpha else q("none")),
                                  N("Mipmap", 0 if alpha else 1)])
    nodes = [node] + ([N("revision", revision)] if revision else [])
    return encode(nodes)


def sprite(entry, revision):
    _folder, _name, frame, alpha, mipmap, axis = entry
    node = N("bitmap", children=[N("Filtering", 1), N("Frame", q(frame)),
                                 N("Blend", "alpha" if alpha else "none"),
                                 N("Mipmap", 1 if mipmap else 0), N("Axis", *axis)])
    return encode([node] + ([N("revision", revision)] if revision else []))


def material(entry, revision):
    _folder, name, texture, blend, mipmap = entry
    node = N("material", q(name), children=[N("stage", 0, q(texture)),
                                             N("Blend", q(blend)), N("Mipmap", mipmap)])
    return encode([node] + ([N("revision", revision)] if revision else []))


def rain_fx(revision):
    return encode([N("fx", q("rain"), children=[
        N("Sprite", q("rain.tga")), N("Density", 600 + 100 * revision),
        N("Speed", "12.000000")])])


def members():
    makers = []
    for entry in PICTURES:
        path = "%s/%s" % (entry[0], entry[1])
        makers.append((path, lambda rev, e=entry: picture_bytes(e, rev)))
        makers.append((path + ".tex", lambda rev, e=entry: description(e, rev)))
    for entry in SPRITES:
        makers.append(("%s/%s.ebm" % entry[:2], lambda rev, e=entry: sprite(e, rev)))
    for entry in MATERIALS:
        makers.append(("%s/%s.mtl" % entry[:2], lambda rev, e=entry: material(e, rev)))
    makers.append(("fx/weather/rain.fx", rain_fx))
    return makers
