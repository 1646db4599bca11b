#pragma once

#include "view3d/ModelData.h"

namespace view3d {

// A sphere about the origin: `slices` segments around the z axis and
// `stacks` bands from the pole at +z to the pole at -z, so
// slices * (stacks - 1) + 2 vertices and 2 * slices * (stacks - 1) faces.
// Format 338 (stride 36): position and outward normal, no colour and no
// texture coordinates.
void MakeSphere(MeshData& out, float radius, int slices, int stacks);

// A box about the origin with four vertices of its own per face (24 in all)
// and the face's outward normal, format 338. The faces come in the order
// -x, +y, +x, -y, +z, -z: the player flag shows its picture on vertices
// 4-7 and 12-15, the two faces across y.
void MakeBox(MeshData& out, float width, float height, float depth);

// The three meshes the view draws markers with.
struct StandardMeshes {
    MeshData sphere;  // radius 5, 8 slices, 8 stacks: link elements (waypoints)
    MeshData cube;    // 20 x 20 x 20: sounds and the other marker kinds
    MeshData flagBox; // 20 x 2 x 10: the player flag
};

// Builds them; false when a mesh would not fit its 16-bit indices (never
// for the sizes above).
bool BuildStandardMeshes(StandardMeshes& out);

} // namespace view3d
