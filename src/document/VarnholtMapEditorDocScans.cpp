#include "document/VarnholtMapEditorDoc.h"

#include "document/DocumentHistory.h"

#include "platform/Progress.h"
#include "platform/Text.h"

#include <cstdio>

namespace document {

namespace {

// First node named name strictly below node with at least minValues values.
CDefNode* FindBelow(const CDefNode* node, std::string_view name, size_t minValues = 0) {
    std::vector<const CDefNode*> stack;
    for (size_t i = node->ChildCount(); i-- > 0;)
        stack.push_back(node->Child(i));
    while (!stack.empty()) {
        const CDefNode* n = stack.back();
        stack.pop_back();
        if (n->ValueCount() >= minValues && platform::EqualsNoCase(n->Name(), name))
            return const_cast<CDefNode*>(n);
        for (size_t i = n->ChildCount(); i-- > 0;)
            stack.push_back(n->Child(i));
    }
    return nullptr;
}

// Every node named name below node, in depth-first order.
void CollectBelow(const CDefNode* node, std::string_view name, std::vector<CDefNode*>& out) {
    std::vector<const CDefNode*> stack;
    for (size_t i = node->ChildCount(); i-- > 0;)
        stack.push_back(node->Child(i));
    while (!stack.empty()) {
        const CDefNode* n = stack.back();
        stack.pop_back();
        if (platform::EqualsNoCase(n->Name(), name)) out.push_back(const_cast<CDefNode*>(n));
        for (size_t i = n->ChildCount(); i-- > 0;)
            stack.push_back(n->Child(i));
    }
}

long LongValue(const CDefNode* node, size_t i) {
    const char* v = node->GetValue(i);
    return v ? platform::ParseLong(v, 10) : 0;
}

float FloatValue(const CDefNode* node, size_t i) {
    const char* v = node->GetValue(i);
    return v ? static_cast<float>(platform::ParseDouble(v)) : 0.0f;
}

} // namespace

int CameraPathIdOf(std::string_view name) {
    std::string bare = platform::StripQuotes(name);
    int id = -1;
    if (std::sscanf(bare.c_str(), "c%d", &id) != 1) return -1;
    return id;
}

void CVarnholtMapEditorDoc::SetProgressText(const char* format, size_t count) {
    if (!m_services.progress) return;
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<int>(count));
    m_services.progress->SetText(text);
}

// The scans read the helpers of a mission; a map has none. A scan that runs
// again starts its records afresh, so they never mirror a node twice.
void CVarnholtMapEditorDoc::ScanEvents() {
    CDefNode* root = WorkingRoot();
    CDefNode* helpers = m_kind == Mission && root ? root->Find("Helpers") : nullptr;
    if (!helpers) return;
    m_events.clear();
    for (CDefNode* child : helpers->Children()) {
        if (!platform::EqualsNoCase(child->Name(), "event")) continue;
        SetProgressText("Scanning events %d", m_events.size());
        if (child->ValueCount() == 0) continue;
        auto record = std::make_unique<EventRecord>();
        record->node = child;
        record->name = platform::StripQuotes(child->GetValue(0));
        const char* v1 = child->GetValue(1);
        if (v1 && platform::EqualsNoCase(v1, "id") && child->GetValue(2))
            record->id = static_cast<int32_t>(LongValue(child, 2));
        const char* v3 = child->GetValue(3);
        if (v3 && platform::EqualsNoCase(v3, "state") && child->GetValue(4))
            record->state = static_cast<int32_t>(LongValue(child, 4));
        if (record->id >= 0 && record->id < 256)
            SetTableEntry(history::Table::EventIds, static_cast<uint32_t>(record->id),
                          static_cast<uint32_t>(record->id));
        m_events.push_back(std::move(record));
    }
    SetProgressText("Scanning events %d", m_events.size());
}

void CVarnholtMapEditorDoc::ScanTriggers() {
    CDefNode* root = WorkingRoot();
    CDefNode* helpers = m_kind == Mission && root ? root->Find("Helpers") : nullptr;
    if (!helpers) return;
    m_triggers.clear();
    for (CDefNode* child : helpers->Children()) {
        if (!platform::EqualsNoCase(child->Name(), "trigger")) continue;
        SetProgressText("Scanning triggers %d", m_triggers.size());
        if (child->ValueCount() == 0) continue;
        auto record = std::make_unique<TriggerRecord>();
        record->name = child->GetValue(0);
        record->node = child;
        m_triggers.push_back(std::move(record));
    }
    SetProgressText("Scanning triggers %d", m_triggers.size());
}

void CVarnholtMapEditorDoc::ScanZones() {
    CDefNode* root = WorkingRoot();
    CDefNode* helpers = m_kind == Mission && root ? root->Find("Helpers") : nullptr;
    if (!helpers) return;
    m_zones.clear();
    for (CDefNode* child : helpers->Children()) {
        if (!platform::EqualsNoCase(child->Name(), "zone")) continue;
        SetProgressText("Scanning zone %d", m_zones.size());
        const char* shape = child->GetValue(0);
        if (!shape) continue;
        auto zone = std::make_unique<ZoneRecord>();
        if (platform::ContainsNoCase(shape, "circle"))
            zone->shape = ZoneRecord::Circle;
        else if (platform::ContainsNoCase(shape, "poly"))
            zone->shape = ZoneRecord::Poly;
        else
            continue;
        zone->node = child;
        if (CDefNode* position = FindBelow(child, "position", 3)) {
            zone->x = FloatValue(position, 0);
            zone->y = FloatValue(position, 1);
            zone->z = FloatValue(position, 2);
        }
        if (CDefNode* name = FindBelow(child, "Name", 1)) zone->name = name->GetValue(0);
        if (zone->shape == ZoneRecord::Poly) {
            for (CDefNode* point : child->Children()) {
                if (zone->cornerCount == 4) break;
                if (!platform::EqualsNoCase(point->Name(), "Point")) continue;
                ZonePoint& corner = zone->corners[static_cast<size_t>(zone->cornerCount++)];
                if (point->ValueCount() >= 2)
                    corner = {FloatValue(point, 0), FloatValue(point, 1), zone->z};
            }
        }
        zone->globalWP = FindBelow(child, "GlobalWP");
        if (CDefNode* radius = FindBelow(child, "Radius", 1)) zone->radius = FloatValue(radius, 0);
        m_zones.push_back(std::move(zone));
    }
    SetProgressText("Scanning zone %d", m_zones.size());
}

void CVarnholtMapEditorDoc::ScanCameraPaths() {
    CDefNode* root = WorkingRoot();
    CDefNode* helpers = m_kind == Mission && root ? root->Find("Helpers") : nullptr;
    if (!helpers) return;
    m_cameraPaths.clear();
    for (CDefNode* child : helpers->Children()) {
        if (!platform::EqualsNoCase(child->Name(), "camerapath")) continue;
        SetProgressText("Scanning camerapath %d", m_cameraPaths.size());
        if (child->ValueCount() == 0) continue;
        auto path = std::make_unique<CameraPathRecord>();
        path->node = child;
        path->name = child->GetValue(0);
        int id = CameraPathIdOf(path->name);
        if (id >= 0 && id < 256)
            SetTableEntry(history::Table::CameraPathIds, static_cast<uint32_t>(id),
                          static_cast<uint32_t>(id));
        if (CDefNode* start = FindBelow(child, "Event", 1))
            path->startEvent = static_cast<int32_t>(LongValue(start, 0));
        if (CDefNode* cancel = FindBelow(child, "EvCancel", 1))
            path->cancelEvent = static_cast<int32_t>(LongValue(cancel, 0));
        std::vector<CDefNode*> keys;
        CollectBelow(child, "Key", keys);
        for (CDefNode* keyNode : keys) {
            auto key = std::make_unique<CameraKey>();
            key->node = keyNode;
            key->time = static_cast<int32_t>(LongValue(keyNode, 0));
            for (size_t i = 0; i < 7; ++i)
                key->values[i] = FloatValue(keyNode, i + 1);
            for (size_t i = 0; i < 3; ++i)
                key->flags[i] = static_cast<int32_t>(LongValue(keyNode, i + 8));
            path->keys.push_back(std::move(key));
        }
        m_cameraPaths.push_back(std::move(path));
    }
    SetProgressText("Scanning camerapath %d", m_cameraPaths.size());
}

void CVarnholtMapEditorDoc::ScanAll() {
    ScanEvents();
    ScanTriggers();
    ScanZones();
    ScanCameraPaths();
}

} // namespace document
