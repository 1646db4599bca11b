#pragma once

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefParser.h"
#include "platform/Files.h"
#include "platform/Progress.h"
#include "support/TestSupport.h"

#include <deque>
#include <fstream>
#include <functional>
#include <string>

namespace doc_testing {

// Dialogs with scripted answers; every call is counted.
class ScriptedDialogs : public document::DocumentDialogs {
  public:
    std::deque<std::optional<std::string>> baseMaps;
    std::optional<std::string> mapTemplate;
    std::optional<std::string> pakMember;
    std::deque<std::optional<std::string>> saveNames;
    std::vector<std::string> saveProposals;
    std::function<bool(document::TriggerRecord&, CDefNode&)> trigger;
    std::function<bool(document::BoundsDialogData&)> bounds;
    std::vector<std::string> templatesOffered;
    int baseMapAsked = 0;

    std::optional<std::string> OpenBaseMap() override {
        ++baseMapAsked;
        if (baseMaps.empty()) return std::nullopt;
        auto answer = baseMaps.front();
        baseMaps.pop_front();
        return answer;
    }
    std::optional<std::string>
    ChooseMapTemplate(const std::vector<std::string>& templates) override {
        templatesOffered = templates;
        return mapTemplate;
    }
    std::optional<std::string> PickPakMember(const std::vector<pak::PakMemberInfo>&) override {
        return pakMember;
    }
    std::optional<std::string> AskSaveFileName(std::string_view proposal, bool) override {
        saveProposals.emplace_back(proposal);
        if (saveNames.empty()) return std::nullopt;
        auto answer = saveNames.front();
        saveNames.pop_front();
        return answer;
    }
    bool EditTrigger(document::TriggerRecord& record, CDefNode& node) override {
        return trigger ? trigger(record, node) : false;
    }
    bool EditBounds(document::BoundsDialogData& data) override {
        return bounds ? bounds(data) : false;
    }
};

// Records what the document tells its views and the main frame.
class RecordingHost : public document::DocumentHost {
  public:
    std::vector<int> hints;
    std::vector<int> messages;
    std::optional<std::string> textViewText;
    void UpdateAllViews(document::UpdateHint hint, intptr_t) override {
        hints.push_back(static_cast<int>(hint));
    }
    void SendToMainFrame(document::AppMessage message, intptr_t, intptr_t) override {
        messages.push_back(static_cast<int>(message));
    }
    std::optional<std::string> ActiveTextViewText() override { return textViewText; }
};

class RecordingProgress : public platform::Progress {
  public:
    std::vector<std::string> texts;
    void Start(int) override {}
    void Step() override {}
    void SetText(std::string_view text) override { texts.emplace_back(text); }
    void Close() override {}
};

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::filesystem::path& path) {
    return platform::ReadWholeFile(path).value_or(std::string());
}

// A base map with bounds, its ground and two objects.
inline const char* kBaseMap = R"({map
	{WorldBound -100 -100 100 100}
	{CameraBound -90 -90 90 90}
	{PatherBound -95 -95 95 95}
	{Entity "120_3m:summer" 0x0 {Position 0 0 0}}
	{Entity "house_small" 0x1 {Position 10 10 0}}
	{Entity "oak" 0x2 {Position 20 20 0}}
}
)";

// Everything the documents under test are made of, with the services wired.
struct DocFixture {
    testing_support::RecordingPrompts prompts;
    ScriptedDialogs dialogs;
    RecordingHost host;
    RecordingProgress progress;
    testing_support::TempDir dir;

    document::DocumentServices Services() {
        document::DocumentServices s;
        s.prompts = &prompts;
        s.progress = &progress;
        s.dialogs = &dialogs;
        s.host = &host;
        return s;
    }

    // Writes map and name.mi into the temporary folder and opens the mission.
    std::unique_ptr<CVarnholtMapEditorDoc> OpenMission(const std::string& missionText,
                                                       const std::string& name = "m") {
        WriteText(dir.path() / "map", kBaseMap);
        WriteText(dir.path() / (name + ".mi"), missionText);
        auto doc = std::make_unique<CVarnholtMapEditorDoc>(Services());
        if (!doc->OnOpenDocument((dir.path() / (name + ".mi")).string())) return nullptr;
        return doc;
    }

    std::unique_ptr<CVarnholtMapEditorDoc> OpenMap(const std::string& mapText) {
        WriteText(dir.path() / "map", mapText);
        auto doc = std::make_unique<CVarnholtMapEditorDoc>(Services());
        if (!doc->OnOpenDocument((dir.path() / "map").string())) return nullptr;
        return doc;
    }
};

// The names of a node's children, space-separated.
inline std::string ChildNames(const CDefNode* node) {
    std::string out;
    for (const CDefNode* c : node->Children()) {
        if (!out.empty()) out += ' ';
        out += c->Name();
    }
    return out;
}

inline std::string WriteToText(const CDefNode* node) {
    format::StringSink sink;
    node->WriteNode(sink);
    return sink.text;
}

} // namespace doc_testing
