"""The game's set files: breeds, skins, environment presets, the mission
registry, the mission texts, and the description of the installed mod.

The base archive holds one version of each set and the first patch another,
so that a patch that failed to override shows in the editor.
"""

from defs import N, q, f6, encode

# breed name: (skin, [(item, count)]); count None leaves it to the default 1
BREEDS = [
    ("rus.infantry_rifle", "rus_summer", [("mosin", 1), ("ammo rifle", 40), ("grenade", 2)]),
    ("rus.infantry_smg", "rus_summer", [("ppsh", 1), ("ammo smg", 3)]),
    ("rus.officer", "rus_officer", [("tt", None), ("binocular", None)]),
    ("ger.infantry_rifle", "ger_summer", [("mauser", 1), ("ammo rifle", 40)]),
    ("ger.infantry_smg", "ger_summer", [("mp40", 1), ("ammo smg", 4), ("grenade", 2)]),
    ("usa.infantry_rifle", "usa_summer", [("garand", 1), ("ammo rifle", 48)]),
    ("usa.tankman", "usa_tankman", [("thompson", 1), ("medkit", 1)]),
    ("gbr.infantry_rifle", "gbr_summer", [("lee-enfield", 1), ("ammo rifle", 30)]),
]

# skin name: the human type that wears it
SKINS = [
    ("rus_summer", "soldier_rus"), ("rus_officer", "officer"),
    ("ger_summer", "soldier_ger"), ("usa_summer", "soldier_usa"),
    ("usa_tankman", "soldier_usa"), ("gbr_summer", "soldier_usa"),
]


def breed_set(revision=0):
    root = N("breeds", comment="Infantry types: the skin worn and what they carry")
    breeds = BREEDS if revision == 0 else BREEDS + [
        ("ger.sniper", "ger_summer", [("mauser", 1), ("ammo rifle", 60)])]
    for name, skin, items in breeds:
        inv = N("inventory")
        for item, count in items:
            inv.add(N("item", q(item)) if count is None else N("item", q(item), count))
        root.add(N(name, children=[N("skin", skin), inv]))
    return encode([root])


def skin_set(revision=0):
    root = N("skins")
    for skin, skeleton in SKINS:
        root.add(N(skin, children=[N("skeleton", q(skeleton)),
                                   N("texture", q("/texture/common/model/%s.dds" % skin))]))
    if revision:
        root.add(N("ger_winter", children=[N("skeleton", q("soldier_ger"))]))
    return encode([root])


def rgb(r, g, b):
    return (r, g, b, 255)


def preset(name, light, night=None, haze=None, weather=None, thunder=None, wind=2):
    """One preset, keys in the order the editor writes them."""
    direction, ambient, diffuse = light
    kids = [N(q("light/direction"), *map(f6, direction)),
            N(q("light/ambient"), *rgb(*ambient)),
            N(q("light/diffuse"), *rgb(*diffuse))]
    if night is not None:
        kids += [N(q("light/night")), N(q("light/night_vision"), f6(night))]
    kids += [N(q("light/lightsIntensity"), f6(1.0 if night is None else 0.4)),
             N(q("light/mtlAmbient"), *rgb(200, 200, 200)),
             N(q("light/mtlDiffuse"), *rgb(230, 230, 230)),
             N(q("shadow/alpha"), f6(0.5)),
             N(q("shadow/color"), *rgb(20, 20, 40)),
             N(q("wind/amplitude"), wind)]
    if haze:
        kids += [N(q("haze/enable")), N(q("haze/color"), *rgb(*haze[0])),
                 N(q("haze/start"), haze[1]), N(q("haze/end"), haze[2])]
    kids += [N(q("sky/texture"), q("/texture/background/%s.ebm" % name)),
             N(q("sky/size"), 1, 1),
             N(q("cloudsonwater/texture"), q("/texture/background/clouds.ebm")),
             N(q("cloudsonwater/size"), 2, 2),
             N(q("cloudsonwater/scrollSpeed"), f6(0.5), f6(0.5)),
             N(q("cloudsonwater/windSpeed"), f6(0.0001), f6(0.0001))]
    if weather:
        kids += [N(q("weather/enable")), N(q("weather/density"), weather),
                 N(q("weather/fx"), q("/fx/weather/rain.fx")),
                 N(q("weather/sound"), q("rain"))]
    if thunder:
        kids += [N(q("thunder/enable")), N(q("thunder/interval"), *thunder),
                 N(q("thunder/color"), *rgb(230, 230, 255)),
                 N(q("thunder/sound"), q("thunder"))]
    return N("Preset", q(name), children=kids)


def environment_set(revision=0):
    presets = [
        preset("day", ((-0.78, 0, -0.62), (90, 90, 100), (240, 235, 220))),
        preset("evening", ((-0.9, 0.2, -0.3), (80, 60, 60), (250, 170, 110)),
               haze=((200, 150, 120), 300, 900)),
        preset("night_storm", ((0.1, 0.5, -0.8), (20, 20, 40), (60, 60, 90)),
               night=0.6, haze=((30, 30, 50), 100, 500), weather=800,
               thunder=(5000, 15000), wind=6),
        preset("fog", ((-0.5, -0.5, -0.7), (120, 120, 120), (160, 160, 160)),
               haze=((180, 180, 180), 20, 250), wind=0),
    ]
    if revision:
        presets.append(preset("winter", ((-0.7, 0.1, -0.7), (110, 110, 130), (230, 230, 255)),
                              weather=300))
    return encode([N("Environment", children=presets)],
                  header="Light, sky and weather presets for missions")


# (key, title, campaign, scene, side)
MISSIONS = [
    ("m1", "Crossroads", "1. Training", "single/crossroads:crossroads", 0),
    ("m2", "River Crossing", "2. Summer", "single/river:river", 1),
    ("m3", "Night Raid", "2. Summer", "single/night_raid:night_raid", 2),
]


def games_reg(revision=0):
    campaigns = N("campaigns")
    by_campaign = {}
    for key, _title, campaign, scene, _side in MISSIONS:
        if campaign not in by_campaign:
            node = N(q(campaign), children=[N("name", q(campaign.split(". ", 1)[1])),
                                            N("missions")])
            by_campaign[campaign] = node
            campaigns.add(node)
        by_campaign[campaign].children[1].add(N(q(key), children=[
            N("name", q("mission/%s/name" % key)), N("coopBreed", q("rus.infantry_smg")),
            N("scene", q(scene))]))
    if revision:
        by_campaign["1. Training"].add(N("multiplayer", q("1")))
    sides = N("sides")
    for _key, _title, _campaign, scene, side in MISSIONS:
        sides.add(N(q("single\\" + scene.split("/")[1].split(":")[0]), side))
    return encode([campaigns, sides])


def mission_lng():
    tags = N("tags")
    for key, title, _campaign, _scene, _side in MISSIONS:
        tags.add(N(q(key), children=[N(q("name"), q(title)),
                                     N(q("desc"), q("Demo mission %s." % title))]))
    menu = N("menu", children=[N(q("start"), q("Start")), N(q("quit"), q("Quit"))])
    return encode([tags, menu])


def info_mod(title, desc, version):
    return encode([N("mod", children=[N("name", q(title)), N("desc", q(desc)),
                                      N("version", q(version))])])


def members(revision=0):
    """The four set and registry files: revision 0 for game.pak, 1 for the
    first patch."""
    return [("set/breed.set", breed_set(revision)), ("set/skin.set", skin_set(revision)),
            ("set/environment.set", environment_set(revision)),
            ("set/registry/games.reg", games_reg(revision))]
