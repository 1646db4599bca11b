// Model and skeleton descriptions: the placement of simple models, the bone
// trees of skeleton models and the mesh files both name.

#include "view3d/ModelLoader.h"

#include "format/DefParser.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"

#include <utility>

namespace view3d {

namespace {

// The first direct child of that name with at least n values, as numbers.
bool ChildNumbers(const CDefNode& node, std::string_view name, float* out, size_t n) {
    for (const CDefNode* child : node.Children()) {
        if (!platform::EqualsNoCase(child->Name(), name) || child->ValueCount() < n) continue;
        auto values = child->Values();
        for (size_t i = 0; i < n; ++i)
            out[i] = static_cast<float>(platform::ParseDouble(std::string(values[i]).c_str()));
        return true;
    }
    return false;
}

// Writes rows x columns numbers, row by row, into the top left of matrix.
void WriteRows(glm::mat4& matrix, const float* values, int rows, int columns) {
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            matrix[r][c] = values[r * columns + c];
}

// A child bone's "Matrix34" or the root's "Orientation"; identity without.
glm::mat4 BoneMatrix(const CDefNode& bone, bool root) {
    glm::mat4 m(1.0f);
    float v[12];
    if (root ? ChildNumbers(bone, "Orientation", v, 9) : ChildNumbers(bone, "Matrix34", v, 12))
        WriteRows(m, v, root ? 3 : 4, 3);
    return m;
}

const CDefNode* FirstTopLevel(const DefNodeList& nodes, std::string_view name) {
    for (const auto& node : nodes)
        if (platform::EqualsNoCase(node->Name(), name)) return node.get();
    return nullptr;
}

// The ".mdl"'s first "Skeleton" block, or a ".bne"'s first node.
const CDefNode* DescriptionBlock(const CDefFile& file, bool skeletonFile) {
    if (file.Empty()) return nullptr;
    if (skeletonFile) return file.Nodes().front().get();
    return FirstTopLevel(file.Nodes(), "Skeleton");
}

bool ReadMesh(const std::string& path, MeshFile& mesh, std::string& error) {
    if (path.empty()) {
        error = "no geometry file";
        return false;
    }
    std::string reason;
    if (ReadMeshFile(std::filesystem::path(path), mesh, reason)) return true;
    error = path + ": " + reason;
    return false;
}

} // namespace

bool HasExtension(std::string_view path, std::string_view extension) {
    return path.size() >= extension.size() &&
           platform::EqualsNoCase(path.substr(path.size() - extension.size()), extension);
}

bool ReadPlacement(const CDefNode& block, glm::mat4& matrix) {
    float v[12];
    for (const char* bone : {"\"body\"", "\"skin\""}) {
        const CDefNode* node = block.Find("bone", bone);
        if (node && ChildNumbers(*node, "Matrix34", v, 12)) {
            WriteRows(matrix, v, 4, 3);
            return true;
        }
    }
    if (block.ReadFloats("Orientation", v, 9)) {
        WriteRows(matrix, v, 3, 3);
        return true;
    }
    return false;
}

CModelLoader::CModelLoader(resources::CResourceCatalogue& catalogue) : m_catalogue(catalogue) {}

std::unique_ptr<MeshData> CModelLoader::LoadSimpleModel(const std::string& path,
                                                        std::string& error) const {
    const bool skeletonFile = HasExtension(path, ".bne");
    CDefFile file(path);
    const CDefNode* block = DescriptionBlock(file, skeletonFile);
    if (!block) {
        error = path + ": " + (file.Empty() ? "cannot read the description" : "no Skeleton block");
        return nullptr;
    }
    glm::mat4 matrix(1.0f);
    float full[16];
    bool placed = skeletonFile && ChildNumbers(*block, "matrix", full, 16);
    if (placed) WriteRows(matrix, full, 4, 4);
    placed = ReadPlacement(*block, matrix) || placed;

    MeshFile mesh;
    if (!ReadMesh(m_catalogue.ResolveReference(block->Find("VolumeView"), 0, path), mesh, error))
        return nullptr;
    if (mesh.chunks.front().faceCount == 0) {
        error = mesh.fileName.string() + ": the first material chunk has no faces";
        return nullptr;
    }
    PositionTransform transform;
    if (placed) transform.Then(matrix);
    auto parts = BuildChunkMeshes(mesh, 0, 1, transform, false);
    return std::move(parts.front());
}

std::unique_ptr<BoneRecord> CModelLoader::ReadBoneTree(const CDefNode& rootBone,
                                                       const std::string& mdlPath,
                                                       std::string_view variant) const {
    // An explicit stack: bone trees come from files and may nest deeper
    // than the call stack allows.
    auto root = std::make_unique<BoneRecord>();
    std::vector<std::pair<const CDefNode*, BoneRecord*>> stack{{&rootBone, root.get()}};
    while (!stack.empty()) {
        auto [node, bone] = stack.back();
        stack.pop_back();
        bone->name = node->GetValueUnquoted(0);
        bone->rotation = BoneMatrix(*node, bone == root.get());
        float offset[3];
        if (ChildNumbers(*node, "Position", offset, 3))
            bone->offset = {offset[0], offset[1], offset[2]};
        if (const CDefNode* view = node->FindChild("VolumeView"))
            bone->geometryPath = m_catalogue.ResolveReference(view, 0, mdlPath, variant);
        for (const CDefNode* child : node->Children()) {
            if (!platform::EqualsNoCase(child->Name(), "bone")) continue;
            auto record = std::make_unique<BoneRecord>();
            record->parent = bone;
            stack.emplace_back(child, record.get());
            bone->children.push_back(std::move(record));
        }
    }
    return root;
}

std::unique_ptr<ModelGroupData> CModelLoader::LoadSkeletonModel(const std::string& path,
                                                                std::string_view variant,
                                                                std::string& error) const {
    CDefFile file(path);
    const CDefNode* block = DescriptionBlock(file, false);
    const CDefNode* rootBone = block ? block->FindChild("bone") : nullptr;
    if (!rootBone) {
        error = path + ": " + (file.Empty() ? "cannot read the description" : "no bone tree");
        return nullptr;
    }
    glm::mat4 placement(1.0f);
    const bool placed = ReadPlacement(*block, placement);
    std::unique_ptr<BoneRecord> root = ReadBoneTree(*rootBone, path, variant);

    // Depth first, a bone before its children. Each bone's chain (its offset
    // and matrix, then its parent's chain) is composed once from the parent's.
    auto group = std::make_unique<ModelGroupData>();
    std::vector<std::pair<const BoneRecord*, PositionTransform>> stack;
    stack.emplace_back(root.get(), PositionTransform{});
    while (!stack.empty()) {
        auto [bone, parentChain] = std::move(stack.back());
        stack.pop_back();
        PositionTransform chain;
        chain.ThenOffset(bone->offset);
        chain.Then(bone->rotation);
        if (!parentChain.identity) chain.Then(parentChain.matrix);
        for (size_t i = bone->children.size(); i-- > 0;)
            stack.emplace_back(bone->children[i].get(), chain);
        if (bone->geometryPath.empty()) continue;

        MeshFile mesh;
        if (!ReadMesh(bone->geometryPath, mesh, error)) return nullptr;
        PositionTransform placedChain = chain;
        if (placed) placedChain.Then(placement);
        for (auto& part : BuildChunkMeshes(mesh, 0, mesh.chunks.size(), placedChain, true))
            group->parts.push_back(std::move(part));
    }
    group->UpdateBox();
    return group;
}

} // namespace view3d
