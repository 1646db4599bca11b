#pragma once

#include "view3d/ModelData.h"
#include "view3d/ModelLoader.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

class CDefNode;

namespace resources {
class CResourceCatalogue;
struct CEntityEntry;
} // namespace resources

namespace view3d {

// The models of entity types, each loaded once per run and shared by every
// element and view that shows the type. Whoever owns the catalogue owns the
// cache beside it; entries are keyed by catalogue entry, which stays put
// from the scan to the end of the run. Scene objects copy from the models
// and never own them.
//
// A load that fails is not remembered: the next request tries again.
class CModelCache {
  public:
    explicit CModelCache(resources::CResourceCatalogue& catalogue);
    ~CModelCache();
    CModelCache(const CModelCache&) = delete;
    CModelCache& operator=(const CModelCache&) = delete;

    // The model of a unit, building or other placed element, found through
    // its entity reference ("type" or "type:variant"): every "Extension"
    // ".mdl" loaded as a skeleton model with the variant, then every
    // "DecalView" sprite except "broken" and "right". One part is returned
    // as itself, several as a group. The definition's "TexMods" block goes
    // with the model. Null (with a reason) when the type is unknown, names
    // nothing to show, or a file it names cannot be read.
    const ModelData* ModelForElement(const CDefNode& element, std::string* reason = nullptr);
    const ModelData* ModelForEntity(const resources::CEntityEntry& entry, std::string_view variant,
                                    std::string* reason = nullptr);

    // The model of a map or marker type: the first found of an "Extension"
    // ".mdl" as a simple model, a "Sprite" ".ebm", a "Skeleton" ".mdl" whose
    // first bone names a ".bne" (that ".bne" as a simple model), and a
    // "DecalView" sprite.
    const ModelData* ModelForObject(const resources::CEntityEntry& entry,
                                    std::string* reason = nullptr);

    // Drops every model: for a catalogue that is about to be loaded again.
    void Clear();
    size_t Size() const { return m_elementModels.size() + m_objectModels.size(); }

    const CModelLoader& Loader() const { return m_loader; }

  private:
    std::unique_ptr<ModelData> LoadElementModel(const resources::CEntityEntry& entry,
                                                std::string_view variant, std::string& reason);
    std::unique_ptr<ModelData> LoadObjectModel(const resources::CEntityEntry& entry,
                                               std::string& reason);

    resources::CResourceCatalogue& m_catalogue;
    CModelLoader m_loader;
    // Element models are kept per variant as well: a variant's bones come
    // from its own folder, so two variants of one type differ.
    std::map<std::pair<const resources::CEntityEntry*, std::string>, std::unique_ptr<ModelData>>
        m_elementModels;
    std::map<const resources::CEntityEntry*, std::unique_ptr<ModelData>> m_objectModels;
};

} // namespace view3d
