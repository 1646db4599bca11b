#include "document/VarnholtMapEditorDoc.h"

#include "platform/Prompts.h"

#include <algorithm>

namespace document {

namespace {

constexpr const char* kBoundNames[3] = {"WorldBound", "CameraBound", "PatherBound"};

bool ReadRect(const CDefNode* root, const char* name, BoundsRect& out) {
    const CDefNode* node = root ? root->FindChild(name) : nullptr;
    if (!node) return false;
    double v[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < 4; ++i)
        node->GetFloat(i, v[i]);
    out = {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]),
           static_cast<float>(v[3])};
    return true;
}

void SetRect(CDefNode* node, const BoundsRect& r) {
    node->SetFloat(0, r.left);
    node->SetFloat(1, r.top);
    node->SetFloat(2, r.right);
    node->SetFloat(3, r.bottom);
}

BoundsRect Shift(const BoundsRect& r, float dx, float dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

} // namespace

bool CVarnholtMapEditorDoc::ReadBounds() {
    CDefNode* root = MapRoot();
    if (!ReadRect(root, "WorldBound", m_world)) {
        if (m_services.prompts)
            m_services.prompts->Message(kNoWorldBoundMessage, platform::Icon::Warning);
        return false;
    }
    BoundsRect camera = m_world, pather = m_world;
    ReadRect(root, "CameraBound", camera);
    ReadRect(root, "PatherBound", pather);
    return EditBounds(m_world, camera, pather);
}

bool CVarnholtMapEditorDoc::ReadWorldBound() {
    return ReadRect(MapRoot(), "WorldBound", m_world);
}

void CVarnholtMapEditorDoc::WriteBounds(const BoundsRect* world, const BoundsRect* camera,
                                        const BoundsRect* pather, bool overwrite) {
    Edit edit(*this, "Map Bounds");
    CDefNode* root = MapRoot();
    if (!root) return;
    const BoundsRect* given[3] = {world, camera, pather};
    const BoundsRect& fallback = world ? *world : m_world;
    for (size_t i = 0; i < 3; ++i) {
        CDefNode* node = root->FindChild(kBoundNames[i]);
        if (!node) {
            // A missing bound is created at its usual place with the whole
            // playing area, unless the user just edited it: then the edit
            // is what gets stored.
            auto created = std::make_unique<CDefNode>();
            created->Assign(kBoundNames[i], {});
            SetRect(created.get(), overwrite && given[i] ? *given[i] : fallback);
            root->InsertChild(std::min(root->ChildCount(), i), std::move(created));
        } else if (overwrite && given[i]) {
            node->ClearValues();
            SetRect(node, *given[i]);
        }
    }
}

bool CVarnholtMapEditorDoc::EditBounds(const BoundsRect& world, const BoundsRect& camera,
                                       const BoundsRect& pather) {
    if (!m_services.dialogs) return false;
    BoundsDialogData data;
    data.picture = m_services.host ? m_services.host->GetBoundsPicture() : nullptr;
    data.extent = m_extent;
    // The dialog draws over the picture, whose corner lies at the ground's
    // coordinates; world coordinates differ from those by the ground offset.
    float pictureX = m_extent.picture.minX, pictureY = m_extent.picture.minY;
    float worldX = pictureX - m_extent.offsetX, worldY = pictureY - m_extent.offsetY;
    data.world = Shift(world, pictureX - worldX, pictureY - worldY);
    data.camera = Shift(camera, pictureX - worldX, pictureY - worldY);
    data.pather = Shift(pather, pictureX - worldX, pictureY - worldY);
    if (!m_services.dialogs->EditBounds(data)) return false;
    BoundsRect w = Shift(data.world, worldX - pictureX, worldY - pictureY);
    BoundsRect c = Shift(data.camera, worldX - pictureX, worldY - pictureY);
    BoundsRect p = Shift(data.pather, worldX - pictureX, worldY - pictureY);
    {
        Edit edit(*this, "Map Bounds");
        WriteBounds(&w, &c, &p, true);
        m_world = w;
    }
    if (m_services.host) m_services.host->UpdateAllViews(UpdateHint::BoundsChanged, 0);
    return true;
}

bool CVarnholtMapEditorDoc::FitNewMap() {
    if (m_kind == Mission) return false;
    const Box3& g = m_extent.ground;
    float ox = m_extent.offsetX, oy = m_extent.offsetY;
    BoundsRect r{g.minX - ox, g.minY - oy, g.maxX - ox, g.maxY - oy};
    WriteBounds(&r, &r, &r, false);
    CDefNode* root = MapRoot();
    CDefNode* ground = root ? root->FindChild("Entity") : nullptr;
    CDefNode* position = ground ? ground->FindChild("Position") : nullptr;
    if (!position || position->ValueCount() < 3) return false;
    double x = 0, y = 0;
    position->GetFloat(0, x);
    position->GetFloat(1, y);
    if (x != 0.0 || y != 0.0) return false;
    position->SetFloat(0, -ox);
    position->SetFloat(1, -oy);
    position->SetFloat(2, 0.0);
    return true;
}

} // namespace document
