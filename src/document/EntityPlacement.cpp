#include "document/EntityProps.h"
#include "document/ItemCatalogue.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefParser.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"

namespace document {

namespace {

// What the type's definition adds to a new entity: the first stuff block
// found (a weapon lying on the ground comes loaded) and the nature its props
// declare.
void ApplyDefinition(NewEntity& entity, const std::string& path) {
    CDefFile def(path);
    bool stuffCopied = false;
    bool locomotive = false;
    for (const auto& top : def.Nodes()) {
        if (!stuffCopied)
            if (CDefNode* stuff = top->Find("extender", "\"stuff\"")) {
                auto copy = std::make_unique<CDefNode>();
                copy->CopyFrom(*stuff);
                entity.node->AppendChild(std::move(copy));
                stuffCopied = true;
            }
        if (CDefNode* props = top->Find("props")) {
            for (std::string_view v : props->Values()) {
                if (platform::EqualsNoCase(v, "\"vehicle\"")) entity.vehicle = true;
                if (platform::EqualsNoCase(v, "\"train_part\"")) entity.trainPart = true;
                if (platform::EqualsNoCase(v, "\"steam_locomotive\"")) locomotive = true;
            }
        }
    }
    if (locomotive && !entity.node->FindChild("Chassis")) {
        CDefNode* chassis = entity.node->AddChild("Chassis");
        chassis->AddChild("Locomotive", "1");
        chassis->AddChild("MaxSpeed", "3");
    }
}

} // namespace

NewEntity PlaceNewEntity(std::string_view typeName,
                         const resources::CResourceCatalogue& catalogue) {
    NewEntity entity;
    std::string type = platform::StripQuotes(typeName);
    entity.node = std::make_unique<CDefNode>("Entity", type.c_str());
    entity.node->AddChildFloat("Turn", 0.0);
    if (const resources::CEntityEntry* entry = catalogue.FindEntity(type)) {
        entity.category = entry->category;
        ApplyDefinition(entity, entry->path);
    }
    resources::CheckEntityType(*entity.node, catalogue);
    return entity;
}

NewEntity PlaceEquippedHuman(std::string_view breedName,
                             const resources::CResourceCatalogue& catalogue,
                             std::unique_ptr<CHumanProps>& record) {
    record.reset();
    const auto& breeds = catalogue.BreedMap();
    auto it = breeds.find(std::string(breedName));
    if (it == breeds.end() || !it->second) return {};
    const CDefNode* breed = it->second;
    const CDefNode* skinNode = breed->FindChild("skin");
    std::string skin =
        skinNode && skinNode->GetValue(0) ? platform::StripQuotes(skinNode->GetValue(0)) : "";
    // The skin names the human type that wears it.
    auto skinIt = catalogue.SkeletonMap().find(skin);
    std::string type = skinIt != catalogue.SkeletonMap().end() ? skinIt->second : skin;

    NewEntity entity = PlaceNewEntity(type, catalogue);
    entity.category = 6;
    record = std::make_unique<CHumanProps>();
    record->type = type;
    record->breed = std::string(breed->Name());
    InventoryGrid grid(8, 4);
    if (const CDefNode* inventory = breed->FindChild("inventory")) {
        for (const CDefNode* c : inventory->Children()) {
            if (!platform::EqualsNoCase(c->Name(), "item") || !c->GetValue(0)) continue;
            InventoryItem item;
            item.name = c->GetValue(0);
            // Breeds name pistol ammunition by its short name.
            if (platform::EqualsNoCase(item.name, "\"pistol\"")) item.name = "\"ammo pistol\"";
            long count = c->GetValue(1) ? platform::ParseLong(c->GetValue(1), 10) : 1;
            item.count = count > 0 ? static_cast<unsigned long>(count) : 1;
            if (!PlaceItemAutomatically(grid, item.name, item.cellX, item.cellY)) continue;
            record->items.push_back(std::move(item));
        }
    }
    return entity;
}

} // namespace document
