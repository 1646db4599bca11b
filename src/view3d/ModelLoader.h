#pragma once

#include "view3d/MeshFile.h"
#include "view3d/ModelData.h"

#include <memory>
#include <string>
#include <string_view>

class CDefNode;

namespace resources {
class CResourceCatalogue;
}

namespace view3d {

// Reads the description files of entity types (model ".mdl", skeleton
// ".bne", sprite ".ebm") and the mesh files they name, resolving every path
// through the catalogue's lookups. Nothing is cached here; CModelCache keeps
// what an entity type loaded for the rest of the run.
//
// Each loader returns null on failure and says why in error.
class CModelLoader {
  public:
    explicit CModelLoader(resources::CResourceCatalogue& catalogue);

    // A ".mdl" or ".bne" as one mesh: the first material chunk of its
    // geometry file, placed by the description's matrix.
    std::unique_ptr<MeshData> LoadSimpleModel(const std::string& path, std::string& error) const;

    // A ".mdl" whose "Skeleton" block holds a "bone" tree: one part per
    // material chunk (with faces) of every bone's geometry file, in the order
    // of a depth-first walk, each moved by its bone chain. With a variant,
    // the bones' files are looked up in the "<variant>.mod" folder beside the
    // ".mdl".
    std::unique_ptr<ModelGroupData>
    LoadSkeletonModel(const std::string& path, std::string_view variant, std::string& error) const;

    // The bone tree below a "bone" node of the ".mdl" at mdlPath; the root
    // takes "Orientation" for its matrix, the others "Matrix34".
    std::unique_ptr<BoneRecord> ReadBoneTree(const CDefNode& rootBone, const std::string& mdlPath,
                                             std::string_view variant) const;

    // Sprite data from an ".ebm", with the pre-scales and visibility of the
    // entity definition's "Sprite" node (may be null). Null with an empty
    // error when the ".ebm" names no "Frame" (there is no sprite to show);
    // null with a reason when the sprite cannot be made (no frame name, the
    // picture cannot be found or read).
    std::unique_ptr<SpriteData> LoadSprite(const std::string& ebmPath, const CDefNode* spriteNode,
                                           std::string& error) const;

    resources::CResourceCatalogue& Catalogue() const { return m_catalogue; }

  private:
    resources::CResourceCatalogue& m_catalogue;
};

// The placement matrix of a model description's block: "Matrix34" of the
// bone "body", else of the bone "skin", else "Orientation", written over
// matrix (which starts as the identity or a skeleton's "matrix"). False when
// the block has none of them; matrix is then unchanged.
bool ReadPlacement(const CDefNode& block, glm::mat4& matrix);

// Whether path ends in extension (".mdl"), ignoring case.
bool HasExtension(std::string_view path, std::string_view extension);

} // namespace view3d
