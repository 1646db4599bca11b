"""Sample missions, their base maps and a map document.

Each mission lies in `map/single/<name>/` as `<name>.mi` with its base map
`map` beside it. Together the missions use every kind of element the editor
handles: units of every category with players, MIDs, crews and brains,
inventories, a coupled train, waypoints with commands, zones, events,
triggers, camera paths and the environment.
"""

import maps
from defs import N, q, f6, encode


class Ids:
    """Entity IDs and MIDs handed out in order, as the editor does."""

    def __init__(self, first_id, first_mid=1):
        self.next_id = first_id
        self.next_mid = first_mid

    def id(self):
        self.next_id += 1
        return "0x%x" % (self.next_id - 1)

    def mid(self):
        self.next_mid += 1
        return self.next_mid - 1


def ground_z(template, x, y):
    w, d = maps.TEMPLATES[template][:2]
    return -maps.height(template, x + w / 2, y + d / 2, w, d)


def entity(template, type_name, ident, x, y, turn=0.0, children=()):
    node = N("Entity", q(type_name), ident, children=[
        N("Position", f6(x), f6(y), f6(ground_z(template, x, y))), N("Turn", f6(turn))])
    node.add(*children)
    return node


def inventory(items):
    box = N("box", children=[N("clear")])
    for k, item in enumerate(items):
        box.add(N("item", *item, children=[N("cell", (k * 2) % 8, (k * 2) // 8)]))
    return N("Extender", q("inventory"), children=[box])


def base_map(template, variant, objects, revision=0):
    """A map root: bounds, the ground, then the static objects."""
    left, top, right, bottom = maps.world_bound(template)
    root = N("map", children=[
        N("WorldBound", *map(f6, (left, top, right, bottom))),
        N("CameraBound", *map(f6, (left + 10, top + 10, right - 10, bottom - 10))),
        N("PatherBound", *map(f6, (left + 5, top + 5, right - 5, bottom - 5))),
        N("Entity", q("%s:%s" % (template, variant)), "0x0",
          children=[N("Position", f6(0), f6(0), f6(0))])])
    ids = Ids(1)
    for type_name, x, y, turn in objects:
        extra = [N("TexMod", q("winter"))] if type_name == "house_brick" and variant == "winter" else []
        root.add(entity(template, type_name, ids.id(), x, y, turn, extra))
    return root


VILLAGE = [("house_small", -40, 30, 0), ("house_brick", -20, 35, 90), ("barn", 30, 40, 45),
           ("church", 0, 80, 0), ("town_house1", -60, -20, 0), ("fence_wood", -40, 18, 0),
           ("fence_stone", -20, 22, 0), ("stack_fence", 10, 20, 30), ("oak", 50, -30, 0),
           ("birch", 55, -40, 0), ("fir", 60, 60, 0), ("pine", 70, 65, 0),
           ("bush_round", 20, -10, 0), ("rock1", -80, 70, 10), ("lake", -100, -100, 0),
           ("bridge_town", 0, 0, 0), ("bridge_town_x", 40, 0, 0), ("rail_straight", 100, 0, 90),
           ("crater", 5, -50, 0), ("pz-4d_xx", -30, -60, 120), ("m3a1_x", -35, -70, 30),
           ("barrel", -25, 28, 0), ("birds", 50, -35, 0), ("smoke_black", -30, -62, 0)]


def units(template, ids, root, waypoint_uid):
    """The player's and the enemy's forces, with crews, brains and a train."""
    links, brains = [], []
    tank_id = ids.id()
    tank_mid = ids.mid()
    root.add(entity(template, "m4a2", tank_id, 20, -20, 90, [
        N("MID", tank_mid), N("Player", 0),
        N("Chassis", children=[N("FuelBag", children=[N("Remain", 300)])]),
        inventory([(q("ammo ap"), 30), (q("ammo he"), 12)])]))
    brains.append(N("Brain", tank_id, children=[
        N("IdleMovement", 1, 2, 3), N("Control", 1), N("ReturnFire"), N("HoldPosition")]))
    for seat, posture in (("driver", "board"), ("gunner", "board")):
        crew_id = ids.id()
        root.add(entity(template, "soldier_usa", crew_id, 20, -20, 0, [
            N("MID", ids.mid()), N("Player", 0), N("FsmState", q(posture)),
            N("Breed", q("usa.tankman"))]))
        links.append(N("Link", crew_id, "To", tank_id, q(seat)))
    for type_name, x, y, player, extra in (
            ("zis-3", -10, -40, 1, []), ("gmc", 30, -45, 0,
                                         [N("Chassis", children=[N("FuelBag", children=[N("Remain", 80)])])]),
            ("pt-boat", -100, -90, 1, []), ("il-2", 0, 120, 1, []),
            ("pz-6", -50, 60, 2, []), ("sdkfz250_3", -45, 70, 2, [])):
        root.add(entity(template, type_name, ids.id(), x, y, 0, [
            N("MID", ids.mid()), N("Player", player)] + extra))
    rifleman = ids.id()
    root.add(entity(template, "soldier_rus", rifleman, 10, -30, 0, [
        N("MID", ids.mid()), N("Player", 1),
        N("Extender", q("vitality"), children=[N("Health", children=[N("Max", 100), N("Current", 80)])]),
        inventory([(q("mosin"), "filling", q("ammo rifle"), 5), (q("grenade"), 2)]),
        N("FsmState", q("squat")), N("Breed", q("rus.infantry_rifle"))]))
    brains.append(N("Brain", rifleman, children=[N("HoldFire")]))
    fallen = ids.id()
    root.add(entity(template, "soldier_ger", fallen, -40, 50, 0, [
        N("MID", ids.mid()), N("Player", 2),
        N("Extender", q("vitality"), children=[N("Dead"), N("Health", children=[
            N("Max", 100), N("Current", 0)])]),
        N("FsmState", q("lie")), N("Breed", q("ger.infantry_smg"))]))
    loco_mid = ids.mid()
    root.add(entity(template, "locomotive", ids.id(), 100, -40, 90, [
        N("MID", loco_mid), N("Player", 1),
        N("Chassis", children=[N("Locomotive", 1), N("MaxSpeed", 3)])]))
    wagon_mid = ids.mid()
    root.add(entity(template, "wagon", ids.id(), 100, -50, 90, [
        N("MID", wagon_mid), N("Player", 1), N("Chassis", children=[N("Uplink", loco_mid)])]))
    root.add(entity(template, "platform", ids.id(), 100, -60, 90, [
        N("MID", ids.mid()), N("Player", 1), N("Chassis", children=[N("Uplink", wagon_mid)])]))
    root.add(entity(template, "mp40", ids.id(), 12, -12, 0, [
        N("Extender", q("stuff"), children=[N("Item", q("mp40"), "filling", q("ammo smg"), 32)])]))
    root.add(entity(template, "box_ammo", ids.id(), 14, -12, 0, [
        inventory([(q("grenade"), 6), (q("medkit"), 2)])]))
    root.add(entity(template, "dog", ids.id(), 25, -25, 0))
    root.add(entity(template, "wind", ids.id(), 0, 0, 0))
    left, top, right, bottom = maps.world_bound(template)
    radius = max(right - left, bottom - top) / 2
    root.add(N("Entity", "sky", children=[
        N("Position", f6((left + right) / 2), f6((top + bottom) / 2), f6(-100)),
        N("Turn", f6(46.6371)), N("Constrain", q("zero")), N("OffsetZ", f6(-100)),
        N("Scale", f6(radius * 0.0028915664))]))
    return links, brains, tank_mid


def helpers(template, tank_mid):
    """Events, a trigger, waypoints, zones and a camera path."""
    h = N("Helpers")
    h.add(N("event", q("start"), "id", 0, "state", 1), N("event", q("bridge_taken"), "id", 1, "state", 0))
    h.add(N("trigger", q("name_here"), children=[N("actions", children=[
        N(q("actor_to_waypoint"), children=[
            N(q("selector"), children=[N(q("actors/mids"), q(str(tank_mid)))]),
            N(q("waypoint/uid"), q("1"))])])]))
    h.add(N("trigger", q("reinforcements"), children=[N("condition", q("event"), 1)]))
    wps = N("waypoints")
    route = [(1, 20, 0, 2), (2, 0, 20, 3), (3, -30, 40, None)]
    for uid, x, y, nxt in route:
        wp = N(str(uid), children=[N("Position", f6(x), f6(y), f6(ground_z(template, x, y)))])
        if nxt:
            wp.add(N("transition", nxt))
        if uid == 2:
            wp.add(N("commands", children=[
                N(q("actor_state"), children=[N(q("waypoint_only"), q("on")), N(q("speed"), q("slow"))]),
                N(q("event"), children=[N(q("event"), 1), N(q("mode"), q("set"))])]))
        wps.add(wp)
    h.add(wps)
    h.add(N("zone", q("circle"), children=[
        N("position", f6(0), f6(0), f6(ground_z(template, 0, 0))), N("Name", q("bridge")),
        N("Radius", f6(25))]))
    h.add(N("zone", q("poly"), children=[
        N("position", f6(-40), f6(40), f6(ground_z(template, -40, 40))), N("Name", q("village")),
        N("Point", f6(-70), f6(10)), N("Point", f6(-10), f6(10)),
        N("Point", f6(-10), f6(70)), N("Point", f6(-70), f6(70)), N("GlobalWP", 3)]))
    path = N("camerapath", q("c0"), children=[N("Event", 0), N("EvCancel", 1)])
    for k, t in enumerate((0, 2000, 5000)):
        path.add(N("Key", t, *map(f6, (-100 + 50 * k, -100, -60, 0, 0, -10, 0.785398)), 0, 0, 1))
    h.add(path)
    return h


MISSIONS = [  # name, template, variant, environment
    ("crossroads", "120_3m", "summer", "day"),
    ("river", "land400x600", "autumn", "evening"),
    ("night_raid", "90x90_3m", "summer", "night_storm"),
]


def mission(template, env, revision=0):
    # the order a mission made in the editor has: the new mission's blocks
    # first, then the sections in the order the editor inserts them
    root = N("mission", children=[
        N("Camera", children=[N("Position", f6(0), f6(-60)),
                              N("Distance", f6(300), f6(200), f6(2000)),
                              N("ViewAngle", f6(0.432753), f6(10), f6(60))]),
        N("Environment", q(env)), N("User", 1), N("GameProgress", 0, 0)])
    ids = Ids(0x8000)
    links, brains, tank_mid = units(template, ids, root, 1)
    root.add(*links)
    root.add(*brains)
    root.add(N("Tags", children=[N(q("player_tanks"), tank_mid)]))
    root.add(helpers(template, tank_mid))
    root.add(N("Players", children=[N("Player", 0, q("USA")), N("Player", 1, q("USSR")),
                                    N("Player", 2, q("GER"))]))
    root.add(N("MissionMusic", q("START")))
    return encode([root], header="Mission on %s" % template)


def members():
    makers = []
    for name, template, variant, env in MISSIONS:
        folder = "map/single/%s" % name
        makers.append(("%s/%s.mi" % (folder, name), lambda rev, t=template, e=env: mission(t, e, rev)))
        makers.append(("%s/map" % folder, lambda rev, t=template, v=variant:
                       encode([base_map(t, v, VILLAGE, rev)])))
    makers.append(("map/single/village/map", lambda rev: encode(
        [base_map("120_3m", "winter", VILLAGE, rev)], header="A map without a mission")))
    return makers


def mod_files(mod_name):
    """The mission of the installed mod, as an export into a mod lays it out."""
    folder = "resource/map/single/%s" % mod_name
    return [("%s/%s.mi" % (folder, mod_name), mission("90x90_3m", "fog")),
            ("%s/map" % folder, encode([base_map("90x90_3m", "summer", VILLAGE[:8])]))]
