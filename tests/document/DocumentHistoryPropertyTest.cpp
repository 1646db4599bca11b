// Random runs of edits on the demo game's missions, mixed with undos and
// redos: every position of the history, reached again by undo or redo, shows
// exactly the text, tables and records it had, held by the same node objects;
// no record ever points at a node that has left the document, and a view
// that follows only the change notices keeps up with the tree.

#include "HistoryTestSupport.h"

#include "document/EntityProps.h"
#include "document/EntryEdit.h"
#include "document/EnvironmentPresets.h"
#include "pak/PakArchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <unordered_set>

using namespace doc_testing;
using document::CVarnholtMapEditorDoc;
namespace fs = std::filesystem;

namespace {

// A small deterministic generator (xorshift): the same seed gives the same
// run with every standard library.
class Random {
  public:
    explicit Random(uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }
    // 0 .. n-1; n must not be 0.
    size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
    bool Chance(int percent) { return Below(100) < static_cast<size_t>(percent); }
    template <typename T> T* Pick(const std::vector<T*>& from) {
        return from.empty() ? nullptr : from[Below(from.size())];
    }

  private:
    uint64_t m_state;
};

// Every node of the subtree, parents before children.
std::vector<CDefNode*> Subtree(CDefNode* root) {
    std::vector<CDefNode*> nodes;
    if (root) nodes.push_back(root);
    for (size_t i = 0; i < nodes.size(); ++i)
        for (CDefNode* c : nodes[i]->Children())
            nodes.push_back(c);
    return nodes;
}

std::vector<const CDefNode*> AllNodes(const CVarnholtMapEditorDoc& doc) {
    std::vector<const CDefNode*> nodes;
    for (const auto& root : doc.Roots())
        for (CDefNode* n : Subtree(root.get()))
            nodes.push_back(n);
    return nodes;
}

// Every node a record points at, in record order.
std::vector<const CDefNode*> RecordNodes(const CVarnholtMapEditorDoc& doc) {
    std::vector<const CDefNode*> nodes;
    for (const auto& z : doc.Zones()) {
        nodes.push_back(z->node);
        nodes.push_back(z->globalWP);
    }
    for (const auto& e : doc.Events())
        nodes.push_back(e->node);
    for (const auto& t : doc.Triggers())
        nodes.push_back(t->node);
    for (const auto& p : doc.CameraPaths()) {
        nodes.push_back(p->node);
        for (const auto& k : p->keys)
            nodes.push_back(k->node);
    }
    return nodes;
}

// The first record pointer that leads outside the document; empty when none does.
std::string StrayRecord(const CVarnholtMapEditorDoc& doc) {
    const std::vector<const CDefNode*> all = AllNodes(doc);
    const std::unordered_set<const CDefNode*> inside(all.begin(), all.end());
    auto stray = [&](const CDefNode* n) { return n && !inside.count(n); };
    for (const auto& z : doc.Zones()) {
        if (stray(z->node)) return "zone " + z->name;
        if (stray(z->globalWP)) return "GlobalWP of zone " + z->name;
    }
    for (const auto& e : doc.Events())
        if (stray(e->node)) return "event " + e->name;
    for (const auto& t : doc.Triggers())
        if (stray(t->node)) return "trigger " + t->name;
    for (const auto& p : doc.CameraPaths()) {
        if (stray(p->node)) return "camera path " + p->name;
        for (const auto& k : p->keys)
            if (stray(k->node)) return "key " + std::to_string(k->time) + " of " + p->name;
    }
    return {};
}

// What one position of the history must look like whenever it is reached.
struct Snapshot {
    DocumentState state;
    std::vector<const CDefNode*> nodes;
    std::vector<const CDefNode*> recordNodes;
};

Snapshot SnapshotOf(CVarnholtMapEditorDoc& doc) {
    return {StateOf(doc), AllNodes(doc), RecordNodes(doc)};
}

std::string FirstDifferentLine(const std::string& a, const std::string& b) {
    std::istringstream left(a), right(b);
    std::string l, r;
    for (int line = 1;; ++line) {
        const bool moreLeft = static_cast<bool>(std::getline(left, l));
        const bool moreRight = static_cast<bool>(std::getline(right, r));
        if (!moreLeft && !moreRight) return {};
        if (!moreLeft || !moreRight || l != r)
            return "line " + std::to_string(line) + ": \"" + (moreLeft ? l : "(end)") +
                   "\" where \"" + (moreRight ? r : "(end)") + "\" was expected";
    }
}

// How the document differs from what it should be; empty when it does not.
std::string Difference(const Snapshot& is, const Snapshot& expected) {
    const DocumentState &a = is.state, &b = expected.state;
    if (a.text != b.text) return "text, " + FirstDifferentLine(a.text, b.text);
    if (a.ids != b.ids) return "the entity ID table";
    if (a.mids != b.mids) return "the MID table";
    if (a.eventIds != b.eventIds) return "the event id table";
    if (a.cameraPathIds != b.cameraPathIds) return "the camera path id table";
    if (a.records != b.records) return "records, " + FirstDifferentLine(a.records, b.records);
    if (a.playerSide != b.playerSide) return "the player side";
    if (!std::equal(std::begin(a.world), std::end(a.world), std::begin(b.world)))
        return "the world bounds";
    if (is.nodes != expected.nodes) return "the same text is held by other node objects";
    if (is.recordNodes != expected.recordNodes) return "records point at other node objects";
    return {};
}

// A view that keeps its own list of the roots and of the working root's
// children (the element tree's top level) from the change notices alone.
class MirroringView : public document::DocumentObserver {
  public:
    explicit MirroringView(CVarnholtMapEditorDoc& doc) : m_doc(doc), m_root(doc.WorkingRoot()) {
        for (const auto& r : doc.Roots())
            m_roots.push_back(r.get());
        m_elements.assign(m_root->Children().begin(), m_root->Children().end());
        doc.AddObserver(this);
    }
    ~MirroringView() override { m_doc.RemoveObserver(this); }

    void OnDocumentChange(const document::DocumentChange& c) override {
        std::vector<const CDefNode*>* list = c.parent == nullptr  ? &m_roots
                                             : c.parent == m_root ? &m_elements
                                                                  : nullptr;
        if (!list) return;
        const auto at = list->begin() + static_cast<long>(std::min(c.index, list->size()));
        if (c.kind == document::ChangeKind::Inserted) {
            list->insert(at, c.node);
        } else if (c.kind == document::ChangeKind::Removed) {
            if (c.index >= list->size() || (*list)[c.index] != c.node)
                m_wrong = "a removal notice names a node that is not there";
            else
                list->erase(at);
        }
    }
    // What the view got wrong; empty when it follows the document.
    std::string Wrong() const {
        if (!m_wrong.empty()) return m_wrong;
        std::vector<const CDefNode*> roots;
        for (const auto& r : m_doc.Roots())
            roots.push_back(r.get());
        if (roots != m_roots) return "the view's roots differ";
        if (!std::equal(m_elements.begin(), m_elements.end(), m_root->Children().begin(),
                        m_root->Children().end()))
            return "the view's elements differ";
        return {};
    }

  private:
    CVarnholtMapEditorDoc& m_doc;
    const CDefNode* m_root;
    std::vector<const CDefNode*> m_roots, m_elements;
    std::string m_wrong;
};

// The demo game's missions with their maps, extracted once for all tests.
class DocumentHistoryPropertyTest : public ::testing::TestWithParam<uint64_t>,
                                    protected DocFixture {
  protected:
    static void SetUpTestSuite() {
        const fs::path pakPath = fs::path(VM_DEMO_GAME) / "game.pak";
        if (!fs::exists(pakPath)) return;
        s_dir = new testing_support::TempDir;
        pak::CPakArchive pak;
        if (!pak.Open(pakPath) || !pak.List()) return;
        std::vector<std::string> wanted;
        for (const auto& m : pak.Members()) {
            std::string lower = m.name;
            for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (lower.size() > 3 && lower.ends_with(".mi")) {
                wanted.push_back(lower);
                wanted.push_back(fs::path(lower).parent_path().string() + "/map");
                s_missions.push_back(s_dir->path() / lower);
            }
        }
        if (!pak.Extract({}, wanted, s_dir->path())) s_missions.clear();
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
        s_missions.clear();
    }
    void SetUp() override {
        if (s_missions.empty())
            GTEST_SKIP() << "demo game missions not available: " << VM_DEMO_GAME;
    }

    inline static testing_support::TempDir* s_dir = nullptr;
    inline static std::vector<fs::path> s_missions;

    // --- the edits -------------------------------------------------------------------------
    // Each picks its targets at random and returns a description of what it
    // did, or an empty string when the document offers nothing to do it on.

    std::vector<CDefNode*> Elements(CVarnholtMapEditorDoc& doc, std::string_view name = {}) {
        std::vector<CDefNode*> out;
        for (CDefNode* c : doc.WorkingRoot()->Children())
            if (!c->locked && (name.empty() || c->Name() == name)) out.push_back(c);
        return out;
    }
    std::vector<CDefNode*> EntitiesWith(CVarnholtMapEditorDoc& doc, const char* child) {
        std::vector<CDefNode*> out;
        for (CDefNode* e : Elements(doc, "Entity"))
            if (e->ValueCount() >= 2 && (!child || e->FindChild(child))) out.push_back(e);
        return out;
    }
    // The working root's nodes below it, locked ones left out.
    std::vector<CDefNode*> InnerNodes(CVarnholtMapEditorDoc& doc) {
        std::vector<CDefNode*> out;
        for (CDefNode* n : Subtree(doc.WorkingRoot()))
            if (n != doc.WorkingRoot() && !n->locked) out.push_back(n);
        return out;
    }
    static std::string Label(const CDefNode* n) {
        std::string text(n->Name());
        for (std::string_view v : n->Values())
            text += " " + std::string(v);
        return text;
    }

    std::string Place(CVarnholtMapEditorDoc& doc, Random& rng) {
        document::NewEntity entity;
        CDefNode* model = rng.Chance(60) ? rng.Pick(EntitiesWith(doc, nullptr)) : nullptr;
        if (model) {
            entity.node = std::make_unique<CDefNode>();
            entity.node->CopyFrom(*model);
        } else {
            entity.node = std::make_unique<CDefNode>("Entity", "m4a2");
            entity.node->AddChildFloat("Turn", 0.0);
        }
        entity.category = rng.Chance(70) ? 0 : 8;
        CDefNode* placed = doc.AddEntity(entity);
        return placed ? "place " + Label(placed) : std::string();
    }

    std::string DeleteElement(CVarnholtMapEditorDoc& doc, Random& rng) {
        std::vector<CDefNode*> targets = Elements(doc);
        if (CDefNode* helpers = doc.Helpers())
            for (CDefNode* c : helpers->Children())
                targets.push_back(c);
        CDefNode* target = rng.Pick(targets);
        if (!target) return {};
        const std::string label = Label(target);
        return doc.DeleteElement(target) ? "delete element " + label : std::string();
    }

    std::string DeleteNode(CVarnholtMapEditorDoc& doc, Random& rng) {
        CDefNode* target = rng.Pick(InnerNodes(doc));
        if (!target) return {};
        const std::string label = Label(target);
        return doc.DeleteNode(target) ? "delete node " + label : std::string();
    }

    std::string DeleteWaypoint(CVarnholtMapEditorDoc& doc, Random& rng) {
        CDefNode* helpers = doc.Helpers();
        CDefNode* waypoints = helpers ? helpers->FindChild("waypoints") : nullptr;
        if (!waypoints || waypoints->ChildCount() == 0) return {};
        CDefNode* target = waypoints->Child(rng.Below(waypoints->ChildCount()));
        prompts.answers = {rng.Chance(50), rng.Chance(50), rng.Chance(50)};
        const std::string label = Label(target);
        return doc.DeleteWaypoint(target) ? "delete waypoint " + label : std::string();
    }

    std::string RemoveZone(CVarnholtMapEditorDoc& doc, Random& rng) {
        if (doc.Zones().empty()) return {};
        document::ZoneRecord* zone = doc.Zones()[rng.Below(doc.Zones().size())].get();
        const std::string label = zone->name;
        doc.RemoveZone(zone);
        return "remove zone " + label;
    }

    std::string EditEntry(CVarnholtMapEditorDoc& doc, Random& rng) {
        CDefNode* target = rng.Pick(InnerNodes(doc));
        if (!target) return {};
        CDefNode copy;
        copy.CopyFrom(*target);
        auto map = document::PairEntryCopy(*target, copy);
        std::string what = "edit entry " + Label(target) + ":";
        std::vector<CDefNode*> copied = Subtree(&copy);
        for (size_t n = 1 + rng.Below(3); n-- > 0;) {
            CDefNode* node = rng.Pick(copied);
            if (node->ValueCount() > 0) {
                const size_t i = rng.Below(node->ValueCount());
                node->SetValue(i, std::to_string(rng.Below(1000)));
                what += " value " + std::to_string(i) + " of " + std::string(node->Name());
            }
        }
        // Removing a child in the copy deletes it through the document;
        // only nodes still in the copy may be picked afterwards, so it comes last.
        if (rng.Chance(40)) {
            CDefNode* node = rng.Pick(copied);
            if (node->ChildCount() > 0) {
                const size_t i = rng.Below(node->ChildCount());
                what += " remove " + std::string(node->Child(i)->Name());
                node->RemoveChild(i);
            }
        }
        document::WriteEntryCopy(&doc, *target, copy, map);
        return what;
    }

    std::string Paste(CVarnholtMapEditorDoc& doc, Random& rng) {
        std::vector<CDefNode*> sources = InnerNodes(doc);
        CDefNode* source = rng.Pick(sources);
        if (!source) return {};
        CDefNode* parent = nullptr;
        if (rng.Chance(10))
            parent = nullptr; // the root list
        else if (rng.Chance(50))
            parent = doc.WorkingRoot();
        else
            parent = rng.Pick(sources);
        const size_t count = 1 + rng.Below(3);
        const size_t index = rng.Below(parent ? parent->ChildCount() + 2 : doc.Roots().size() + 2);
        CVarnholtMapEditorDoc::Edit edit(doc, "Paste");
        for (size_t i = 0; i < count; ++i) {
            auto node = std::make_unique<CDefNode>();
            node->CopyFrom(*source);
            if (!doc.InsertSubtree(parent, index, std::move(node), "Paste")) return {};
        }
        return "paste " + std::to_string(count) + " x " + Label(source) + " below " +
               (parent ? Label(parent) : std::string("the roots")) + " at " + std::to_string(index);
    }

    std::string Board(CVarnholtMapEditorDoc& doc, Random& rng) {
        CDefNode* passenger = rng.Pick(EntitiesWith(doc, "Breed"));
        CDefNode* vehicle = rng.Pick(EntitiesWith(doc, "MID"));
        if (!passenger || !vehicle) return {};
        const int seat = static_cast<int>(rng.Below(16)); // 14 and 15 are refused
        return document::BoardVehicle(doc, *passenger, *vehicle, seat)
                   ? "board " + Label(passenger) + " into " + Label(vehicle) + " seat " +
                         std::to_string(seat)
                   : std::string();
    }

    std::string Couple(CVarnholtMapEditorDoc& doc, Random& rng) {
        CDefNode* front = rng.Pick(EntitiesWith(doc, "MID"));
        CDefNode* back = rng.Pick(EntitiesWith(doc, nullptr));
        if (!front || !back) return {};
        return doc.CoupleTrainParts(*front, *back)
                   ? "couple " + Label(back) + " behind " + Label(front)
                   : std::string();
    }

    std::string AddEvent(CVarnholtMapEditorDoc& doc, Random& rng) {
        const std::string name = "\"e" + std::to_string(rng.Below(100)) + "\"";
        return "add event " + std::to_string(doc.AddEvent(name));
    }

    std::string AddTrigger(CVarnholtMapEditorDoc& doc, Random& rng) {
        CDefNode* unit = rng.Pick(EntitiesWith(doc, "MID"));
        if (!unit) return {};
        const unsigned long mid = std::strtoul(unit->FindChild("MID")->GetValue(0), nullptr, 10);
        const unsigned long uid = 1 + rng.Below(4);
        const bool accept = rng.Chance(80);
        dialogs.trigger = [&, accept](document::TriggerRecord& record, CDefNode& node) {
            record.name = "\"t" + std::to_string(rng.Below(100)) + "\"";
            node.SetValue(0, record.name);
            return accept;
        };
        CDefNode* stored = doc.AddWaypointTrigger(mid, uid);
        dialogs.trigger = nullptr;
        return stored ? "trigger mid " + std::to_string(mid) + " to " + std::to_string(uid)
                      : std::string();
    }

    std::string StoreZone(CVarnholtMapEditorDoc& doc, Random& rng) {
        CVarnholtMapEditorDoc::Edit edit(doc, "Add zone");
        auto zone = std::make_unique<document::ZoneRecord>();
        zone->name = "\"z" + std::to_string(rng.Below(100)) + "\"";
        zone->radius = static_cast<float>(5 + rng.Below(20));
        if (rng.Chance(50)) {
            zone->shape = document::ZoneRecord::Poly;
            zone->cornerCount = 4;
            for (size_t i = 0; i < 4; ++i)
                zone->corners[i] = {static_cast<float>(i), static_cast<float>(i * 2), 0};
        }
        document::ZoneRecord* record = doc.AddZoneRecord(std::move(zone));
        return doc.StoreZone(record) ? "store zone " + record->name : std::string();
    }

    std::string Environment(CVarnholtMapEditorDoc& doc, Random& rng) {
        static const char* const kNames[] = {"day", "night", "dusk", "night_storm"};
        const char* name = kNames[rng.Below(4)];
        const bool sky = rng.Chance(50);
        return document::ApplyEnvironment(doc, name, sky).done
                   ? std::string("environment ") + name + (sky ? " with sky" : "")
                   : std::string();
    }

    std::string Bounds(CVarnholtMapEditorDoc& doc, Random& rng) {
        // Whole numbers, so that the text the bounds are stored as reads
        // back as the same floats.
        const float shrink = static_cast<float>(1 + rng.Below(20));
        dialogs.bounds = [shrink](document::BoundsDialogData& data) {
            data.world.left += shrink;
            data.camera.right -= shrink;
            data.pather.top += shrink;
            return true;
        };
        const bool done = doc.ReadBounds();
        dialogs.bounds = nullptr;
        return done ? "bounds " + std::to_string(shrink) : std::string();
    }

    std::string PlayerSide(CVarnholtMapEditorDoc& doc, Random& rng) {
        const int side = static_cast<int>(rng.Below(4));
        doc.SetPlayerSide(side);
        return "player side " + std::to_string(side);
    }

    std::string UnitRecord(CVarnholtMapEditorDoc& doc, Random& rng) {
        CDefNode* unit = rng.Pick(EntitiesWith(doc, "MID"));
        if (!unit) return {};
        document::CUnitProps props;
        props.Read(*unit, doc);
        props.turn = static_cast<double>(rng.Below(360));
        props.player = rng.Below(4);
        props.fireMode = static_cast<int>(rng.Below(3));
        props.hold = static_cast<int>(rng.Below(2));
        document::ApplyRecord(doc, *unit, props, "Unit properties");
        return "unit record " + Label(unit);
    }

    std::string RandomEdit(CVarnholtMapEditorDoc& doc, Random& rng) {
        using Op = std::string (DocumentHistoryPropertyTest::*)(CVarnholtMapEditorDoc&, Random&);
        static const Op kOps[] = {
            &DocumentHistoryPropertyTest::Place,
            &DocumentHistoryPropertyTest::Place,
            &DocumentHistoryPropertyTest::DeleteElement,
            &DocumentHistoryPropertyTest::DeleteElement,
            &DocumentHistoryPropertyTest::DeleteNode,
            &DocumentHistoryPropertyTest::DeleteWaypoint,
            &DocumentHistoryPropertyTest::RemoveZone,
            &DocumentHistoryPropertyTest::EditEntry,
            &DocumentHistoryPropertyTest::EditEntry,
            &DocumentHistoryPropertyTest::Paste,
            &DocumentHistoryPropertyTest::Paste,
            &DocumentHistoryPropertyTest::Board,
            &DocumentHistoryPropertyTest::Couple,
            &DocumentHistoryPropertyTest::AddEvent,
            &DocumentHistoryPropertyTest::AddTrigger,
            &DocumentHistoryPropertyTest::StoreZone,
            &DocumentHistoryPropertyTest::Environment,
            &DocumentHistoryPropertyTest::Bounds,
            &DocumentHistoryPropertyTest::PlayerSide,
            &DocumentHistoryPropertyTest::UnitRecord,
        };
        return (this->*kOps[rng.Below(std::size(kOps))])(doc, rng);
    }
};

// What was done so far, for the failure messages.
std::string Trail(const std::vector<std::string>& log) {
    std::ostringstream out;
    for (size_t i = 0; i < log.size(); ++i)
        out << "\n  " << i + 1 << ". " << log[i];
    return out.str();
}

TEST_P(DocumentHistoryPropertyTest, EveryPositionOfTheHistoryComesBackExactly) {
    for (const fs::path& mission : s_missions) {
        SCOPED_TRACE(mission.filename().string() + " seed " + std::to_string(GetParam()));
        // Each mission gets its own run: the seed mixed with the file name.
        uint64_t salt = 1469598103934665603ull;
        for (char c : mission.filename().string())
            salt = (salt ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        Random rng(GetParam() ^ salt);
        auto doc = std::make_unique<CVarnholtMapEditorDoc>(Services());
        ASSERT_TRUE(doc->OnOpenDocument(mission.string()));
        ASSERT_TRUE(doc->WorkingRoot());
        // The bounds the document knows are read from the map first, as
        // opening the bounds dialog does (a cancelled dialog changes nothing).
        doc->ReadBounds();
        ASSERT_FALSE(doc->CanUndo());
        MirroringView view(*doc);

        // positions[k]: the document with k steps to undo on the current branch.
        std::vector<Snapshot> positions{SnapshotOf(*doc)};
        std::vector<std::string> log;
        const size_t edits = 20 + rng.Below(21);
        for (size_t done = 0; done < edits;) {
            const size_t depth = doc->UndoSteps();
            ASSERT_EQ(positions.size(), depth + 1 + doc->RedoSteps()) << Trail(log);
            if (rng.Chance(20) && (doc->CanUndo() || doc->CanRedo())) {
                // A few undos, or redos, and back where the history says.
                const bool back = doc->CanUndo() && (!doc->CanRedo() || rng.Chance(60));
                for (size_t n = 1 + rng.Below(3); n-- > 0;) {
                    if (!(back ? doc->Undo() : doc->Redo())) break;
                    log.push_back(back ? "undo" : "redo");
                    ASSERT_EQ(Difference(SnapshotOf(*doc), positions[doc->UndoSteps()]), "")
                        << Trail(log);
                    ASSERT_EQ(StrayRecord(*doc), "") << Trail(log);
                    ASSERT_EQ(view.Wrong(), "") << Trail(log);
                }
                continue;
            }
            std::string what = RandomEdit(*doc, rng);
            // An edit with nothing to work on is checked all the same.
            if (what.empty())
                what = "(an edit that found nothing to do)";
            else
                ++done;
            log.push_back(what);
            ASSERT_FALSE(doc->InEdit()) << Trail(log);
            ASSERT_EQ(StrayRecord(*doc), "") << Trail(log);
            ASSERT_EQ(view.Wrong(), "") << Trail(log);
            Snapshot now = SnapshotOf(*doc);
            if (doc->UndoSteps() == depth + 1) {
                ASSERT_FALSE(doc->CanRedo()) << Trail(log);
                positions.resize(depth + 1);
                positions.push_back(std::move(now));
            } else {
                // An edit that leaves no step must have changed nothing.
                ASSERT_EQ(doc->UndoSteps(), depth) << Trail(log);
                ASSERT_EQ(Difference(now, positions[depth]), "") << Trail(log);
                log.back() += " (no step)";
            }
        }

        // Undo everything: the document as opened. Redo everything: as last
        // edited. Then half way back: as it was there.
        while (doc->CanRedo())
            ASSERT_TRUE(doc->Redo());
        const size_t steps = doc->UndoSteps();
        ASSERT_EQ(positions.size(), steps + 1);
        while (doc->CanUndo())
            ASSERT_TRUE(doc->Undo());
        EXPECT_EQ(Difference(SnapshotOf(*doc), positions.front()), "") << Trail(log);
        EXPECT_FALSE(doc->IsModified());
        while (doc->CanRedo())
            ASSERT_TRUE(doc->Redo());
        EXPECT_EQ(Difference(SnapshotOf(*doc), positions.back()), "") << Trail(log);
        for (size_t n = steps - steps / 2; n-- > 0;)
            ASSERT_TRUE(doc->Undo());
        EXPECT_EQ(Difference(SnapshotOf(*doc), positions[steps / 2]), "") << Trail(log);
        EXPECT_EQ(StrayRecord(*doc), "") << Trail(log);
        EXPECT_EQ(view.Wrong(), "") << Trail(log);
        // The document is destroyed with steps on both sides of the history.
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, DocumentHistoryPropertyTest, ::testing::Range<uint64_t>(1, 11));

} // namespace
