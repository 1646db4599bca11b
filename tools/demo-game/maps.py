"""Map templates: ground meshes with a visible relief, their heightmaps and
the `.mod` variant folders the new-map dialog lists.

Each template folder holds `<map>.def` (bounds, heightmap, model), the model
description `<map>.mdl`, and one `<variant>.mod` folder per variant with the
ground mesh `ground.ply` and `heightmap.tga`. The variant's ground is found
through the model's bone, resolved into the variant folder.
"""

import functools
import math

import images
import meshes
from defs import N, q, f6, encode

MAP_ROOT = "entity/landscape/map"
PATCH_GROUND = meshes.argb(200, 120, 120)

# name: (width, depth in metres, grid columns, grid rows, variants)
TEMPLATES = {
    "120_3m": (360.0, 360.0, 41, 41, ["summer", "winter"]),
    "90x90_3m": (270.0, 270.0, 31, 31, ["summer"]),
    "land400x600": (400.0, 600.0, 41, 61, ["summer", "autumn", "winter"]),
}

GROUND_COLOURS = {"summer": (80, 130, 55), "autumn": (150, 120, 60), "winter": (225, 228, 235)}


def height(name, x, y, w, d, revision=0):
    """Rolling hills with a river valley across the middle; each template
    its own relief. A patched map gains a hill in the middle."""
    seed = len(name)
    hills = 9.0 * math.sin(x / w * math.pi * (2 + seed % 3)) * math.cos(y / d * math.pi * 2)
    ridge = 14.0 * math.exp(-((x - w * 0.25) ** 2 + (y - d * 0.3) ** 2) / (w * d * 0.02))
    valley = -6.0 * math.exp(-((y - d * 0.5) ** 2) / (d * d * 0.004))
    mound = 20.0 * revision * math.exp(-((x - w / 2) ** 2 + (y - d / 2) ** 2) / (w * d * 0.01))
    return max(0.0, 10.0 + hills + ridge + valley + mound)


@functools.lru_cache(maxsize=None)
def grid(name, variant, revision):
    w, d, cols, rows, _variants = TEMPLATES[name]
    r, g, b = GROUND_COLOURS[variant]
    colour = PATCH_GROUND if revision else meshes.argb(r, g, b)
    mesh = meshes.Mesh()
    mat = mesh.material("/texture/common/ground/dgrass5.bmp.tex")
    detail = mesh.material("/texture/common/ground/mud.dds.tex")
    step_x, step_y = w / (cols - 1), d / (rows - 1)
    heights = []
    for i in range(rows):
        for k in range(cols):
            x, y = k * step_x, i * step_y
            h = height(name, x, y, w, d, revision)
            heights.append(h)
            dx = height(name, x + 1, y, w, d, revision) - h
            dy = height(name, x, y + 1, w, d, revision) - h
            normal = (-dx, -dy, 1.0)
            mesh.vertex((x - w / 2, y - d / 2, h), normal, colour, (x / 32.0, y / 32.0))
    for i in range(rows - 1):
        for k in range(cols - 1):
            a = i * cols + k
            # the valley floor gets the mud texture: a second material chunk
            m = detail if heights[a] < 6.0 else mat
            mesh.quad(m, a, a + 1, a + cols + 1, a + cols)
    return mesh, heights


def heightmap(name, revision):
    _w, _d, cols, rows, _variants = TEMPLATES[name]
    _mesh, heights = grid(name, "summer", revision)
    top = max(heights) or 1.0
    return images.tga_grey(cols, rows, [int(h / top * 255) for h in heights])


def definition(name, revision):
    w, d, _cols, _rows, _variants = TEMPLATES[name]
    nodes = [N("Boundary", children=[N("Destination", f6(w), f6(d)),
                                     N("Origin", f6(0), f6(0))]),
             N("Heightmap", q("heightmap.tga")),
             N("Extension", q(name + ".mdl"))]
    if revision:
        nodes.append(N("revision", revision))
    return encode(nodes, header="Map template %s: %d x %d metres" % (name, w, d))


def model(name, revision):
    bone = N("bone", q("body"), children=[
        N("Position", f6(0), f6(0), f6(0)),
        N("Orientation", *[f6(v) for v in (1, 0, 0, 0, 1, 0, 0, 0, 1)]),
        N("VolumeView", q("ground.ply"))])
    nodes = [N("Skeleton", children=[N("VolumeView", q("summer.mod/ground.ply")), bone])]
    if revision:
        nodes.append(N("revision", revision))
    return encode(nodes)


def members():
    makers = []
    for name, (_w, _d, cols, rows, variants) in TEMPLATES.items():
        folder = "%s/%s" % (MAP_ROOT, name)
        makers.append(("%s/%s.def" % (folder, name), lambda rev, n=name: definition(n, rev)))
        makers.append(("%s/%s.mdl" % (folder, name), lambda rev, n=name: model(n, rev)))
        # a piece outside every variant folder, which the dialog must not list
        makers.append(("%s/preview.ply" % folder,
                       lambda rev, n=name: meshes.encode(grid(n, "summer", rev)[0], 36)))
        for variant in variants:
            sub = "%s/%s.mod" % (folder, variant)
            wide = cols * rows > 2000
            makers.append(("%s/ground.ply" % sub, lambda rev, n=name, v=variant, wd=wide:
                           meshes.encode(grid(n, v, rev)[0], 44, wide_indices=wd)))
            makers.append(("%s/heightmap.tga" % sub, lambda rev, n=name: heightmap(n, rev)))
    return makers


def world_bound(name):
    w, d, _cols, _rows, _variants = TEMPLATES[name]
    return (-w / 2, -d / 2, w / 2, d / 2)
