#include "document/EntityProps.h"

#include "document/ItemCatalogue.h"
#include "document/VarnholtMapEditorDoc.h"
#include "platform/Text.h"

#include <cmath>
#include <cstring>

namespace document {

namespace {

std::string Quote(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return std::string(text);
    return "\"" + std::string(text) + "\"";
}

bool ValueEquals(const CDefNode* node, size_t i, std::string_view text) {
    const char* v = node ? node->GetValue(i) : nullptr;
    return v && platform::EqualsNoCase(v, text);
}

// The direct child of that name (and first value, when given), appended when missing.
CDefNode* ChildOrAppend(CDefNode& parent, const char* name, const char* firstValue = nullptr) {
    if (CDefNode* hit = parent.FindChild(name, firstValue)) return hit;
    CDefNode* child = parent.AddChild(name);
    if (firstValue) child->SetValue(0, firstValue);
    return child;
}

void RemoveChildrenWithValue(CDefNode& parent, const char* name, const char* firstValue) {
    for (size_t i = parent.ChildCount(); i-- > 0;) {
        CDefNode* c = parent.Child(i);
        if (platform::EqualsNoCase(c->Name(), name) && ValueEquals(c, 0, firstValue))
            parent.RemoveChild(i);
    }
}

// The entity's ID as value 1 stores it, or empty when it has none.
std::string IdText(const CDefNode& node) {
    const char* v = node.GetValue(1);
    if (!v || v[0] != '0' || (v[1] != 'x' && v[1] != 'X')) return {};
    return v;
}

long ReadLong(const char* text) {
    return text ? platform::ParseLong(text, 10) : 0;
}

} // namespace

bool IsOwnedUnitCategory(int category) {
    return (category >= 0 && category <= 4) || category == 6 || category == 7;
}

const char* SeatName(int seat) {
    static const char* const kSeats[] = {"\"driver\"", "\"commander\"", "\"gunner\"", "\"charger\"",
                                         "\"seat1\"",  "\"seat2\"",     "\"seat3\"",  "\"seat4\"",
                                         "\"seat5\"",  "\"seat6\"",     "\"seat7\"",  "\"seat8\"",
                                         "\"seat9\"",  "\"seat10\""};
    return seat >= 0 && seat < 14 ? kSeats[seat] : nullptr;
}

// --- base and placed --------------------------------------------------------------

void CBaseProps::Read(const CDefNode& node, const CVarnholtMapEditorDoc&) {
    const char* v = node.GetValue(0);
    type = v ? platform::StripQuotes(v) : "unknown";
    node.ReadVector("Position", position);
}

void CBaseProps::Apply(CDefNode& node, CVarnholtMapEditorDoc&) {
    node.SetVectorFirst("Position", position);
}

void CPlacedProps::Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) {
    CBaseProps::Read(node, doc);
    const char* v = node.GetValue(1);
    id = v ? platform::ParseUnsigned(v, 16) : 0;
    const char* tex = node.FindValue("TexMod");
    texMod = tex ? tex : "";
    node.ReadDoubles("Turn", &turn, 1);
}

void CPlacedProps::Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) {
    CBaseProps::Apply(node, doc);
    node.SetDoubles("Turn", &turn, 1);
    // An entity that never had an ID keeps none: "0x0" would make it look
    // like one that can take a crew or a brain.
    if (id != 0 || node.ValueCount() > 1) node.SetHex(1, id);
    if (!texMod.empty()) node.SetText("TexMod", texMod.c_str());
}

// --- inventory -----------------------------------------------------------------------

void CInventoryProps::Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) {
    CPlacedProps::Read(node, doc);
    items.clear();
    CDefNode* extender = node.Find("Extender", "\"inventory\"");
    CDefNode* box = extender ? extender->FindChild("box") : nullptr;
    if (!box) return;
    for (CDefNode* c : box->Children()) {
        if (!platform::EqualsNoCase(c->Name(), "item") || c->ValueCount() == 0) continue;
        InventoryItem item;
        item.name = c->GetValue(0);
        long count = ReadLong(c->GetValue(1));
        item.count = count != 0 ? static_cast<unsigned long>(count) : 1;
        item.filled = ValueEquals(c, 1, "filling") && c->ValueCount() > 2;
        double cell[2] = {0, 0};
        c->ReadDoubles("cell", cell, 2);
        item.cellX = static_cast<int>(cell[0]);
        item.cellY = static_cast<int>(cell[1]);
        items.push_back(std::move(item));
    }
}

void CInventoryProps::Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) {
    CPlacedProps::Apply(node, doc);
    if (items.empty()) {
        RemoveChildrenWithValue(node, "Extender", "\"inventory\"");
        return;
    }
    CDefNode* extender = ChildOrAppend(node, "Extender", "\"inventory\"");
    CDefNode* box = ChildOrAppend(*extender, "box");
    ChildOrAppend(*box, "clear");
    box->RemoveChildren("item");
    for (const InventoryItem& item : items) {
        CDefNode* c = box->AddChild("item", item.name.c_str());
        const ItemInfo* info = FindItem(ItemGroup::Weapons, item.name);
        if (!info) info = FindItem(ItemGroup::Misc, item.name);
        // A filled weapon carries the catalogue's full amount, whatever count it shows.
        if (item.filled && info && HasFilling(*info)) {
            c->AddValue("filling");
            c->AddValue(info->filling);
            c->AddValue(platform::FormatInt(info->amount));
        } else {
            c->AddValue(platform::FormatUnsigned(item.count));
        }
        CDefNode* cell = c->AddChild("cell");
        cell->AddValue(platform::FormatInt(item.cellX));
        cell->AddValue(platform::FormatInt(item.cellY));
    }
}

// --- units -----------------------------------------------------------------------------

bool CUnitProps::BrainAtDefaults() const {
    return idleMovement[0] == -1 && idleMovement[1] == -1 && idleMovement[2] == -1 &&
           control == 0 && fireMode == FireAtWill && hold == MoveFree;
}

void CUnitProps::Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) {
    CInventoryProps::Read(node, doc);
    const char* m = node.FindValue("MID");
    mid = m ? platform::ParseUnsigned(m, 10) : 0;
    const char* p = node.FindValue("Player");
    player = p ? platform::ParseUnsigned(p, 10) : 1;
    idleMovement = {-1, -1, -1};
    control = 0;
    fireMode = FireAtWill;
    hold = MoveFree;
    std::string id = IdText(node);
    CDefNode* root = doc.WorkingRoot();
    CDefNode* brain = root && !id.empty() ? root->FindChild("Brain", id.c_str()) : nullptr;
    if (!brain) return;
    control = ReadLong(brain->FindValue("Control"));
    double idle[3];
    if (brain->ReadDoubles("IdleMovement", idle, 3))
        for (size_t i = 0; i < 3; ++i)
            idleMovement[i] = static_cast<long>(std::ceil(idle[i]));
    if (brain->FindChild("HoldFire")) fireMode = HoldFire;
    if (brain->FindChild("ReturnFire")) fireMode = ReturnFire;
    if (brain->FindChild("HoldPosition")) hold = HoldPosition;
}

void CUnitProps::Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) {
    CInventoryProps::Apply(node, doc);
    CDefNode* root = doc.WorkingRoot();
    if (!root) return;
    if (node.isUnit) {
        node.SetUIntAt("MID", 0, mid);
        node.SetUIntAt("Player", 0, player);
    }
    std::string id = IdText(node);
    if (id.empty()) return;
    if (BrainAtDefaults()) {
        RemoveChildrenWithValue(*root, "Brain", id.c_str());
        return;
    }
    CDefNode* brain = root->FindChild("Brain", id.c_str());
    if (!brain) brain = doc.InsertSection("Brain");
    if (!brain) return;
    brain->SetValue(0, id);
    if (idleMovement[0] != -1 || idleMovement[1] != -1 || idleMovement[2] != -1) {
        CDefNode* idle = ChildOrAppend(*brain, "IdleMovement");
        for (size_t i = 0; i < 3; ++i)
            idle->SetValue(i, platform::FormatUnsigned(
                                  static_cast<unsigned long>(std::max(idleMovement[i], 0L))));
    } else {
        brain->RemoveChildren("IdleMovement");
    }
    if (control != 0)
        ChildOrAppend(*brain, "Control")->SetValue(0, platform::FormatInt(control));
    else
        brain->RemoveChildren("Control");
    if (fireMode != ReturnFire) brain->RemoveChildren("ReturnFire");
    if (fireMode != HoldFire) brain->RemoveChildren("HoldFire");
    if (fireMode == ReturnFire) ChildOrAppend(*brain, "ReturnFire");
    if (fireMode == HoldFire) ChildOrAppend(*brain, "HoldFire");
    if (hold == HoldPosition)
        ChildOrAppend(*brain, "HoldPosition");
    else
        brain->RemoveChildren("HoldPosition");
}

void CVehicleProps::Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) {
    CUnitProps::Read(node, doc);
    CDefNode* chassis = node.FindChild("Chassis");
    CDefNode* bag = chassis ? chassis->FindChild("FuelBag") : nullptr;
    const char* remain = bag ? bag->FindValue("Remain") : nullptr;
    fuel = remain ? platform::ParseUnsigned(remain, 10) : 0;
}

void CVehicleProps::Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) {
    CUnitProps::Apply(node, doc);
    if (!doc.WorkingRoot() || !node.isUnit) return;
    CDefNode* bag = ChildOrAppend(*ChildOrAppend(node, "Chassis"), "FuelBag");
    ChildOrAppend(*bag, "Remain")->SetValue(0, platform::FormatUnsigned(fuel));
}

// --- humans ------------------------------------------------------------------------------

void CHumanProps::Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) {
    CUnitProps::Read(node, doc);
    CDefNode* vitality = node.FindChild("Extender", "\"vitality\"");
    CDefNode* health = vitality ? vitality->FindChild("Health") : nullptr;
    maxHealth = health ? ReadLong(health->FindValue("Max")) : 0;
    currentHealth = health ? ReadLong(health->FindValue("Current")) : 0;
    dead = vitality && vitality->FindChild("Dead");
    posture = Stand;
    if (const char* state = node.FindValue("FsmState")) {
        if (platform::EqualsNoCase(state, "\"squat\"")) posture = Squat;
        if (platform::EqualsNoCase(state, "\"lie\"")) posture = Lie;
    }
    const char* b = node.FindValue("Breed");
    breed = b ? platform::StripQuotes(b) : "";
    crew.clear();
    std::string id = IdText(node);
    CDefNode* root = doc.WorkingRoot();
    CDefNode* link = root && !id.empty() ? root->FindChild("Link", id.c_str()) : nullptr;
    if (link && link->GetValue(3)) crew = platform::StripQuotes(link->GetValue(3));
}

void CHumanProps::Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) {
    CUnitProps::Apply(node, doc);
    CDefNode* root = doc.WorkingRoot();
    if (!root) return;
    if (maxHealth > 0 || currentHealth > 0 || dead) {
        if (currentHealth != 0 && maxHealth != 0 && maxHealth < currentHealth)
            maxHealth = currentHealth;
        CDefNode* vitality = ChildOrAppend(node, "Extender", "\"vitality\"");
        if (dead)
            ChildOrAppend(*vitality, "Dead");
        else
            vitality->RemoveChildren("Dead");
        CDefNode* health = ChildOrAppend(*vitality, "Health");
        ChildOrAppend(*health, "Max")->SetValue(0, platform::FormatInt(maxHealth));
        ChildOrAppend(*health, "Current")->SetValue(0, platform::FormatInt(currentHealth));
    } else {
        RemoveChildrenWithValue(node, "Extender", "\"vitality\"");
    }
    std::string id = IdText(node);
    CDefNode* link = id.empty() ? nullptr : root->FindChild("Link", id.c_str());
    if (crew.empty() && link) {
        root->RemoveChild(static_cast<size_t>(root->IndexOfChild(link)));
        RemoveChildrenWithValue(node, "FsmState", "\"board\"");
        link = nullptr;
    }
    static const char* const kPostures[] = {"\"stand\"", "\"squat\"", "\"lie\""};
    // A crew member keeps its "board" state: the posture applies on foot only.
    bool aboard = link && !crew.empty();
    if (!aboard)
        node.SetText("FsmState", kPostures[posture >= Stand && posture <= Lie ? posture : Stand]);
    node.SetText("Breed", breed.empty() ? kDefaultBreed : Quote(breed).c_str());
}

// --- stuff and waypoints ---------------------------------------------------------------------

void CStuffProps::Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) {
    CPlacedProps::Read(node, doc);
    CDefNode* stuff = node.Find("Extender", "\"stuff\"");
    CDefNode* entry = stuff ? stuff->FindChild("Item") : nullptr;
    item = entry && entry->GetValue(0) ? entry->GetValue(0) : "";
    filling.clear();
    amount = 0;
    if (entry && ValueEquals(entry, 1, "filling")) {
        filling = entry->GetValue(2) ? entry->GetValue(2) : "";
        amount = ReadLong(entry->GetValue(3));
    }
}

void CStuffProps::Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) {
    CPlacedProps::Apply(node, doc);
    if (amount > 0 && !item.empty() && !filling.empty()) {
        // A new stuff block gets its own Extender: taking over the entity's
        // first Extender would turn its inventory or vitality into stuff.
        CDefNode* stuff = node.Find("Extender", "\"stuff\"");
        if (!stuff) stuff = node.AddChild("Extender", "\"stuff\"");
        CDefNode* entry = ChildOrAppend(*stuff, "Item");
        std::string amountText = platform::FormatInt(amount);
        entry->Assign("Item", {item, "filling", filling, amountText});
    } else {
        RemoveChildrenWithValue(node, "Extender", "\"stuff\"");
    }
}

void CWaypointProps::Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) {
    CBaseProps::Read(node, doc);
    name = std::string(node.Name());
    const char* next = node.FindValue("transition");
    transition = next ? next : "";
}

void CWaypointProps::Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) {
    CBaseProps::Apply(node, doc);
    if (transition.empty())
        node.RemoveChildren("transition");
    else
        ChildOrAppend(node, "transition")->SetValue(0, transition);
}

// --- creation and the single-step operations
// -------------------------------------------------------

std::unique_ptr<CBaseProps> CreateProps(const CDefNode& node, int category) {
    switch (category) {
    case 0:
    case 2:
    case 3:
    case 4:
        return std::make_unique<CVehicleProps>();
    case 1:
    case 16:
        return std::make_unique<CUnitProps>();
    case 5:
        return std::make_unique<CStuffProps>();
    case 7:
        return std::make_unique<CHumanProps>();
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
        return std::make_unique<CPlacedProps>();
    case 19:
        return std::make_unique<CInventoryProps>();
    case 26: {
        auto record = std::make_unique<CWaypointProps>();
        record->name = std::string(node.Name());
        return record;
    }
    default:
        return nullptr;
    }
}

void SetPlayer(CDefNode& node, int category, unsigned long player) {
    if (IsOwnedUnitCategory(category) && node.isUnit) node.SetUIntAt("Player", 0, player);
}

bool CoupleTrainPart(const CDefNode& front, CDefNode& back) {
    const char* mid = front.FindValue("MID");
    if (!mid) return false;
    ChildOrAppend(*ChildOrAppend(back, "Chassis"), "Uplink")->SetValue(0, mid);
    return true;
}

void ApplyRecord(CVarnholtMapEditorDoc& doc, CDefNode& node, CBaseProps& props,
                 std::string_view stepName) {
    CVarnholtMapEditorDoc::Edit edit(doc, std::string(stepName));
    props.Apply(node, doc);
}

bool BoardVehicle(CVarnholtMapEditorDoc& doc, CDefNode& passenger, const CDefNode& vehicle,
                  int seat) {
    CDefNode* root = doc.WorkingRoot();
    const char* seatName = SeatName(seat);
    std::string passengerId = IdText(passenger), vehicleId = IdText(vehicle);
    if (doc.Kind() != Mission || !root || !seatName || passengerId.empty() || vehicleId.empty())
        return false;
    CVarnholtMapEditorDoc::Edit edit(
        doc, "Board " + platform::StripQuotes(vehicle.GetValue(0) ? vehicle.GetValue(0) : ""));
    CDefNode* link = root->FindChild("Link", passengerId.c_str());
    if (!link) link = doc.InsertSection("Link");
    if (!link) return false;
    link->Assign("Link", {passengerId, "To", vehicleId, seatName});
    passenger.RemoveChildren("FsmState");
    passenger.AddChild("FsmState", "\"board\"");
    return true;
}

std::string ListingText(const CDefNode& node) {
    if (node.ValueCount() == 0) return std::string(node.Name());
    std::string text = node.GetValue(0);
    if (node.ValueCount() >= 2) {
        text += " = ";
        text += node.GetValue(1);
    }
    if (const char* mid = node.FindValue("MID")) {
        text += " ;MID = ";
        text += mid;
    }
    return text;
}

std::string ListingText(const ZoneRecord& zone) {
    return zone.name + (zone.shape == ZoneRecord::Poly ? " poly" : " circle");
}

std::string ListingText(const EventRecord& event) {
    return "\"" + event.name + "\" id=" + std::to_string(event.id) +
           " state=" + std::to_string(event.state);
}

std::string ListingText(const TriggerRecord& trigger) {
    return platform::StripQuotes(trigger.name);
}

std::string ListingText(const CameraPathRecord& path) {
    return platform::StripQuotes(path.name);
}

} // namespace document
