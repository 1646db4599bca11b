#include "view3d/ModelData.h"

#include "format/DefNode.h"
#include "platform/Text.h"

#include <glm/vec4.hpp>

#include <algorithm>
#include <cstring>

namespace view3d {

uint32_t StrideOfFormat(uint32_t format) {
    switch (format) {
    case kFormatMesh:
        return 36;
    case kFormatMesh2:
        return 44;
    case kFormatQuad:
        return 32;
    case kFormatColoured:
        return 24;
    default:
        return 0;
    }
}

ModelData::ModelData() = default;
ModelData::~ModelData() = default;

bool ModelData::GetSpriteParameters(SpriteParameters&) const {
    return false;
}

void ModelData::SetTexMods(std::unique_ptr<CDefNode> texMods) {
    m_texMods = std::move(texMods);
}

glm::vec3 MeshData::Position(size_t vertex) const {
    glm::vec3 p;
    std::memcpy(&p[0], vertices.data() + vertex * stride, 12);
    return p;
}

void MeshData::SetPosition(size_t vertex, const glm::vec3& position) {
    std::memcpy(vertices.data() + vertex * stride, &position[0], 12);
}

size_t MeshData::TexCoordOffset() const {
    size_t offset = 12;
    if (format & FvfNormal) offset += 12;
    if (format & FvfDiffuse) offset += 4;
    return offset;
}

bool SpriteData::GetSpriteParameters(SpriteParameters& out) const {
    out.preScale = {preScaleX, preScaleY};
    out.scale = 1.0f;
    out.opacity = visibility;
    return true;
}

void ModelGroupData::UpdateBox() {
    box.min = glm::vec3(1e9f);
    box.max = glm::vec3(-1e9f);
    for (const auto& part : parts) {
        Box b = part->BoundingBox();
        box.min = glm::min(box.min, glm::min(b.min, b.max));
        box.max = glm::max(box.max, glm::max(b.min, b.max));
    }
}

glm::vec3 TransformCoord(const glm::mat4& matrix, const glm::vec3& p) {
    // Column i of the glm matrix holds row i of the stored matrix, so the
    // column-major product m * v is the row-vector product p * M.
    glm::vec4 r = matrix * glm::vec4(p, 1.0f);
    if (r.w != 0.0f && r.w != 1.0f) return glm::vec3(r) / r.w;
    return glm::vec3(r);
}

std::string TexModificationName(const ModelData& model, const CDefNode& element) {
    const CDefNode* table = model.TexMods();
    const CDefNode* pick = element.FindChild("TexMod");
    if (!table || !pick || !pick->GetValue(0)) return {};
    std::string wanted = pick->GetValueUnquoted(0);
    for (const CDefNode* child : table->Children())
        if (platform::EqualsNoCase(child->Name(), wanted) && child->GetValue(0))
            return child->GetValueUnquoted(0);
    return {};
}

} // namespace view3d
