#pragma once

#include "document/EntityProps.h"
#include "document/InventoryEdit.h"

#include <memory>
#include <string>
#include <vector>

class CDefNode;

namespace resources {
class CResourceCatalogue;
}

namespace document {

class CVarnholtMapEditorDoc;

// The property dialogs, one per kind of element.
enum class PropertyDialog {
    None,
    Vehicle,
    Gun,
    Weapon,
    Human,
    Train,
    BoxInventory,
    Landscape,
    Waypoint,
    Zone,
    Trigger,
    Crew, // a Link block: its passenger's seat in its vehicle
};

// The dialog's caption ("Vehicle", "Box Object with Inventory", ...); empty for None.
const char* DialogCaption(PropertyDialog dialog);
// The entity dialog of a category (19: a box with an inventory); None for
// categories without one.
PropertyDialog DialogForCategory(int category);

// What an entity type's definition says that the dialogs need.
struct TypeTraits {
    bool vehicle = false;             // props "vehicle"
    bool inventory = false;           // an inventory with a size
    int inventoryColumns = 0;         // ... of that size
    int inventoryRows = 0;            //
    std::vector<std::string> texMods; // the names of its TexMods block
};
TypeTraits ReadTypeTraits(const std::string& definitionPath);

// The element a property dialog edits, found from any node of the document.
struct PropertyTarget {
    PropertyDialog dialog = PropertyDialog::None;
    int category = -1;
    CDefNode* node = nullptr;
    ZoneRecord* zone = nullptr;
    TriggerRecord* trigger = nullptr;
    CDefNode* passenger = nullptr; // Crew: the entities the link joins
    CDefNode* vehicle = nullptr;
};
// An Entity of a known type with a dialog, a waypoint (a child of a
// "waypoints" block), a zone or a trigger of the document's records, or a
// Link block between two entities of the mission (its seat is edited with
// the crew dialog). Locked nodes (the base map of a mission) have none.
PropertyTarget FindPropertyTarget(const CVarnholtMapEditorDoc& doc, CDefNode* node);
// Whether the node has a property dialog at all, without reading any
// definition file (cheap enough for enabling a command).
bool HasPropertyDialog(const CVarnholtMapEditorDoc& doc, CDefNode* node);

// The working state of an entity's property dialog: the entity's record read
// as the dialog shows it, the lists it offers and the inventory grid. The
// widgets read and change these fields; Apply writes them back.
class CEntityForm {
  public:
    // Reads the node; false when its category has no entity dialog.
    bool Read(CVarnholtMapEditorDoc& doc, CDefNode& node);

    PropertyDialog Dialog() const { return m_dialog; }
    int Category() const { return m_category; }
    CBaseProps& Record() { return *m_record; }
    CPlacedProps* Placed() { return dynamic_cast<CPlacedProps*>(m_record.get()); }
    CUnitProps* Unit() { return dynamic_cast<CUnitProps*>(m_record.get()); }
    CVehicleProps* Vehicle() { return dynamic_cast<CVehicleProps*>(m_record.get()); }
    CHumanProps* Human() { return dynamic_cast<CHumanProps*>(m_record.get()); }
    CStuffProps* Stuff() { return dynamic_cast<CStuffProps*>(m_record.get()); }

    // False for static map objects (and trains that are not vehicles): then
    // the Player list, the unit fields and the inventory are disabled.
    bool UnitFieldsEnabled() const { return m_unitFields; }
    bool HasInventory() const { return m_inventoryGrid; }
    // The Player list's numbers.
    std::vector<unsigned long> PlayerChoices() const;
    // "No": the ID in decimal; the Train dialog's "(%#x)" beside it.
    std::string NumberText() const;
    std::string HexIdText() const;
    // The Texture Modification list: what the model offers (and the current
    // value when it offers no such entry), led by an empty entry for none.
    const std::vector<std::string>& TextureModifications() const { return m_texMods; }
    // The Breed list: every breed of the breed set.
    const std::vector<std::string>& Breeds() const { return m_breeds; }
    // The Crew list: the current seat when linked, then "none".
    std::vector<std::string> CrewChoices() const;
    // Choosing a breed: the record takes it and the grid the breed's items.
    void ChooseBreed(const std::string& breed);

    CInventoryEdit inventory;

    // Why OK cannot be taken, in the words the user sees; empty when it can.
    std::string Check() const;
    // OK: writes the record into the node as one undoable step. False, with
    // nothing changed, when Check refuses.
    bool Apply();

  private:
    CVarnholtMapEditorDoc* m_doc = nullptr;
    CDefNode* m_node = nullptr;
    PropertyDialog m_dialog = PropertyDialog::None;
    int m_category = -1;
    std::unique_ptr<CBaseProps> m_record;
    TypeTraits m_traits;
    bool m_unitFields = false;
    bool m_inventoryGrid = false;
    std::vector<std::string> m_texMods;
    std::vector<std::string> m_breeds;
    std::string m_readCrew;
    bool m_fuelSet = false; // the vehicle's node holds a fuel value
    bool m_hadChassis = false, m_hadFuelBag = false;
};

// The seats of a vehicle that a passenger other than passenger already
// holds (numbers 0 to 13): the crew dialog offers the others.
std::vector<int> TakenSeats(const CVarnholtMapEditorDoc& doc, const CDefNode& vehicle,
                            const CDefNode* passenger = nullptr);
// The seat passenger holds in vehicle (0 to 13), or -1.
int SeatOf(const CVarnholtMapEditorDoc& doc, const CDefNode& passenger, const CDefNode& vehicle);
// The "Add Crew Member" dialog's OK: boards passenger on seat unless another
// passenger holds it. False, with nothing changed, otherwise.
bool AddCrewMember(CVarnholtMapEditorDoc& doc, CDefNode& passenger, const CDefNode& vehicle,
                   int seat);
// The seats by the crew dialog's radio button texts, numbered 0 to 13.
const char* SeatCaption(int seat);

} // namespace document
