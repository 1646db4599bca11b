"""Binary mesh files and the primitive shapes the models are made of.

Coordinates follow the game: x east, y north, and up is -z (the ground faces
-z and the sky sits at negative z). Shapes are given with a positive height
and turned over when written. Front faces wind so that the cross product of
their edges points away from the outside, the ground's own winding.
"""

import math
import struct

WHITE = 0xFFFFFFFF


def argb(r, g, b):
    return 0xFF000000 | (r << 16) | (g << 8) | b


class Mesh:
    """Vertices shared by every material; one triangle list per material."""

    def __init__(self):
        self.vertices = []  # (pos, normal, colour, uv)
        self.materials = []  # (texture names, [triangles])

    def material(self, *names):
        self.materials.append((list(names), []))
        return len(self.materials) - 1

    def vertex(self, pos, normal, colour, uv):
        x, y, h = pos
        nx, ny, nh = normal
        self.vertices.append(((x, y, -h), (nx, ny, -nh), colour, uv))
        return len(self.vertices) - 1

    def triangle(self, mat, a, b, c):
        va, vb, vc = self.vertices[a], self.vertices[b], self.vertices[c]
        (ax, ay, az), (bx, by, bz), (cx, cy, cz) = va[0], vb[0], vc[0]
        ux, uy, uz = bx - ax, by - ay, bz - az
        wx, wy, wz = cx - ax, cy - ay, cz - az
        na, nb, nc = va[1], vb[1], vc[1]
        dot = ((uy * wz - uz * wy) * (na[0] + nb[0] + nc[0])
               + (uz * wx - ux * wz) * (na[1] + nb[1] + nc[1])
               + (ux * wy - uy * wx) * (na[2] + nb[2] + nc[2]))
        if dot > 0:
            b, c = c, b
        self.materials[mat][1].append((a, b, c))

    def quad(self, mat, a, b, c, d):
        self.triangle(mat, a, b, c)
        self.triangle(mat, a, c, d)

    def box(self, mat, centre, size, colour=WHITE):
        """An axis-aligned box; centre is (x, y, height of its middle)."""
        cx, cy, ch = centre
        sx, sy, sh = (s / 2.0 for s in size)
        for axis in range(3):
            for sign in (-1, 1):
                normal = [0, 0, 0]
                normal[axis] = sign
                corners = []
                for du, dv in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
                    p = [0, 0, 0]
                    p[axis] = sign
                    others = [k for k in range(3) if k != axis]
                    p[others[0]] = du
                    p[others[1]] = dv
                    pos = (cx + p[0] * sx, cy + p[1] * sy, ch + p[2] * sh)
                    corners.append(self.vertex(pos, normal, colour,
                                               ((du + 1) / 2.0, (dv + 1) / 2.0)))
                self.quad(mat, *corners)

    def cylinder(self, mat, start, end, radius, colour=WHITE, segments=10, radius_end=None):
        """A closed cylinder (or cone with radius_end) between two points."""
        radius_end = radius if radius_end is None else radius_end
        d = [end[k] - start[k] for k in range(3)]
        length = math.sqrt(sum(x * x for x in d)) or 1.0
        w = [x / length for x in d]
        helper = (0, 0, 1) if abs(w[2]) < 0.9 else (1, 0, 0)
        u = _normalise(_cross(w, helper))
        v = _cross(w, u)
        rings = []
        for i in range(segments + 1):
            a = 2 * math.pi * i / segments
            n = [math.cos(a) * u[k] + math.sin(a) * v[k] for k in range(3)]
            p0 = [start[k] + radius * n[k] for k in range(3)]
            p1 = [end[k] + radius_end * n[k] for k in range(3)]
            rings.append((self.vertex(p0, n, colour, (i / segments, 0)),
                          self.vertex(p1, n, colour, (i / segments, 1))))
        for i in range(segments):
            self.quad(mat, rings[i][0], rings[i + 1][0], rings[i + 1][1], rings[i][1])
        for centre, r, sign in ((start, radius, -1), (end, radius_end, 1)):
            if r <= 0:
                continue
            n = [sign * x for x in w]
            hub = self.vertex(centre, n, colour, (0.5, 0.5))
            ring = []
            for i in range(segments):
                a = 2 * math.pi * i / segments
                p = [centre[k] + r * (math.cos(a) * u[k] + math.sin(a) * v[k]) for k in range(3)]
                ring.append(self.vertex(p, n, colour, (0.5 + math.cos(a) / 2, 0.5 + math.sin(a) / 2)))
            for i in range(segments):
                self.triangle(mat, hub, ring[i], ring[(i + 1) % segments])

    def tinted(self, colour):
        """A copy with every vertex in one colour."""
        copy = Mesh()
        copy.vertices = [(p, n, colour, uv) for p, n, _c, uv in self.vertices]
        copy.materials = self.materials
        return copy

    def bounds(self):
        xs = [v[0] for v in self.vertices]
        return (tuple(min(p[k] for p in xs) for k in range(3)),
                tuple(max(p[k] for p in xs) for k in range(3)))


def _cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def _normalise(a):
    n = math.sqrt(sum(x * x for x in a)) or 1.0
    return tuple(x / n for x in a)


def _name(text):
    raw = text.encode("cp1252")
    return struct.pack("<B", len(raw)) + raw


def encode(mesh, vertex_size=36, wide_indices=False, skin=None, extra=None, mode=0):
    """The mesh file bytes. vertex_size is 24, 36 or 44; with 44 and mode 84
    the bytes 24-31 of each vertex hold bone weights that the editor drops.
    `extra` adds the single-name chunk (its header carries the mode), `skin`
    a list of bone names."""
    lo, hi = mesh.bounds()
    out = [b"DEMOMSH1", struct.pack("<6f", *lo, *hi)]
    if skin is not None:
        out.append(b"SKIN" + struct.pack("<I", len(skin)))
        out.extend(_name(n) for n in skin)
    for names, tris in mesh.materials:
        out.append(b"MESHR" + struct.pack("<B", len(names)) + bytes(6)
                   + struct.pack("<II", len(tris), mode))
        out.extend(_name(n) for n in names)
    if extra is not None:
        out.append(b"MESHX" + struct.pack("<B", 1) + bytes(6) + struct.pack("<II", 0, mode))
        out.append(_name(extra))
    out.append(b"VERT" + struct.pack("<II", len(mesh.vertices), vertex_size))
    for pos, normal, colour, (tu, tv) in mesh.vertices:
        if vertex_size == 24:
            out.append(struct.pack("<3fI2f", *pos, colour, tu, tv))
        elif vertex_size == 36:
            out.append(struct.pack("<3f3fI2f", *pos, *normal, colour, tu, tv))
        elif mode == 84:
            out.append(struct.pack("<3f3f2fI2f", *pos, *normal, 1.0, 0.0, colour, tu, tv))
        else:
            out.append(struct.pack("<3f3fI2f2f", *pos, *normal, colour, tu, tv, tu * 4, tv * 4))
    triangles = [t for _names, tris in mesh.materials for t in tris]
    if wide_indices:
        out.append(b"IND4" + struct.pack("<I", len(triangles) * 3))
        out.extend(struct.pack("<3I", *t) for t in triangles)
    else:
        if len(mesh.vertices) > 0xFFFF:
            raise ValueError("too many vertices for 16-bit indices")
        out.append(b"INDX" + struct.pack("<I", len(triangles) * 3))
        out.extend(struct.pack("<3H", *t) for t in triangles)
    out.append(b"END\x00")
    return b"".join(out)
