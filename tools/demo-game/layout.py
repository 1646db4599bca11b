"""The installation: which content goes into which archive.

game.pak holds everything the editor unpacks; the first patch supplies the
sets and one tank, the second the other patched folders. Patched members
carry different content from game.pak, so overriding is visible.
"""

import os

import entities
import maps
import missions
import models
import packing
import sets
import textures

PATCH1_PREFIXES = ["entity/-vehicle/tank_medium/m4a2"]

PATCH2_PREFIXES = [
    "entity/landscape/map/120_3m", "entity/landscape/map/90x90_3m",
    "entity/landscape/map/land400x600",
    "entity/-vehicle/tank_heavy/is-2", "entity/-vehicle/tank_heavy/isu-152",
    "entity/-vehicle/tank_heavy/pz-6", "entity/-vehicle/tank_light/bt-7a",
    "entity/-vehicle/tank_light/m8-scott", "entity/-vehicle/tank_light/pz-1b",
    "entity/-vehicle/tank_light/pz-2f", "entity/-vehicle/tank_medium/hummel",
    "entity/-vehicle/tank_medium/mkivchurchill", "entity/-vehicle/tank_medium/pz-4d",
    "entity/-vehicle/tank_medium/t-34-76-41", "entity/-vehicle/tank_medium/x/mkivchurchill",
    "entity/-vehicle/tank_medium/x/pz-4d_xx",
    "entity/-vehicle/btr/m8grayhound", "entity/-vehicle/btr/sdkfz250_3",
    "entity/-vehicle/btr/x/m3a1_x", "entity/-vehicle/btr/x/m8grayhound",
    "entity/-vehicle/btr/x/sdkfz10-5_x",
    "entity/-vehicle/car/bmw-r12", "entity/-vehicle/car/gmc",
    "entity/-fauna/chicken", "entity/-fauna/dog",
    "entity/construction/house", "entity/construction/hangar",
    "entity/construction/town", "entity/construction/entourage/stack_fence",
    "entity/construction/bridge/bridge_town", "entity/construction/bridge/x/bridge_town_x",
    "fx/smoke", "fx/_bmp", "fx/weather",
    "texture/common/animation", "texture/common/constructions",
    "texture/common/entourage", "texture/common/fragments", "texture/common/roof",
    "texture/common/town-euro",
]

MOD_NAME = "demo_mod"

GAME_STAND_IN = (b"#!/bin/sh\n"
                 b"# Stands in for the game: says how it was started and ends.\n"
                 b"echo \"Varnholt demo game started with: $*\"\n"
                 b"exit 0\n")


def game_makers():
    """(member name, maker) of the content of game.pak."""
    makers = []
    makers += entities.members()
    makers += models.members()
    makers += textures.members()
    makers += maps.members()
    makers += missions.members()
    return makers


def build(out_dir, big=False):
    """Writes the whole installation into out_dir. Returns member counts per
    archive."""
    makers = game_makers()
    counts = {}

    # Bulk content goes into game.pak only: the patches stay the size of the
    # normal game's, so that benchmarks measure the bulk once.
    bulk = []
    if big:
        import big as big_content
        bulk = big_content.members()
    game = [(name, lambda make=make: make(0)) for name, make in makers + bulk] + sets.members(0)
    packing.write_archive(os.path.join(out_dir, "game.pak"), game)
    counts["game.pak"] = len(game)

    localize = [("set/text/mission.lng", sets.mission_lng())]
    packing.write_archive(os.path.join(out_dir, "localize.pak"), localize)
    counts["localize.pak"] = len(localize)

    packing.check_prefixes(makers, PATCH1_PREFIXES, "1.pat")
    patch1 = packing.select(makers, PATCH1_PREFIXES, 1) + sets.members(1)
    packing.write_archive(os.path.join(out_dir, "resource", "Patch", "1.pat"), patch1)
    counts["1.pat"] = len(patch1)

    packing.check_prefixes(makers, PATCH2_PREFIXES, "2.pat")
    patch2 = packing.select(makers, PATCH2_PREFIXES, 2)
    packing.write_archive(os.path.join(out_dir, "resource", "Patch", "2.pat"), patch2)
    counts["2.pat"] = len(patch2)

    mod = os.path.join(out_dir, "mods", MOD_NAME)
    packing.write_file(os.path.join(mod, "info.mod"),
                       sets.info_mod("Demo Mod", "A small mission packed as a mod.", "1.0.0.0"))
    for name, data in missions.mod_files(MOD_NAME):
        packing.write_file(os.path.join(mod, *name.split("/")), data)

    packing.write_file(os.path.join(out_dir, "Varnholt.exe"), GAME_STAND_IN, executable=True)
    return counts
