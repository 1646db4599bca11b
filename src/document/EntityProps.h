#pragma once

#include "document/DocumentTypes.h"
#include "format/DefNode.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace resources {
class CResourceCatalogue;
}

namespace document {

class CVarnholtMapEditorDoc;
struct NewEntity;

// Categories 0 to 4, 6 and 7: the owned units that carry a player colour.
bool IsOwnedUnitCategory(int category);

// The value written into Breed when a human has none.
inline constexpr const char* kDefaultBreed = "\"rus.infantry_rifle\"";
// Link seats by number (0 to 13), quoted as stored.
const char* SeatName(int seat);

// One item of an inventory grid.
struct InventoryItem {
    std::string name; // quoted, as stored
    unsigned long count = 1;
    bool filled = false;
    int cellX = 0, cellY = 0;
};

// The editing record of a placed entity: read from its Entity node, edited
// by a dialog or by the placing code, and written back with Apply. Each kind
// adds its fields to the one before it.
class CBaseProps {
  public:
    virtual ~CBaseProps() = default;
    // Fills the record from the node (and the working root's Brain and Link blocks).
    virtual void Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc);
    // Writes the record back into the node and the document's working root.
    virtual void Apply(CDefNode& node, CVarnholtMapEditorDoc& doc);

    std::string type = "unknown";
    format::DefVec3 position;
};

class CPlacedProps : public CBaseProps {
  public:
    void Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) override;
    void Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) override;

    double turn = 0.0;
    unsigned long id = 0;
    std::string texMod;
};

class CInventoryProps : public CPlacedProps {
  public:
    void Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) override;
    void Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) override;

    std::vector<InventoryItem> items;
};

enum FireMode { FireAtWill = 0, ReturnFire = 1, HoldFire = 2 };
enum HoldMode { MoveFree = 0, HoldPosition = 1 };

class CUnitProps : public CInventoryProps {
  public:
    void Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) override;
    void Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) override;
    bool BrainAtDefaults() const;

    unsigned long mid = 0;
    unsigned long player = 1;
    std::array<long, 3> idleMovement{-1, -1, -1};
    long control = 0;
    int fireMode = FireAtWill;
    int hold = MoveFree;
};

class CVehicleProps : public CUnitProps {
  public:
    void Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) override;
    void Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) override;

    unsigned long fuel = 0;
};

enum Posture { Stand = 0, Squat = 1, Lie = 2 };

class CHumanProps : public CUnitProps {
  public:
    void Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) override;
    void Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) override;

    long maxHealth = 0;
    long currentHealth = 0;
    bool dead = false;
    std::string crew; // the seat without quotes; empty when not aboard
    int posture = Stand;
    std::string breed; // without quotes
};

class CStuffProps : public CPlacedProps {
  public:
    void Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) override;
    void Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) override;

    std::string item;    // quoted
    std::string filling; // quoted
    long amount = 0;
};

class CWaypointProps : public CBaseProps {
  public:
    void Read(const CDefNode& node, const CVarnholtMapEditorDoc& doc) override;
    void Apply(CDefNode& node, CVarnholtMapEditorDoc& doc) override;

    std::string name;       // the waypoint's uid as its node names it
    std::string transition; // the next waypoint; empty for none
};

// The record for a node of this category, not yet read; nullptr for
// categories without one.
std::unique_ptr<CBaseProps> CreateProps(const CDefNode& node, int category);

// Sets the owning player of a unit (categories 0-4, 6, 7; units only).
void SetPlayer(CDefNode& node, int category, unsigned long player);
// Writes a record back into its node as one undoable step named stepName
// (a property dialog's OK).
void ApplyRecord(CVarnholtMapEditorDoc& doc, CDefNode& node, CBaseProps& props,
                 std::string_view stepName);
// Couples back behind front: back's Chassis/Uplink takes front's MID.
bool CoupleTrainPart(const CDefNode& front, CDefNode& back);
// Seats passenger in vehicle (seat 0 to 13) through the mission's Link block.
bool BoardVehicle(CVarnholtMapEditorDoc& doc, CDefNode& passenger, const CDefNode& vehicle,
                  int seat);

// A new Entity node for a type of the catalogue, with what its definition
// adds (the weapon's stuff block, a locomotive's chassis) and its category.
NewEntity PlaceNewEntity(std::string_view typeName, const resources::CResourceCatalogue& catalogue);
// A human equipped as a breed of the breed set: the node of the skin's type
// and its human record with the breed's inventory placed in the 8 x 4 grid.
// The node is empty when the breed is unknown.
NewEntity PlaceEquippedHuman(std::string_view breedName,
                             const resources::CResourceCatalogue& catalogue,
                             std::unique_ptr<CHumanProps>& record);

// The texts the entity bar lists elements under.
std::string ListingText(const CDefNode& node);
std::string ListingText(const ZoneRecord& zone);
std::string ListingText(const EventRecord& event);
std::string ListingText(const TriggerRecord& trigger);
std::string ListingText(const CameraPathRecord& path);

} // namespace document
