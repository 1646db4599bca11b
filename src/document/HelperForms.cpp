#include "document/HelperForms.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefGuard.h"
#include "format/DefNode.h"
#include "platform/Text.h"

#include <algorithm>
#include <cmath>

namespace document {

namespace {

// The text between the quotes a user may have typed around a name.
std::string Bare(std::string_view text) {
    return platform::StripQuotes(text);
}

void Bounds(const ZoneRecord& zone, float& left, float& top, float& right, float& bottom) {
    left = right = zone.corners[0].x;
    top = bottom = zone.corners[0].y;
    for (int i = 1; i < zone.cornerCount && i < 4; ++i) {
        const ZonePoint& p = zone.corners[static_cast<size_t>(i)];
        left = std::min(left, p.x), right = std::max(right, p.x);
        top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    }
}

} // namespace

ZoneForm ReadZoneForm(const ZoneRecord& zone) {
    ZoneForm form;
    form.name = Bare(zone.name);
    form.shape = zone.shape;
    form.radius = zone.radius;
    form.centreX = zone.x;
    form.centreY = zone.y;
    if (zone.shape == ZoneRecord::Poly && zone.cornerCount > 0) {
        float left, top, right, bottom;
        Bounds(zone, left, top, right, bottom);
        form.centreX = (left + right) / 2;
        form.centreY = (top + bottom) / 2;
        form.width = right - left;
        form.height = bottom - top;
    }
    return form;
}

std::string ZoneStoredName(std::string_view typed) {
    if (!typed.empty() && typed.front() == '"') return std::string(typed);
    return "\"" + std::string(typed) + "\"";
}

std::string CheckZoneForm(const ZoneForm& form) {
    if (form.name.empty()) return kZoneNeedsName;
    // A name typed with its quotes is stored as typed; one with a quote
    // anywhere else would end the value early and break the mission.
    std::string bare = Bare(form.name);
    if (bare.empty()) return kZoneNeedsName;
    if (std::string problem = format::CheckQuotedText(bare); !problem.empty()) return problem;
    if (std::string problem = format::CheckValue(ZoneStoredName(form.name)); !problem.empty())
        return problem;
    if (!std::isfinite(form.radius) || form.radius < 0) return "The radius cannot be negative.";
    if (!std::isfinite(form.centreX) || !std::isfinite(form.centreY))
        return "The centre must be a number.";
    return {};
}

bool ApplyZoneForm(CVarnholtMapEditorDoc& doc, ZoneRecord& zone, const ZoneForm& form) {
    if (!CheckZoneForm(form).empty()) return false;
    CVarnholtMapEditorDoc::Edit edit(doc, "Zone " + Bare(form.name));
    const ZoneForm before = ReadZoneForm(zone);
    const float dx = form.centreX - before.centreX;
    const float dy = form.centreY - before.centreY;
    zone.name = ZoneStoredName(form.name);
    zone.x += dx;
    zone.y += dy;
    for (int i = 0; i < zone.cornerCount && i < 4; ++i) {
        zone.corners[static_cast<size_t>(i)].x += dx;
        zone.corners[static_cast<size_t>(i)].y += dy;
    }
    if (zone.shape == ZoneRecord::Circle) zone.radius = form.radius;
    CDefNode* node = zone.node;
    if (!node) return true;
    node->SetText("Name", zone.name.c_str());
    if (dx != 0 || dy != 0) {
        node->SetFloatAt("position", 0, zone.x);
        node->SetFloatAt("position", 1, zone.y);
        if (const CDefNode* position = node->FindChild("position");
            position && !position->GetValue(2))
            node->SetFloatAt("position", 2, zone.z);
        int corner = 0;
        for (CDefNode* point : node->Children()) {
            if (corner == zone.cornerCount || corner == 4) break;
            if (!platform::EqualsNoCase(point->Name(), "Point")) continue;
            const ZonePoint& p = zone.corners[static_cast<size_t>(corner++)];
            if (point->ValueCount() < 2) continue;
            point->SetFloat(0, p.x);
            point->SetFloat(1, p.y);
        }
    }
    if (zone.shape == ZoneRecord::Circle) node->SetFloatAt("Radius", 0, zone.radius);
    return true;
}

std::string TriggerDisplayName(const TriggerRecord& trigger, const CDefNode& node) {
    const char* value = node.GetValue(0);
    return Bare(value ? std::string_view(value) : std::string_view(trigger.name));
}

std::string CheckTriggerName(std::string_view name) {
    return format::CheckQuotedText(name);
}

bool SetTriggerName(TriggerRecord& trigger, CDefNode& node, std::string_view name) {
    if (!CheckTriggerName(name).empty()) return false;
    std::string quoted = "\"" + std::string(name) + "\"";
    trigger.name = quoted;
    node.SetValue(0, quoted);
    return true;
}

bool ApplyTriggerName(CVarnholtMapEditorDoc& doc, TriggerRecord& trigger, std::string_view name) {
    if (!trigger.node || !CheckTriggerName(name).empty()) return false;
    CVarnholtMapEditorDoc::Edit edit(doc, "Trigger " + std::string(name));
    return SetTriggerName(trigger, *trigger.node, name);
}

} // namespace document
