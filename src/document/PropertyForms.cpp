#include "document/PropertyForms.h"

#include "document/ItemCatalogue.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefGuard.h"
#include "format/DefParser.h"
#include "platform/Text.h"
#include "resources/ResourceCatalogue.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace document {

namespace {

std::string Quote(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return std::string(text);
    return "\"" + std::string(text) + "\"";
}

bool Contains(const std::vector<std::string>& list, std::string_view text) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& s) { return platform::EqualsNoCase(s, text); });
}

const char* IdValue(const CDefNode& node) {
    const char* v = node.GetValue(1);
    return v && v[0] == '0' && (v[1] == 'x' || v[1] == 'X') ? v : nullptr;
}

// The grid of each dialog that has one (columns x rows).
bool GridSize(PropertyDialog dialog, const TypeTraits& traits, int& columns, int& rows) {
    switch (dialog) {
    case PropertyDialog::Vehicle:
    case PropertyDialog::Gun:
        columns = 5, rows = 6;
        return true;
    case PropertyDialog::Human:
        columns = 8, rows = 4;
        return true;
    case PropertyDialog::Weapon:
        columns = 4, rows = 3;
        return true;
    case PropertyDialog::BoxInventory:
        columns = traits.inventoryColumns, rows = traits.inventoryRows;
        return true;
    default:
        return false;
    }
}

} // namespace

const char* DialogCaption(PropertyDialog dialog) {
    switch (dialog) {
    case PropertyDialog::Vehicle:
        return "Vehicle";
    case PropertyDialog::Gun:
        return "Gun";
    case PropertyDialog::Weapon:
        return "Weapon";
    case PropertyDialog::Human:
        return "Human";
    case PropertyDialog::Train:
        return "Train";
    case PropertyDialog::BoxInventory:
        return "Box Object with Inventory";
    case PropertyDialog::Landscape:
        return "Landscape";
    case PropertyDialog::Waypoint:
        return "Waypoint";
    case PropertyDialog::Zone:
        return "Zone";
    case PropertyDialog::Trigger:
        return "Trigger Properties";
    case PropertyDialog::Crew:
        return "Add Crew Member";
    case PropertyDialog::None:
        break;
    }
    return "";
}

PropertyDialog DialogForCategory(int category) {
    switch (category) {
    case 0:
    case 2:
    case 3:
    case 4:
        return PropertyDialog::Vehicle;
    case 1:
        return PropertyDialog::Gun;
    case 5:
        return PropertyDialog::Weapon;
    case 7:
        return PropertyDialog::Human;
    case 16:
        return PropertyDialog::Train;
    case 19:
        return PropertyDialog::BoxInventory;
    case 8:
    case 9:
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
    case 17:
    case 18:
    case 25:
        return PropertyDialog::Landscape;
    case 22:
        return PropertyDialog::Trigger;
    case 26:
        return PropertyDialog::Waypoint;
    default:
        return PropertyDialog::None;
    }
}

TypeTraits ReadTypeTraits(const std::string& definitionPath) {
    TypeTraits traits;
    CDefFile definition(definitionPath);
    for (const auto& top : definition.Nodes()) {
        if (CDefNode* props = top->Find("props"))
            for (std::string_view v : props->Values())
                if (platform::EqualsNoCase(v, "\"vehicle\"")) traits.vehicle = true;
        if (!traits.inventory)
            if (CDefNode* extender = top->Find("extender", "\"inventory\"")) {
                // The box's grid is the size its definition gives; the 3D
                // view takes the same rule to tell a box from a plain object.
                const CDefNode* size = extender->Find("size");
                const char* w = size ? size->GetValue(0) : nullptr;
                const char* h = size ? size->GetValue(1) : nullptr;
                if (w && h) {
                    traits.inventory = true;
                    traits.inventoryColumns = static_cast<int>(std::strtol(w, nullptr, 10));
                    traits.inventoryRows = static_cast<int>(std::strtol(h, nullptr, 10));
                }
            }
        if (traits.texMods.empty() && platform::EqualsNoCase(top->Name(), "TexMods"))
            for (const CDefNode* c : top->Children())
                traits.texMods.emplace_back(c->Name());
    }
    // A damaged size must not make a grid of millions of cells.
    traits.inventoryColumns = std::clamp(traits.inventoryColumns, 0, 64);
    traits.inventoryRows = std::clamp(traits.inventoryRows, 0, 64);
    return traits;
}

namespace {

CDefNode* EntityWithId(const CDefNode& root, const char* id) {
    for (CDefNode* c : root.Children())
        if (c->Name() == "Entity" && IdValue(*c) && platform::EqualsNoCase(IdValue(*c), id))
            return c;
    return nullptr;
}

// readDefinition: tell a box from a plain object by its definition; without
// it, categories 5 and 11 stay as they are (both have a dialog either way).
PropertyTarget FindTarget(const CVarnholtMapEditorDoc& doc, CDefNode* node, bool readDefinition) {
    PropertyTarget target;
    if (!node || node->locked) return target;
    target.node = node;
    for (const auto& zone : doc.Zones())
        if (zone->node == node) {
            target.dialog = PropertyDialog::Zone;
            target.category = 20;
            target.zone = zone.get();
            return target;
        }
    for (const auto& trigger : doc.Triggers())
        if (trigger->node == node) {
            target.dialog = PropertyDialog::Trigger;
            target.category = 22;
            target.trigger = trigger.get();
            return target;
        }
    if (const CDefNode* parent = doc.FindParent(node);
        parent && platform::EqualsNoCase(parent->Name(), "waypoints")) {
        target.dialog = PropertyDialog::Waypoint;
        target.category = 26;
        return target;
    }
    if (const CDefNode* root = doc.WorkingRoot();
        root && doc.Kind() == Mission && root->IndexOfChild(node) >= 0 &&
        platform::EqualsNoCase(node->Name(), "Link") && node->ValueCount() >= 4) {
        target.passenger = EntityWithId(*root, node->GetValue(0));
        target.vehicle = EntityWithId(*root, node->GetValue(2));
        if (target.passenger && target.vehicle) target.dialog = PropertyDialog::Crew;
        return target;
    }
    const resources::CResourceCatalogue* catalogue = doc.Services().catalogue;
    if (node->Name() != "Entity" || node->ValueCount() == 0 || !catalogue) return target;
    auto [type, variant] = resources::CResourceCatalogue::ReferenceFileAndParameter(node);
    const resources::CEntityEntry* entry = catalogue->FindEntity(type);
    if (!entry) return target;
    target.category = entry->category;
    if (readDefinition && (target.category == 5 || target.category == 11))
        if (ReadTypeTraits(entry->path).inventory) target.category = 19;
    target.dialog = DialogForCategory(target.category);
    if (target.dialog == PropertyDialog::Waypoint || target.dialog == PropertyDialog::Trigger)
        target.dialog = PropertyDialog::None;
    return target;
}

} // namespace

PropertyTarget FindPropertyTarget(const CVarnholtMapEditorDoc& doc, CDefNode* node) {
    return FindTarget(doc, node, true);
}

bool HasPropertyDialog(const CVarnholtMapEditorDoc& doc, CDefNode* node) {
    return FindTarget(doc, node, false).dialog != PropertyDialog::None;
}

// --- the entity form ------------------------------------------------------------

bool CEntityForm::Read(CVarnholtMapEditorDoc& doc, CDefNode& node) {
    PropertyTarget target = FindPropertyTarget(doc, &node);
    PropertyDialog dialog = target.dialog;
    if (dialog == PropertyDialog::None || dialog == PropertyDialog::Waypoint ||
        dialog == PropertyDialog::Zone || dialog == PropertyDialog::Trigger ||
        dialog == PropertyDialog::Crew)
        return false;
    std::unique_ptr<CBaseProps> record = CreateProps(node, target.category);
    if (!record) return false;
    m_doc = &doc;
    m_node = &node;
    m_dialog = dialog;
    m_category = target.category;
    m_record = std::move(record);
    m_record->Read(node, doc);
    const CDefNode* chassis = node.FindChild("Chassis");
    const CDefNode* bag = chassis ? chassis->FindChild("FuelBag") : nullptr;
    m_fuelSet = bag && bag->FindChild("Remain");
    m_hadChassis = chassis != nullptr;
    m_hadFuelBag = bag != nullptr;

    const resources::CResourceCatalogue& catalogue = *doc.Services().catalogue;
    resources::CheckEntityType(node, catalogue);
    auto [type, variant] = resources::CResourceCatalogue::ReferenceFileAndParameter(&node);
    const resources::CEntityEntry* entry = catalogue.FindEntity(type);
    m_traits = entry ? ReadTypeTraits(entry->path) : TypeTraits{};
    m_unitFields = node.isUnit && (dialog != PropertyDialog::Train || m_traits.vehicle);

    m_texMods.clear();
    const std::string current = Placed() ? Placed()->texMod : std::string();
    if (current.empty()) m_texMods.emplace_back();
    for (const std::string& name : m_traits.texMods)
        m_texMods.push_back(Quote(name));
    if (!current.empty() && !Contains(m_texMods, current)) m_texMods.push_back(current);

    m_breeds = catalogue.BreedList();
    if (CHumanProps* human = Human()) {
        m_readCrew = human->crew;
        if (!human->breed.empty() && !Contains(m_breeds, human->breed))
            m_breeds.insert(m_breeds.begin(), human->breed);
    }

    int columns = 0, rows = 0;
    m_inventoryGrid = GridSize(dialog, m_traits, columns, rows);
    std::vector<InventoryItem> items;
    if (CStuffProps* stuff = Stuff()) {
        // The weapon's filling shows as one item in the corner, its amount as the count.
        if (!stuff->filling.empty() && stuff->amount > 0) {
            InventoryItem filling;
            filling.name = stuff->filling;
            filling.count = static_cast<unsigned long>(stuff->amount);
            items.push_back(std::move(filling));
        }
    } else if (auto* withItems = dynamic_cast<CInventoryProps*>(m_record.get())) {
        items = withItems->items;
    }
    inventory.Reset(columns, rows, std::move(items));
    return true;
}

std::vector<unsigned long> CEntityForm::PlayerChoices() const {
    std::vector<unsigned long> choices;
    if (m_dialog == PropertyDialog::Vehicle || m_dialog == PropertyDialog::Train)
        choices = {0, 1, 2, 3, 4};
    else if (m_dialog == PropertyDialog::Gun || m_dialog == PropertyDialog::Human)
        choices = {1, 2, 3, 4};
    // A player the list lacks (a crew member of player 0) is offered too, so
    // that OK without a change keeps it.
    const auto* unit = dynamic_cast<const CUnitProps*>(m_record.get());
    if (unit && !choices.empty() &&
        std::find(choices.begin(), choices.end(), unit->player) == choices.end()) {
        choices.push_back(unit->player);
        std::sort(choices.begin(), choices.end());
    }
    return choices;
}

std::string CEntityForm::NumberText() const {
    const auto* placed = dynamic_cast<const CPlacedProps*>(m_record.get());
    return placed ? platform::FormatUnsigned(placed->id) : std::string();
}

std::string CEntityForm::HexIdText() const {
    const auto* placed = dynamic_cast<const CPlacedProps*>(m_record.get());
    char text[32];
    std::snprintf(text, sizeof text, "(%#lx)", placed ? placed->id : 0ul);
    return text;
}

std::vector<std::string> CEntityForm::CrewChoices() const {
    std::vector<std::string> choices;
    if (!m_readCrew.empty()) choices.push_back(m_readCrew);
    choices.emplace_back("none");
    return choices;
}

void CEntityForm::ChooseBreed(const std::string& breed) {
    CHumanProps* human = Human();
    if (!human) return;
    human->breed = breed;
    const auto& breeds = m_doc->Services().catalogue->BreedMap();
    auto it = breeds.find(breed);
    if (it != breeds.end() && it->second)
        inventory.ReplaceWithBreed(*it->second);
    else
        inventory.Reset(inventory.Columns(), inventory.Rows(), {});
}

std::string CEntityForm::Check() const {
    const CBaseProps* record = m_record.get();
    if (const auto* placed = dynamic_cast<const CPlacedProps*>(record);
        placed && !placed->texMod.empty())
        if (std::string problem = format::CheckValue(placed->texMod); !problem.empty())
            return problem;
    if (const auto* human = dynamic_cast<const CHumanProps*>(record);
        human && !human->breed.empty())
        if (std::string problem = format::CheckQuotedText(platform::StripQuotes(human->breed));
            !problem.empty())
            return problem;
    for (const InventoryItem& item : inventory.Items())
        if (std::string problem = format::CheckValue(item.name); !problem.empty()) return problem;
    if (m_dialog == PropertyDialog::Weapon && inventory.Items().size() > 1)
        return "A weapon holds one kind of ammunition.";
    // Two units with one MID would leave the mission's scripts guessing which
    // one they command.
    const auto* unit = dynamic_cast<const CUnitProps*>(record);
    CDefNode* root = m_doc->WorkingRoot();
    if (unit && m_unitFields && root)
        for (const CDefNode* other : root->Children()) {
            if (other == m_node || other->Name() != "Entity") continue;
            const CDefNode* mid = other->FindChild("MID");
            unsigned long value = 0;
            if (mid && mid->GetUInt(0, value) && value == unit->mid)
                return "The MID " + platform::FormatUnsigned(unit->mid) +
                       " is used by another unit.";
        }
    return {};
}

bool CEntityForm::Apply() {
    if (!m_record || !Check().empty()) return false;
    // A disabled grid (a static object) leaves the inventory as it was read.
    if (m_inventoryGrid && m_unitFields) {
        if (CStuffProps* stuff = Stuff()) {
            if (inventory.Items().empty()) {
                stuff->amount = 0;
            } else {
                stuff->filling = inventory.Items().front().name;
                stuff->amount = static_cast<long>(inventory.Items().front().count);
            }
        } else if (auto* withItems = dynamic_cast<CInventoryProps*>(m_record.get())) {
            withItems->items = inventory.Items();
        }
    }
    if (CHumanProps* human = Human(); human && human->crew == "none") human->crew.clear();
    CVarnholtMapEditorDoc::Edit edit(*m_doc, "Set Properties");
    m_record->Apply(*m_node, *m_doc);
    // A vehicle whose fuel the mission never set runs on its definition's
    // tank; OK without a fuel entered must not empty it.
    if (CVehicleProps* vehicle = Vehicle(); vehicle && !m_fuelSet && vehicle->fuel == 0)
        if (CDefNode* chassis = m_node->FindChild("Chassis")) {
            if (CDefNode* bag = chassis->FindChild("FuelBag")) {
                bag->RemoveChildren("Remain");
                if (!m_hadFuelBag && bag->ChildCount() == 0 && bag->ValueCount() == 0)
                    chassis->RemoveChild(static_cast<size_t>(chassis->IndexOfChild(bag)));
            }
            if (!m_hadChassis && chassis->ChildCount() == 0 && chassis->ValueCount() == 0)
                m_node->RemoveChild(static_cast<size_t>(m_node->IndexOfChild(chassis)));
        }
    return true;
}

// --- crews ----------------------------------------------------------------------------

const char* SeatCaption(int seat) {
    static const char* const kCaptions[] = {"Driver", "Commander", "Gunner", "Charger", "Seat 1",
                                            "Seat 2", "Seat 3",    "Seat 4", "Seat 5",  "Seat 6",
                                            "Seat 7", "Seat 8",    "Seat 9", "Seat 10"};
    return seat >= 0 && seat < 14 ? kCaptions[seat] : nullptr;
}

std::vector<int> TakenSeats(const CVarnholtMapEditorDoc& doc, const CDefNode& vehicle,
                            const CDefNode* passenger) {
    std::vector<int> taken;
    const CDefNode* root = doc.WorkingRoot();
    const char* vehicleId = IdValue(vehicle);
    const char* passengerId = passenger ? IdValue(*passenger) : nullptr;
    if (!root || !vehicleId) return taken;
    for (const CDefNode* link : root->Children()) {
        if (!platform::EqualsNoCase(link->Name(), "Link") || link->ValueCount() < 4) continue;
        if (!platform::EqualsNoCase(link->GetValue(2), vehicleId)) continue;
        if (passengerId && platform::EqualsNoCase(link->GetValue(0), passengerId)) continue;
        for (int seat = 0; seat < 14; ++seat)
            if (platform::EqualsNoCase(link->GetValue(3), SeatName(seat))) taken.push_back(seat);
    }
    std::sort(taken.begin(), taken.end());
    return taken;
}

int SeatOf(const CVarnholtMapEditorDoc& doc, const CDefNode& passenger, const CDefNode& vehicle) {
    const CDefNode* root = doc.WorkingRoot();
    const char* passengerId = IdValue(passenger);
    const char* vehicleId = IdValue(vehicle);
    if (!root || !passengerId || !vehicleId) return -1;
    const CDefNode* link = root->FindChild("Link", passengerId);
    if (!link || !link->GetValue(2) || !platform::EqualsNoCase(link->GetValue(2), vehicleId))
        return -1;
    for (int seat = 0; seat < 14; ++seat)
        if (link->GetValue(3) && platform::EqualsNoCase(link->GetValue(3), SeatName(seat)))
            return seat;
    return -1;
}

bool AddCrewMember(CVarnholtMapEditorDoc& doc, CDefNode& passenger, const CDefNode& vehicle,
                   int seat) {
    if (&passenger == &vehicle) return false;
    std::vector<int> taken = TakenSeats(doc, vehicle, &passenger);
    if (std::find(taken.begin(), taken.end(), seat) != taken.end()) return false;
    return BoardVehicle(doc, passenger, vehicle, seat);
}

} // namespace document
