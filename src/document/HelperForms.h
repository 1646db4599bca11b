#pragma once

#include "document/DocumentTypes.h"

#include <string>
#include <string_view>

class CDefNode;

namespace document {

class CVarnholtMapEditorDoc;

inline constexpr const char* kZoneNeedsName = "Zones need a name";

// What the Zone dialog shows and takes: the name without quotes, the shape,
// the radius of a circle, the centre and, for a polygon, the size of the box
// around its corners (shown only).
struct ZoneForm {
    std::string name;
    int shape = ZoneRecord::Circle;
    float radius = 0.0f;
    float centreX = 0.0f, centreY = 0.0f;
    float width = 0.0f, height = 0.0f;
};
ZoneForm ReadZoneForm(const ZoneRecord& zone);
// Why OK cannot be taken ("Zones need a name", a name the mission would not
// read back, a negative radius); empty when it can.
std::string CheckZoneForm(const ZoneForm& form);
// The name as the zone stores it: in quotes, unless it has them already.
std::string ZoneStoredName(std::string_view typed);
// OK: name and radius into the zone and its node, the zone moved so that its
// centre is the form's, as one undoable step. False (nothing changed) when
// CheckZoneForm refuses.
bool ApplyZoneForm(CVarnholtMapEditorDoc& doc, ZoneRecord& zone, const ZoneForm& form);

// The trigger's name without quotes, as its dialog shows it.
std::string TriggerDisplayName(const TriggerRecord& trigger, const CDefNode& node);
// Why a trigger name cannot be stored; empty when it can.
std::string CheckTriggerName(std::string_view name);
// Stores the name in the record and, quoted, as value 0 of node. Nothing
// happens for a name CheckTriggerName refuses. No undo step of its own:
// callers wrap it (ApplyTriggerName) or work on a node outside the document.
bool SetTriggerName(TriggerRecord& trigger, CDefNode& node, std::string_view name);
// The dialog's OK on a trigger of the document, as one undoable step.
bool ApplyTriggerName(CVarnholtMapEditorDoc& doc, TriggerRecord& trigger, std::string_view name);

} // namespace document
