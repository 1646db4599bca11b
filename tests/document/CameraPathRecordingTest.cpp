// Recording a camera path in a mission: the keys the 'C' presses make, the
// blocks "End camerapath" writes as one undoable step, and the paths that
// are refused or discarded without a trace.

#include "PropertyFormsTestSupport.h"

#include "document/CameraPathRecording.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace doc_testing;
using namespace document;
namespace fs = std::filesystem;

namespace {

// Answers the "Camera Path" dialog from the test and keeps what it offered.
class PathDialogs : public ScriptedDialogs {
  public:
    std::optional<CameraPathStart> answer = CameraPathStart{};
    std::vector<std::vector<std::string>> offered;
    std::optional<CameraPathStart>
    ChooseCameraPathStart(const std::vector<std::string>& triggers) override {
        offered.push_back(triggers);
        return answer;
    }
};

// A block as written, with line feeds only and indented from its own level.
std::string Text(const CDefNode* node) {
    if (!node) return "(none)";
    const std::string written = WriteToText(node);
    const size_t indent = written.find_first_not_of('\t');
    std::string out;
    for (size_t start = 0, end; start < written.size(); start = end + 1) {
        end = written.find('\n', start);
        if (end == std::string::npos) end = written.size();
        std::string line = written.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out += line.substr(std::min(indent, line.find_first_not_of('\t'))) + "\n";
    }
    return out;
}

// The document's records, one line each, in sorted order: a rescan reads
// them in the file's order, which differs from the order they were added in.
std::vector<std::string> SortedRecords(const CVarnholtMapEditorDoc& doc) {
    std::vector<std::string> lines;
    std::string all = DescribeRecords(doc);
    for (size_t start = 0, end; start < all.size(); start = end + 1) {
        end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        lines.push_back(all.substr(start, end - start));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string Serialized(CVarnholtMapEditorDoc& doc) {
    format::StringSink sink;
    doc.Serialize(sink);
    return sink.text;
}

class CameraPathRecordingTest : public ::testing::Test, protected DemoMissionFixture {
  protected:
    void SetUp() override {
        VM_REQUIRE_DEMO_MISSION();
        doc = OpenCrossroads();
        ASSERT_TRUE(doc);
        UsePathDialogs(*doc);
        before = StateOf(*doc);
        beforeText = Serialized(*doc);
    }
    void UsePathDialogs(CVarnholtMapEditorDoc& d) {
        DocumentServices services = d.Services();
        services.dialogs = &pathDialogs;
        d.SetServices(services);
    }
    // Starts a recording and presses 'C' count times at distinct points.
    void Record(CameraPathRecorder& recorder, int count) {
        ASSERT_TRUE(recorder.Start(*doc));
        for (int i = 0; i < count; ++i)
            recorder.Key(10.5f + i, -20.25f - i, 300.0f + 10 * i);
    }
    // Where the mission stands with nothing added, apart from the history.
    void ExpectUnchanged() {
        EXPECT_EQ(StateOf(*doc), before);
        EXPECT_EQ(doc->UndoSteps(), 0u);
        EXPECT_EQ(doc->NextCameraPathId(), 1);
    }

    PathDialogs pathDialogs;
    std::unique_ptr<CVarnholtMapEditorDoc> doc;
    DocumentState before;
    std::string beforeText;
};

TEST_F(CameraPathRecordingTest, PressesMakeKeysHalfASecondApartWithBothPoints) {
    CameraPathRecorder recorder;
    Record(recorder, 5);
    ASSERT_TRUE(recorder.Recording());
    EXPECT_EQ(recorder.Presses(), 5);
    const CameraPathRecord& path = *recorder.Path();
    EXPECT_EQ(path.name, "\"c1\"");
    ASSERT_EQ(path.keys.size(), 3u);
    EXPECT_EQ(path.keys[0]->time, 0);
    EXPECT_EQ(path.keys[1]->time, 500);
    EXPECT_EQ(path.keys[2]->time, 1000);
    // A finished key holds the first press's point and distance, then the
    // second press's point on the ground.
    EXPECT_EQ(Text(path.keys[0]->node),
              "{Key 0 10.500000 -20.250000 300.000000 11.500000 -21.250000 0.000000 0.785398 0 0 "
              "1}\n");
    EXPECT_EQ(Text(path.keys[1]->node),
              "{Key 500 12.500000 -22.250000 320.000000 13.500000 -23.250000 0.000000 0.785398 "
              "0 0 1}\n");
    EXPECT_EQ(path.keys[1]->values,
              (std::array<float, 7>{12.5f, -22.25f, 320.0f, 13.5f, -23.25f, 0.0f, 0.785398f}));
    EXPECT_EQ(path.keys[1]->flags, (std::array<int32_t, 3>{0, 0, 1}));
    // Recording writes nothing into the mission.
    EXPECT_EQ(StateOf(*doc), before);

    // The unfinished third key is dropped at the end.
    CameraPathRecord* stored = recorder.End(*doc);
    ASSERT_TRUE(stored);
    EXPECT_FALSE(recorder.Recording());
    EXPECT_EQ(stored->keys.size(), 2u);
    EXPECT_EQ(ChildNames(stored->node), "Event EvCancel Key Key");
}

TEST_F(CameraPathRecordingTest, FewerThanTwoPositionsGiveTheMessageAndChangeNothing) {
    for (int presses : {0, 1}) {
        CameraPathRecorder recorder;
        Record(recorder, presses);
        EXPECT_EQ(recorder.End(*doc), nullptr);
        EXPECT_FALSE(recorder.Recording());
    }
    EXPECT_EQ(prompts.messages,
              (std::vector<std::string>{kTwoPositionsMessage, kTwoPositionsMessage}));
    EXPECT_TRUE(pathDialogs.offered.empty());
    ExpectUnchanged();
}

TEST_F(CameraPathRecordingTest, MissionBeginWritesPathEventsAndTriggerAsOneUndoableStep) {
    CameraPathRecorder recorder;
    Record(recorder, 4);
    host.messages.clear();
    CameraPathRecord* stored = recorder.End(*doc);
    ASSERT_TRUE(stored);
    ASSERT_EQ(pathDialogs.offered.size(), 1u);
    EXPECT_EQ(pathDialogs.offered[0],
              (std::vector<std::string>{"\"name_here\"", "\"reinforcements\""}));
    EXPECT_TRUE(prompts.messages.empty());

    // The path, its two events and its trigger all live in the mission's helpers.
    CDefNode* helpers = doc->Helpers();
    EXPECT_EQ(doc->FindParent(stored->node), helpers);
    EXPECT_EQ(stored->name, "\"c1\"");
    EXPECT_EQ(stored->cancelEvent, 2);
    EXPECT_EQ(stored->startEvent, 3);
    EXPECT_EQ(doc->CameraPathIds()[1], 1);
    EXPECT_EQ(doc->EventIds()[2], 2);
    EXPECT_EQ(doc->EventIds()[3], 3);
    EXPECT_EQ(Text(helpers->FindChild("event", "\"c1_cancel\"")),
              "{event \"c1_cancel\" id 2 state 0}\n");
    EXPECT_EQ(Text(helpers->FindChild("event", "\"c1_start\"")),
              "{event \"c1_start\" id 3 state 0}\n");
    CDefNode* trigger = helpers->FindChild("trigger", "\"events/c1_start\"");
    EXPECT_EQ(Text(trigger), "{trigger \"events/c1_start\"\n"
                             "\t{condition\n"
                             "\t\t{term \"event\"\n"
                             "\t\t\t{\"id\" 3}\n"
                             "\t\t}\n"
                             "\t}\n"
                             "\t{actions\n"
                             "\t\t{\"camera\"\n"
                             "\t\t\t{\"camera\" \"c1\"}\n"
                             "\t\t\t{\"action\" \"activate\"}\n"
                             "\t\t}\n"
                             "\t}\n"
                             "}\n");
    ASSERT_EQ(doc->Triggers().size(), 3u);
    EXPECT_EQ(doc->Triggers().back()->node, trigger);
    EXPECT_EQ(doc->Triggers().back()->name, "\"events/c1_start\"");
    EXPECT_EQ(doc->CameraPaths().back().get(), stored);
    EXPECT_EQ(std::count(host.messages.begin(), host.messages.end(),
                         static_cast<int>(AppMessage::HelpersChanged)),
              4); // two events, the trigger, the path
    EXPECT_TRUE(doc->IsModified());

    // One step takes it all back, to the byte.
    EXPECT_EQ(doc->UndoSteps(), 1u);
    EXPECT_EQ(doc->UndoName(), "Camera path c1");
    const DocumentState after = StateOf(*doc);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);
    EXPECT_EQ(Serialized(*doc), beforeText);
    ASSERT_TRUE(doc->Redo());
    EXPECT_EQ(StateOf(*doc), after);
}

TEST_F(CameraPathRecordingTest, StartWithTriggerAddsTheStartEventToThatTrigger) {
    pathDialogs.answer = CameraPathStart{true, "\"reinforcements\""};
    CameraPathRecorder recorder;
    Record(recorder, 2);
    ASSERT_TRUE(recorder.End(*doc));
    CDefNode* chosen = doc->Helpers()->FindChild("trigger", "\"reinforcements\"");
    EXPECT_EQ(Text(chosen), "{trigger \"reinforcements\"\n"
                            "\t{condition \"event\" 1}\n"
                            "\t{actions\n"
                            "\t\t{\"event\"\n"
                            "\t\t\t{\"event\" 3}\n"
                            "\t\t\t{\"mode\" \"set\"}\n"
                            "\t\t\t{\"delay\" \"1.000000\"}\n"
                            "\t\t}\n"
                            "\t}\n"
                            "}\n");
    // The chosen trigger is mirrored once, as before.
    EXPECT_EQ(std::count_if(doc->Triggers().begin(), doc->Triggers().end(),
                            [&](const auto& t) { return t->node == chosen; }),
              1);
    EXPECT_EQ(doc->Triggers().size(), 3u);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);

    // A trigger the mission lacks is made; a name it could not read back is refused.
    pathDialogs.answer = CameraPathStart{true, "\"late\"\"}"};
    Record(recorder, 2);
    EXPECT_EQ(recorder.End(*doc), nullptr);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(StateOf(*doc), before);
    pathDialogs.answer = CameraPathStart{true, "\"late\""};
    Record(recorder, 2);
    ASSERT_TRUE(recorder.End(*doc));
    CDefNode* made = doc->Helpers()->FindChild("trigger", "\"late\"");
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->Find("\"event\"", "3"));
    EXPECT_EQ(doc->Triggers().size(), 4u);
    ASSERT_TRUE(doc->Undo());
    EXPECT_EQ(StateOf(*doc), before);
}

TEST_F(CameraPathRecordingTest, ASavedPathReadsBackAsTheSameRecord) {
    pathDialogs.answer = CameraPathStart{true, "\"name_here\""};
    CameraPathRecorder recorder;
    Record(recorder, 6);
    CameraPathRecord* stored = recorder.End(*doc);
    ASSERT_TRUE(stored);
    const fs::path path = dir.path() / "saved.mi";
    ASSERT_TRUE(doc->OnSaveDocument(path.string()));

    auto reopened = Reopen(path);
    ASSERT_TRUE(reopened);
    const CameraPathRecord* read = nullptr;
    for (const auto& p : reopened->CameraPaths())
        if (p->name == stored->name) read = p.get();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->startEvent, stored->startEvent);
    EXPECT_EQ(read->cancelEvent, stored->cancelEvent);
    ASSERT_EQ(read->keys.size(), stored->keys.size());
    for (size_t i = 0; i < read->keys.size(); ++i) {
        EXPECT_EQ(read->keys[i]->time, stored->keys[i]->time) << i;
        EXPECT_EQ(read->keys[i]->values, stored->keys[i]->values) << i;
        EXPECT_EQ(read->keys[i]->flags, stored->keys[i]->flags) << i;
    }
    EXPECT_EQ(reopened->CameraPathIds()[1], 1);
    EXPECT_EQ(reopened->NextEventId(), 4);
    // Events and triggers read back as the records the path made.
    EXPECT_EQ(SortedRecords(*reopened), SortedRecords(*doc));
}

TEST_F(CameraPathRecordingTest, AMissionWithoutHelpersGetsThemAndShowsThePathWhenReopened) {
    auto bare = OpenMission("{mission\n\t{Entity \"dog\" 0x8000 {Position 1 2 0}}\n"
                            "\t{Players {Player 0 \"USA\"}}\n}\n",
                            "bare");
    ASSERT_TRUE(bare);
    bare->ScanAll();
    UsePathDialogs(*bare);
    CameraPathRecorder recorder;
    ASSERT_TRUE(recorder.Start(*bare));
    recorder.Key(1, 2, 3);
    recorder.Key(4, 5, 6);
    CameraPathRecord* stored = recorder.End(*bare);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->name, "\"c0\"");
    EXPECT_EQ(ChildNames(bare->WorkingRoot()), "Entity Helpers Players");
    EXPECT_EQ(ChildNames(bare->Helpers()), "event event trigger camerapath");

    const fs::path path = dir.path() / "bare_saved.mi";
    ASSERT_TRUE(bare->OnSaveDocument(path.string()));
    auto reopened = Reopen(path);
    ASSERT_TRUE(reopened);
    ASSERT_EQ(reopened->CameraPaths().size(), 1u);
    EXPECT_EQ(SortedRecords(*reopened), SortedRecords(*bare));
    EXPECT_EQ(reopened->CameraPathIds()[0], 0);
}

TEST_F(CameraPathRecordingTest, IdsAreTakenOnlyWhenAPathIsWritten) {
    // Two recordings started together both see c1; the second to end moves on.
    CameraPathRecorder first, second;
    Record(first, 2);
    Record(second, 2);
    EXPECT_EQ(second.Path()->name, "\"c1\"");
    ASSERT_TRUE(first.End(*doc));
    CameraPathRecord* later = second.End(*doc);
    ASSERT_TRUE(later);
    EXPECT_EQ(later->name, "\"c2\"");
    EXPECT_TRUE(doc->Helpers()->FindChild("trigger", "\"events/c2_start\""));

    // With every id in use, a recording cannot start.
    for (int id = 0; id < 255; ++id)
        doc->MarkCameraPathId(id);
    EXPECT_FALSE(first.Start(*doc));
    EXPECT_FALSE(first.Recording());
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{kTooManyCameraPathsMessage}));
}

TEST_F(CameraPathRecordingTest, WithoutTwoFreeEventIdsNothingIsWritten) {
    // Leave one event id: the cancel event would get it, the start event not.
    while (doc->NextEventId() != 254)
        ASSERT_GE(doc->AddEvent("\"filler\""), 0);
    doc->ClearHistory();
    before = StateOf(*doc);
    CameraPathRecorder recorder;
    Record(recorder, 2);
    EXPECT_EQ(recorder.End(*doc), nullptr);
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{kTooManyEventsMessage}));
    ExpectUnchanged();
}

TEST_F(CameraPathRecordingTest, DiscardedPathsLeaveNothingAndUseNoId) {
    pathDialogs.answer = std::nullopt;
    CameraPathRecorder recorder;
    Record(recorder, 2);
    EXPECT_EQ(recorder.End(*doc), nullptr);
    EXPECT_EQ(pathDialogs.offered.size(), 1u);
    // Starting anew drops the unfinished recording.
    Record(recorder, 3);
    Record(recorder, 1);
    EXPECT_EQ(recorder.Path()->keys.size(), 1u);
    recorder.Cancel();
    EXPECT_EQ(recorder.End(*doc), nullptr);
    EXPECT_TRUE(prompts.messages.empty());
    ExpectUnchanged();

    // A map keeps no camera paths: the path goes without a word.
    auto map = OpenMap(kBaseMap);
    ASSERT_TRUE(map);
    UsePathDialogs(*map);
    pathDialogs.answer = CameraPathStart{};
    const DocumentState mapBefore = StateOf(*map);
    ASSERT_TRUE(recorder.Start(*map));
    recorder.Key(1, 2, 3);
    recorder.Key(4, 5, 6);
    EXPECT_EQ(recorder.End(*map), nullptr);
    EXPECT_EQ(StateOf(*map), mapBefore);
    EXPECT_EQ(map->UndoSteps(), 0u);
    EXPECT_EQ(map->NextCameraPathId(), 0);
    EXPECT_EQ(pathDialogs.offered.size(), 1u);
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
