// Which description files make up an entity type's model, and the cache
// that loads each type once.

#include "view3d/ModelCache.h"

#include "format/DefParser.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"

namespace view3d {

namespace {

bool Is(const CDefNode& node, std::string_view name) {
    return platform::EqualsNoCase(node.Name(), name);
}

// "broken" and "right" decals belong to states the editor never shows.
bool ShownDecal(const CDefNode& decal) {
    const char* value = decal.GetValue(0);
    return !value || (!platform::EqualsNoCase(value, "\"broken\"") &&
                      !platform::EqualsNoCase(value, "\"right\""));
}

std::unique_ptr<ModelData> Fail(std::string& reason, std::string text) {
    reason = std::move(text);
    return nullptr;
}

} // namespace

CModelCache::CModelCache(resources::CResourceCatalogue& catalogue)
    : m_catalogue(catalogue), m_loader(catalogue) {}

CModelCache::~CModelCache() = default;

void CModelCache::Clear() {
    m_elementModels.clear();
    m_objectModels.clear();
}

const ModelData* CModelCache::ModelForElement(const CDefNode& element, std::string* reason) {
    auto [name, variant] = resources::CResourceCatalogue::ReferenceFileAndParameter(&element);
    const resources::CEntityEntry* entry = m_catalogue.FindEntity(name);
    if (!entry) {
        if (reason) *reason = "unknown entity type \"" + name + "\"";
        return nullptr;
    }
    return ModelForEntity(*entry, variant, reason);
}

const ModelData* CModelCache::ModelForEntity(const resources::CEntityEntry& entry,
                                             std::string_view variant, std::string* reason) {
    auto key = std::make_pair(&entry, platform::ToLowerCp1252(variant));
    auto found = m_elementModels.find(key);
    if (found != m_elementModels.end()) return found->second.get();
    std::string why;
    std::unique_ptr<ModelData> model = LoadElementModel(entry, variant, why);
    if (!model) {
        if (reason) *reason = why;
        return nullptr;
    }
    return m_elementModels.emplace(std::move(key), std::move(model)).first->second.get();
}

const ModelData* CModelCache::ModelForObject(const resources::CEntityEntry& entry,
                                             std::string* reason) {
    auto found = m_objectModels.find(&entry);
    if (found != m_objectModels.end()) return found->second.get();
    std::string why;
    std::unique_ptr<ModelData> model = LoadObjectModel(entry, why);
    if (!model) {
        if (reason) *reason = why;
        return nullptr;
    }
    return m_objectModels.emplace(&entry, std::move(model)).first->second.get();
}

std::unique_ptr<ModelData> CModelCache::LoadElementModel(const resources::CEntityEntry& entry,
                                                         std::string_view variant,
                                                         std::string& reason) {
    CDefFile definition(entry.path);
    if (definition.Empty()) return Fail(reason, entry.path + ": cannot read the definition");
    std::vector<std::unique_ptr<ModelData>> parts;
    std::string error;
    for (const auto& node : definition.Nodes()) {
        if (Is(*node, "Extension")) {
            std::string path = m_catalogue.ResolveReference(node.get(), 0, entry.path);
            if (!HasExtension(path, ".mdl")) continue;
            auto model = m_loader.LoadSkeletonModel(path, variant, error);
            if (!model) return Fail(reason, error);
            for (auto& part : model->parts)
                parts.push_back(std::move(part));
        } else if (Is(*node, "DecalView") && ShownDecal(*node)) {
            const CDefNode* sprite = node->FindChild("Sprite");
            std::string path = m_catalogue.ResolveReference(sprite, 0, entry.path);
            if (!HasExtension(path, ".ebm")) continue;
            auto data = m_loader.LoadSprite(path, sprite, error);
            if (data)
                parts.push_back(std::move(data));
            else if (!error.empty())
                return Fail(reason, error);
        }
        // A "Skeleton" entry is looked at only for maps and markers: a unit
        // draws from its "Extension".
    }
    if (parts.empty()) return Fail(reason, "the definition names nothing to show");

    std::unique_ptr<CDefNode> texMods;
    for (const auto& node : definition.Nodes()) {
        if (!Is(*node, "TexMods")) continue;
        texMods = std::make_unique<CDefNode>();
        texMods->CopyFrom(*node);
        break;
    }
    // One part stands for itself; it carries the texture modifications the
    // way a group would, so that a one-part type can still be re-textured.
    std::unique_ptr<ModelData> model;
    if (parts.size() == 1) {
        model = std::move(parts.front());
    } else {
        auto group = std::make_unique<ModelGroupData>();
        group->parts = std::move(parts);
        group->UpdateBox();
        model = std::move(group);
    }
    model->SetTexMods(std::move(texMods));
    return model;
}

std::unique_ptr<ModelData> CModelCache::LoadObjectModel(const resources::CEntityEntry& entry,
                                                        std::string& reason) {
    CDefFile definition(entry.path);
    if (definition.Empty()) return Fail(reason, entry.path + ": cannot read the definition");
    const DefNodeList& nodes = definition.Nodes();
    std::string error;
    auto sprite = [&](const CDefNode* spriteNode, bool& found) -> std::unique_ptr<ModelData> {
        std::string path = m_catalogue.ResolveReference(spriteNode, 0, entry.path);
        if (!HasExtension(path, ".ebm")) return nullptr;
        found = true;
        auto data = m_loader.LoadSprite(path, spriteNode, error);
        if (!data) reason = error.empty() ? path + ": the sprite has no frame" : error;
        return data;
    };

    for (const auto& node : nodes) {
        if (!Is(*node, "Extension")) continue;
        std::string path = m_catalogue.ResolveReference(node.get(), 0, entry.path);
        if (!HasExtension(path, ".mdl")) continue;
        auto model = m_loader.LoadSimpleModel(path, error);
        if (!model) reason = error;
        return model;
    }
    for (const auto& node : nodes) {
        if (!Is(*node, "Sprite")) continue;
        bool found = false;
        auto data = sprite(node.get(), found);
        if (found) return data;
    }
    for (const auto& node : nodes) {
        if (!Is(*node, "Skeleton")) continue;
        std::string mdl = m_catalogue.ResolveReference(node.get(), 0, entry.path);
        if (!HasExtension(mdl, ".mdl")) continue;
        CDefFile description(mdl);
        const CDefNode* bone = nullptr;
        for (const auto& top : description.Nodes())
            if ((bone = top->Find("bone"))) break;
        std::string bne = m_catalogue.ResolveReference(bone, 0, mdl);
        if (!HasExtension(bne, ".bne")) continue;
        auto model = m_loader.LoadSimpleModel(bne, error);
        if (!model) reason = error;
        return model;
    }
    for (const auto& node : nodes) {
        if (!Is(*node, "DecalView") || !ShownDecal(*node)) continue;
        bool found = false;
        auto data = sprite(node->FindChild("Sprite"), found);
        if (found) return data;
    }
    return Fail(reason, "the definition names nothing to show");
}

} // namespace view3d
