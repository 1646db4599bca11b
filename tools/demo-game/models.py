"""Model descriptions and mesh files for every type drawn from a mesh.

Each type's folder gets `<name>.mdl`, a skeleton model whose bones name one
`.ply` mesh file each; people and animals also get `<name>_skel.mdl` naming a
`.bne` skeleton. The mesh files use every vertex layout the editor reads, so
the demo game exercises all of them.
"""

import meshes
import shapes
from defs import N, q, f6, encode
from entities import TYPES, MODEL_SHAPES, folder_of

IDENTITY3 = (1, 0, 0, 0, 1, 0, 0, 0, 1)
IDENTITY34 = IDENTITY3 + (0, 0, 0)
IDENTITY4 = (1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1)
PATCH_TINT = meshes.argb(200, 40, 40)


def numbers(values):
    return [f6(v) for v in values]


def layout(shape, bone):
    """How a part's mesh file is written: (vertex size, wide indices, skin
    bones, single-name chunk, mode). Spread so that every layout occurs."""
    if shape == "human":
        return 44, False, ["pelvis", "torso", "head"], "/texture/common/model/soldier_n.dds.tex", 84
    if shape == "tank":
        return {"body": (44, False, None, "/texture/common/model/tank_n.dds.tex", 0),
                "turret": (36, False, None, None, 0),
                "gun": (24, True, None, None, 0)}[bone]
    if shape in ("crate", "rock"):
        return 24, False, None, None, 0
    if shape in ("house", "bridge"):
        return 36, True, None, None, 0
    return 36, False, None, None, 0


def mesh_bytes(shape, bone, mesh, revision):
    if revision:
        mesh = mesh.tinted(PATCH_TINT)
    size, wide, skin, extra, mode = layout(shape, bone)
    return meshes.encode(mesh, size, wide_indices=wide, skin=skin, extra=extra, mode=mode)


def bone_node(parts, index, turret_turn):
    bone, _parent, (x, y, h), _mesh = parts[index]
    node = N("bone", q(bone))
    if index == 0:
        node.add(N("Position", *numbers((x, y, -h))), N("Orientation", *numbers(IDENTITY3)),
                 N("Matrix34", *numbers(IDENTITY34)))
    else:
        rotation = shapes.turn(turret_turn) if bone == "turret" else IDENTITY3
        node.add(N("Matrix34", *numbers(rotation + (0, 0, 0))),
                 N("Position", *numbers((x, y, -h))))
    node.add(N("VolumeView", q(bone + ".ply")))
    for k, part in enumerate(parts):
        if part[1] == bone:
            node.add(bone_node(parts, k, turret_turn))
    return node


def model_description(name, parts, revision, turret_turn=0.0):
    skeleton = N("Skeleton", children=[N("VolumeView", q(parts[0][0] + ".ply")),
                                       bone_node(parts, 0, turret_turn)])
    nodes = [skeleton]
    if revision:
        nodes.append(N("revision", revision))
    return encode(nodes, header="%s: model with %d parts" % (name, len(parts)))


def skeleton_files(name, parts, revision):
    """The `_skel.mdl` that names the `.bne`, and the `.bne` itself."""
    tail = [N("revision", revision)] if revision else []
    skel = encode([N("Skeleton", children=[N("bone", q(name + ".bne"))])] + tail)
    bne = encode([N("skeleton", children=[
        N("matrix", *numbers(IDENTITY4)), N("VolumeView", q(parts[1][0] + ".ply")),
        N("Orientation", *numbers(IDENTITY3))])] + tail)
    return skel, bne


def type_makers(entry):
    base, name, shape, _file = entry
    folder = folder_of(entry)
    turret_turn = 0.4 if name.startswith("t-34") else 0.0
    out = [("%s/%s.mdl" % (folder, name),
            lambda rev: model_description(name, shapes.build(shape), rev, turret_turn))]
    for index, (bone, _parent, _offset, _mesh) in enumerate(shapes.SHAPES[shape]):
        out.append(("%s/%s.ply" % (folder, bone),
                    lambda rev, i=index: mesh_bytes(shape, shapes.SHAPES[shape][i][0],
                                                     shapes.build(shape)[i][3], rev)))
    if shape in ("human", "animal"):
        parts = shapes.build(shape)
        if len(parts) < 2:
            parts = parts * 2
        out.append(("%s/%s_skel.mdl" % (folder, name),
                    lambda rev: skeleton_files(name, parts, rev)[0]))
        out.append(("%s/%s.bne" % (folder, name), lambda rev: skeleton_files(name, parts, rev)[1]))
    return out


def members():
    makers = []
    for entry in TYPES:
        if entry[2] in MODEL_SHAPES:
            makers += type_makers(entry)
    return makers
