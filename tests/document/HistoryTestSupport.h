#pragma once

#include "DocTestSupport.h"

#include "document/VarnholtMapEditorDoc.h"

#include <string>
#include <vector>

namespace doc_testing {

// Everything an undo must put back, in comparable form: the text a save
// writes (base map included, locked nodes too), the identifier tables and
// the records by value.
struct DocumentState {
    std::string text;
    std::vector<uint32_t> ids, mids;
    std::vector<uint8_t> eventIds, cameraPathIds;
    std::string records;
    int playerSide = 0;
    float world[4] = {0, 0, 0, 0};
    bool operator==(const DocumentState&) const = default;
};

inline std::string DescribeRecords(const CVarnholtMapEditorDoc& doc) {
    std::string out;
    auto add = [&](const std::string& s) { out += s + "\n"; };
    for (const auto& z : doc.Zones())
        add("zone " + z->name + " " + std::to_string(z->x) + " " + std::to_string(z->radius) + " " +
            std::to_string(z->cornerCount) + " node " + (z->node ? WriteToText(z->node) : ""));
    for (const auto& e : doc.Events())
        add("event " + e->name + " " + std::to_string(e->id) + " " + std::to_string(e->state) +
            " node " + (e->node ? WriteToText(e->node) : ""));
    for (const auto& t : doc.Triggers())
        add("trigger " + t->name + " node " + (t->node ? WriteToText(t->node) : ""));
    for (const auto& p : doc.CameraPaths()) {
        add("path " + p->name + " " + std::to_string(p->startEvent) + " " +
            std::to_string(p->cancelEvent) + " keys " + std::to_string(p->keys.size()) + " node " +
            (p->node ? WriteToText(p->node) : ""));
        for (const auto& k : p->keys)
            add(" key " + std::to_string(k->time) + (k->node ? WriteToText(k->node) : ""));
    }
    return out;
}

inline DocumentState StateOf(CVarnholtMapEditorDoc& doc) {
    DocumentState s;
    for (const auto& root : doc.Roots()) {
        // Locked nodes are skipped by the writer; the base map must not
        // change either, so it is written with its lock lifted.
        format::StringSink sink;
        std::vector<CDefNode*> stack{root.get()};
        std::vector<CDefNode*> locked;
        while (!stack.empty()) {
            CDefNode* n = stack.back();
            stack.pop_back();
            if (n->locked) locked.push_back(n);
            n->locked = false;
            for (CDefNode* c : n->Children())
                stack.push_back(c);
        }
        root->WriteNode(sink);
        for (CDefNode* n : locked)
            n->locked = true;
        s.text += sink.text;
    }
    for (uint32_t i = 0; i < format::kRegistrySize; ++i) {
        if (doc.IdInUse(i)) s.ids.push_back(i);
        if (doc.MidInUse(i)) s.mids.push_back(i);
    }
    s.eventIds.assign(doc.EventIds(), doc.EventIds() + 256);
    s.cameraPathIds.assign(doc.CameraPathIds(), doc.CameraPathIds() + 256);
    s.records = DescribeRecords(doc);
    s.playerSide = doc.PlayerSide();
    const auto& w = doc.WorldRect();
    s.world[0] = w.left, s.world[1] = w.top, s.world[2] = w.right, s.world[3] = w.bottom;
    return s;
}

} // namespace doc_testing
