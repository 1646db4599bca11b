"""Entity definitions: every folder the editor scans, with its types.

Each type is a folder holding `<name>.def` and, beside it, the model files
that models.py makes for the type's shape. The table below is the whole
catalogue of the demo game; patches.py changes some of it for the patch
archives.
"""

import math
import struct

from defs import N, q, encode

# (folder below the resource root, type name, shape, definition file name
# when it differs from "<name>.def"). The shape picks the model and the kind
# of definition blocks.
TYPES = [
    # tanks, with two static wrecks whose names mark them as map objects
    ("entity/-vehicle/tank_medium", "m4a2", "tank", None),
    ("entity/-vehicle/tank_medium", "pz-4d", "tank", None),
    ("entity/-vehicle/tank_medium", "t-34-76-41", "tank", None),
    ("entity/-vehicle/tank_medium", "mkivchurchill", "tank", None),
    ("entity/-vehicle/tank_medium", "hummel", "tank", None),
    ("entity/-vehicle/tank_heavy", "is-2", "tank", None),
    ("entity/-vehicle/tank_heavy", "pz-6", "tank", "PZ-6.DEF"),
    ("entity/-vehicle/tank_light", "bt-7a", "tank", None),
    ("entity/-vehicle/tank_light", "pz-2f", "tank", None),
    ("entity/-vehicle/tank_light", "pz-1b", "tank", None),
    ("entity/-vehicle/tank_light", "m8-scott", "tank", None),
    ("entity/-vehicle/tank_heavy", "isu-152", "tank", None),
    ("entity/-vehicle/tank_medium/x", "pz-4d_xx", "tank", None),
    ("entity/-vehicle/tank_medium/x", "mkivchurchill", "tank", None),
    # guns
    ("entity/-vehicle/cannon", "zis-3", "gun", None),
    ("entity/-vehicle/cannon", "pak-40", "gun", None),
    ("entity/-vehicle/cannon", "m5", "gun", "M5.DEF"),
    # transport: armoured carriers (with static wrecks) and cars
    ("entity/-vehicle/btr", "m8grayhound", "car", None),
    ("entity/-vehicle/btr", "sdkfz250_3", "car", None),
    ("entity/-vehicle/btr", "m3a1", "car", None),
    ("entity/-vehicle/btr/x", "m3a1_x", "car", None),
    ("entity/-vehicle/btr/x", "m8grayhound", "car", None),
    ("entity/-vehicle/btr/x", "sdkfz10-5_x", "car", None),
    ("entity/-vehicle/car", "bmw-r12", "car", None),
    ("entity/-vehicle/car", "gmc", "car", None),
    ("entity/-vehicle/car", "willys", "car", None),
    # boats and aircraft
    ("entity/-vehicle/marine", "pt-boat", "boat", None),
    ("entity/-vehicle/marine", "barge", "boat", None),
    ("entity/-vehicle/marine", "motorboat", "boat", None),
    ("entity/-vehicle/airborne", "il-2", "plane", None),
    ("entity/-vehicle/airborne", "ju-87", "plane", None),
    ("entity/-vehicle/airborne", "spitfire", "plane", None),
    # a train: locomotive, tender and wagons
    ("entity/-vehicle/train", "locomotive", "locomotive", None),
    ("entity/-vehicle/train", "tender", "wagon", None),
    ("entity/-vehicle/train", "wagon", "wagon", None),
    ("entity/-vehicle/train", "platform", "wagon", None),
    # weapons lying on the ground and ammunition boxes
    ("entity/inventory", "mosin", "weapon", None),
    ("entity/inventory", "mp40", "weapon", None),
    ("entity/inventory", "thompson", "weapon", "THOMPSON.DEF"),
    ("entity/inventory", "box_ammo", "crate", None),
    # people and animals
    ("entity/-human", "soldier_rus", "human", None),
    ("entity/-human", "soldier_ger", "human", None),
    ("entity/-human", "soldier_usa", "human", None),
    ("entity/-human", "officer", "human", None),
    ("entity/-fauna", "chicken", "animal", None),
    ("entity/-fauna", "dog", "animal", None),
    ("entity/-fauna", "cow", "animal", None),
    # buildings
    ("entity/construction/house", "house_small", "house", None),
    ("entity/construction/house", "house_brick", "house", None),
    ("entity/construction/house", "barn", "house", "BARN.DEF"),
    ("entity/construction/hangar", "hangar_big", "house", None),
    ("entity/construction/hangar", "hangar_small", "house", None),
    ("entity/construction/hangar", "hangar_round", "house", None),
    ("entity/construction/monastery", "church", "house", None),
    ("entity/construction/monastery", "chapel", "house", None),
    ("entity/construction/monastery", "bell_tower", "house", None),
    ("entity/construction/town", "town_house1", "house", None),
    ("entity/construction/town", "town_house2", "house", None),
    ("entity/construction/town", "baeckerei", "house", None),
    # fences and other barriers
    ("entity/construction/fence", "fence_wood", "fence", None),
    ("entity/construction/fence", "fence_stone", "fence", None),
    ("entity/construction/fence", "fence_wire", "fence", None),
    ("entity/construction/entourage", "stack_fence", "fence", None),
    ("entity/construction/entourage", "well", "crate", None),
    ("entity/construction/entourage", "bench", "crate", None),
    ("entity/construction/cover", "sandbags", "fence", None),
    ("entity/construction/cover", "trench", "fence", None),
    ("entity/construction/cover", "hedgehog", "crate", None),
    # vegetation
    ("entity/flora/bush", "bush_round", "bush", None),
    ("entity/flora/bush", "bush_tall", "bush", None),
    ("entity/flora/bush", "hazel", "bush", None),
    ("entity/flora/tree", "oak", "tree", None),
    ("entity/flora/tree", "birch", "tree", None),
    ("entity/flora/tree", "apple", "tree", "APPLE.DEF"),
    ("entity/flora/forest_trash", "stump", "rock", None),
    ("entity/flora/forest_trash", "log", "crate", None),
    ("entity/flora/forest_trash", "branches", "bush", None),
    ("entity/flora/conifers", "fir", "conifer", None),
    ("entity/flora/conifers", "pine", "conifer", None),
    ("entity/flora/conifers", "spruce", "conifer", None),
    # landscape pieces
    ("entity/landscape/stamp", "crater", "decal", None),
    ("entity/landscape/stamp", "tracks", "decal", None),
    ("entity/landscape/stamp", "road_stamp", "decal", None),
    ("entity/background/sky", "sky_day", "sky", None),
    ("entity/background/sky", "sky_evening", "sky", None),
    ("entity/background/sky", "sky_night", "sky", None),
    # the 3D view's own sky, which it makes from an element named "sky"
    ("entity/background/sky", "sky", "skydome", None),
    ("entity/landscape/patch", "grass_patch", "decal", None),
    ("entity/landscape/patch", "mud", "decal", None),
    ("entity/landscape/patch", "sand", "decal", None),
    ("entity/landscape/rock", "rock1", "rock", None),
    ("entity/landscape/rock", "rock2", "rock", None),
    ("entity/landscape/rock", "boulder", "rock", None),
    ("properties/particle", "smoke_puff", "sprite", None),
    ("properties/particle", "spark", "sprite", None),
    ("properties/particle", "dust", "sprite", None),
    ("entity/sound", "birds", "sound", None),
    ("entity/sound", "wind", "sound", None),
    ("entity/sound", "river_sound", "sound", None),
    ("entity/landscape/water", "lake", "water", None),
    ("entity/landscape/water", "river", "water", None),
    ("entity/landscape/water", "pond", "water", None),
    ("entity/construction/bridge", "bridge_town", "bridge", None),
    ("entity/construction/bridge/x", "bridge_town_x", "bridge", None),
    ("entity/construction/bridge", "bridge_wood", "bridge", None),
    ("entity/construction/railway", "rail_straight", "rail", None),
    ("entity/construction/railway", "rail_curve", "rail", None),
    ("entity/construction/railway", "rail_switch", "rail", None),
    ("entity/construction/trash", "barrel", "crate", None),
    ("entity/construction/trash", "crate", "crate", None),
    ("entity/construction/trash", "wreck", "crate", None),
    ("fx/smoke", "smoke_black", "sprite", None),
    ("fx/smoke", "smoke_white", "sprite", None),
    ("fx/smoke", "fire", "sprite", None),
]

# Shapes whose types are driven units, and what the game's own definitions
# say about them.
VEHICLE_SHAPES = {"tank", "car", "boat", "plane"}
TRAIN_SHAPES = {"locomotive", "wagon"}
# Shapes drawn from a mesh model; the rest are sprites, sounds or skies.
MODEL_SHAPES = VEHICLE_SHAPES | TRAIN_SHAPES | {
    "gun", "weapon", "crate", "human", "animal", "house", "fence", "bush",
    "tree", "conifer", "rock", "water", "bridge", "rail", "skydome"}

WEAPON_AMMO = {"mosin": ("ammo rifle", 5), "mp40": ("ammo smg", 32),
               "thompson": ("ammo smg", 30)}


def folder_of(entry):
    base, name, _shape, _file = entry
    return "%s/%s" % (base, name)


def def_member(entry):
    base, name, _shape, file_name = entry
    return "%s/%s/%s" % (base, name, file_name or name + ".def")


def inventory(items):
    """An `extender` "inventory" block: a box cleared and refilled."""
    box = N("box", children=[N("clear")])
    for x, (item, count) in enumerate(items):
        box.add(N("item", q(item), count, children=[N("cell", x * 2, 0)]))
    return N("extender", q("inventory"), children=[box])


def definition(entry, revision=0):
    """The top-level blocks of one type's definition. A non-zero revision
    marks the content a patch archive ships instead."""
    base, name, shape, _file = entry
    nodes = [N("from", q("demo " + shape), comment="%s: %s" % (name, shape))]
    if revision:
        nodes.append(N("revision", revision, comment="changed by patch %d" % revision))
    static = name.endswith("_x") or name.endswith("_xx")
    if shape in VEHICLE_SHAPES:
        nodes.append(N("props", q("vehicle"), q(shape)))
    elif shape == "locomotive":
        nodes.append(N("props", q("train_part"), q("steam_locomotive")))
    elif shape == "wagon":
        nodes.append(N("props", q("train_part")))
    if shape in MODEL_SHAPES:
        if shape in ("human", "animal"):
            nodes.append(N("Skeleton", q(name + "_skel.mdl")))
        nodes.append(N("Extension", q(name + ".mdl")))
    if shape in ("tank", "car", "house", "fence") and not static:
        nodes.append(N("TexMods", children=[
            N("winter", q("winter")), N("desert", q("desert"))]))
    if shape in ("tank", "car") and not static:
        nodes.append(N("Durability", 900 + 100 * (revision + len(name))))
        nodes.append(inventory([("ammo ap", 40), ("ammo he", 20)]))
        nodes.append(N("DecalView", q("track"), children=[
            N("Sprite", q("/fx/_bmp/track.ebm"), children=[N("Scale", "1.500000")])]))
        nodes.append(N("DecalView", q("broken"), children=[
            N("Sprite", q("/fx/_bmp/scorch.ebm"))]))
    if shape == "weapon":
        filling, amount = WEAPON_AMMO.get(name, ("ammo rifle", 5))
        nodes.append(N("extender", q("stuff"), children=[
            N("Item", q(name), "filling", q(filling), amount)]))
    if shape == "crate" and base == "entity/inventory":
        nodes.append(inventory([("mosin", 2), ("grenade", 6), ("medkit", 1)]))
    if shape == "fence":
        nodes.append(inventory([("shovel", 1)]))
        nodes.append(N("extender", q("stuff"), children=[
            N("Item", q("wire"), "filling", q("nails"), 12)]))
    if shape in ("sprite", "decal"):
        folder = "fx/_bmp" if shape == "sprite" else "texture/common/ground"
        sprite = N("Sprite", q("/%s/%s.ebm" % (folder, shape)), children=[
            N("PreScaleX", "2.000000"), N("PreScaleY", "1.000000"),
            N("Visibility", "0.800000")])
        if shape == "decal":
            nodes.append(N("DecalView", q("ground"), children=[sprite]))
        else:
            nodes.append(sprite)
    if shape == "sky":
        nodes.append(N("Sprite", q("/texture/background/%s.ebm" % name)))
    if shape == "sound":
        nodes.append(N("Sound", q("/sound/ambient/%s.wav" % name), children=[
            N("Radius", "40.000000"), N("Loop", 1)]))
    return nodes


def wav(pitch):
    """A quarter second of a plain tone: 8 kHz, 8-bit mono PCM."""
    rate, count = 8000, 2000
    samples = bytes(128 + int(60 * math.sin(2 * math.pi * pitch * k / rate)) for k in range(count))
    fmt = struct.pack("<4sIHHIIHH", b"fmt ", 16, 1, 1, rate, rate, 1, 8)
    body = b"WAVE" + fmt + b"data" + struct.pack("<I", count) + samples
    return b"RIFF" + struct.pack("<I", len(body)) + body


def members():
    """(member name, maker) of every definition and of the sounds they name;
    the maker takes the patch revision (0 for game.pak) and returns the
    file's bytes."""
    makers = [(def_member(e), lambda rev, e=e: encode(definition(e, rev))) for e in TYPES]
    for k, entry in enumerate(e for e in TYPES if e[2] == "sound"):
        makers.append(("sound/ambient/%s.wav" % entry[1], lambda rev, p=220 * (k + 1): wav(p)))
    return makers


def find(name, base_prefix=""):
    """The table entry of a type, by name and folder prefix."""
    for entry in TYPES:
        if entry[1] == name and entry[0].startswith(base_prefix):
            return entry
    raise KeyError(name)
