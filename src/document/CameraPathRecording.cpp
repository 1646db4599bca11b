#include "document/CameraPathRecording.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/DefGuard.h"
#include "format/DefNode.h"
#include "platform/Prompts.h"
#include "platform/Text.h"

#include <optional>
#include <string>
#include <vector>

namespace document {

namespace {

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

void Tell(const CVarnholtMapEditorDoc& doc, std::string_view text) {
    if (platform::Prompts* prompts = doc.Services().prompts)
        prompts->Message(text, platform::Icon::Warning);
}

void TellHelpersChanged(const CVarnholtMapEditorDoc& doc) {
    if (DocumentHost* host = doc.Services().host)
        host->SendToMainFrame(AppMessage::HelpersChanged, 0, 0);
}

// Writes a finished key into its node, then takes the numbers back as the
// node holds them: the record then equals what a rescan of the saved
// mission reads, down to the last digit.
void WriteKey(CameraKey& key) {
    std::vector<std::string> texts;
    texts.push_back(platform::FormatInt(key.time));
    for (float v : key.values)
        texts.push_back(platform::FormatFloat6(v));
    for (int32_t flag : key.flags)
        texts.push_back(platform::FormatInt(flag));
    key.node->Assign("Key", std::vector<std::string_view>(texts.begin(), texts.end()));
    for (size_t i = 0; i < key.values.size(); ++i)
        key.values[i] = static_cast<float>(platform::ParseDouble(texts[i + 1].c_str()));
}

// Event ids a path can still get: the table's free entries below 255.
int FreeEventIds(const CVarnholtMapEditorDoc& doc) {
    int free = 0;
    for (int n = 0; n < 255; ++n)
        if (doc.EventIds()[n] == 0xFF) ++free;
    return free;
}

// The trigger that starts a path: when the start event is set, the camera
// named bare becomes active.
CDefNode* AddStartTrigger(CVarnholtMapEditorDoc& doc, const std::string& bare, int startEvent) {
    CDefNode* trigger = doc.InsertSection("trigger");
    trigger->SetValue(0, Quoted("events/" + bare + "_start"));
    CDefNode* term = trigger->AddChild("condition")->AddChild("term", "\"event\"");
    term->AddChild("\"id\"", platform::FormatInt(startEvent).c_str());
    CDefNode* camera = trigger->AddChild("actions")->AddChild("\"camera\"");
    camera->AddChild("\"camera\"", Quoted(bare).c_str());
    camera->AddChild("\"action\"", "\"activate\"");
    auto record = std::make_unique<TriggerRecord>();
    record->name = trigger->GetValue(0);
    record->node = trigger;
    doc.AdoptTrigger(std::move(record));
    return trigger;
}

// The chosen trigger sets the start event a second after it fires. A trigger
// that is not in the mission's helpers is made there; one the document
// already mirrors is not registered twice.
void AddStartAction(CVarnholtMapEditorDoc& doc, const std::string& name, int startEvent) {
    CDefNode* helpers = doc.Helpers();
    CDefNode* trigger = helpers ? helpers->FindChild("trigger", name.c_str()) : nullptr;
    if (!trigger) {
        trigger = doc.InsertSection("trigger");
        trigger->SetValue(0, name);
    }
    CDefNode* actions = trigger->FindChild("actions");
    if (!actions) actions = trigger->AddChild("actions");
    CDefNode* event = actions->AddChild("\"event\"");
    event->AddChild("\"event\"", platform::FormatInt(startEvent).c_str());
    event->AddChild("\"mode\"", "\"set\"");
    event->AddChild("\"delay\"", Quoted(platform::FormatFloat6(1.0)).c_str());
    for (const auto& record : doc.Triggers())
        if (record->node == trigger) return;
    auto record = std::make_unique<TriggerRecord>();
    record->name = name;
    record->node = trigger;
    doc.AdoptTrigger(std::move(record));
}

} // namespace

CameraPathRecorder::CameraPathRecorder() = default;
CameraPathRecorder::~CameraPathRecorder() = default;

bool CameraPathRecorder::Start(CVarnholtMapEditorDoc& doc) {
    Cancel();
    // The id is only looked at here: a path that is never written must not
    // use one up.
    const int id = doc.NextCameraPathId();
    if (id < 0) {
        Tell(doc, kTooManyCameraPathsMessage);
        return false;
    }
    m_path = std::make_unique<CameraPathRecord>();
    m_path->name = Quoted("c" + std::to_string(id));
    return true;
}

void CameraPathRecorder::Key(float x, float y, float distance) {
    if (!m_path) return;
    if (m_presses % 2 == 0) {
        auto key = std::make_unique<CameraKey>();
        key->time = static_cast<int32_t>(m_path->keys.size()) * kCameraKeySpacing;
        key->values = {x, y, distance, 0.0f, 0.0f, 0.0f, kCameraKeyAngle};
        key->flags = {0, 0, 1};
        m_keyNodes.push_back(std::make_unique<CDefNode>("Key"));
        key->node = m_keyNodes.back().get();
        m_path->keys.push_back(std::move(key));
    } else {
        CameraKey& key = *m_path->keys.back();
        key.values[3] = x;
        key.values[4] = y;
        key.values[5] = 0.0f;
        WriteKey(key);
    }
    ++m_presses;
}

void CameraPathRecorder::Cancel() {
    m_path.reset();
    m_keyNodes.clear();
    m_presses = 0;
}

CameraPathRecord* CameraPathRecorder::End(CVarnholtMapEditorDoc& doc) {
    std::unique_ptr<CameraPathRecord> path = std::move(m_path);
    std::vector<std::unique_ptr<CDefNode>> keyNodes = std::move(m_keyNodes);
    const int presses = m_presses;
    Cancel();
    if (!path) return nullptr;
    if (presses % 2 != 0) {
        path->keys.pop_back();
        keyNodes.pop_back();
    }
    if (path->keys.empty()) {
        Tell(doc, kTwoPositionsMessage);
        return nullptr;
    }
    // Camera paths belong to missions; a map keeps none.
    if (doc.Kind() != Mission || !doc.WorkingRoot()) return nullptr;

    std::vector<std::string> triggers;
    for (const auto& trigger : doc.Triggers())
        triggers.push_back(trigger->name);
    DocumentDialogs* dialogs = doc.Services().dialogs;
    const std::optional<CameraPathStart> start =
        dialogs ? dialogs->ChooseCameraPathStart(triggers) : std::nullopt;
    if (!start) return nullptr;

    // Everything that could stop the write is checked before anything is
    // written, so a refused path leaves no trace. The id seen at the start
    // may have been taken since (another path written, an undo undone).
    int id = CameraPathIdOf(path->name);
    if (id < 0 || id > 254 || doc.CameraPathIds()[id] != 0xFF) id = doc.NextCameraPathId();
    if (id < 0) {
        Tell(doc, kTooManyCameraPathsMessage);
        return nullptr;
    }
    if (FreeEventIds(doc) < 2) {
        Tell(doc, kTooManyEventsMessage);
        return nullptr;
    }
    const bool withTrigger = start->withTrigger && !start->trigger.empty();
    if (withTrigger) {
        CDefNode* helpers = doc.Helpers();
        const bool exists = helpers && helpers->FindChild("trigger", start->trigger.c_str());
        const std::string problem = exists ? std::string() : format::CheckValue(start->trigger);
        if (!problem.empty()) {
            Tell(doc, problem);
            return nullptr;
        }
    }

    const std::string bare = "c" + std::to_string(id);
    path->name = Quoted(bare);
    CameraPathRecord* stored = nullptr;
    {
        CVarnholtMapEditorDoc::Edit edit(doc, "Camera path " + bare);
        // The mission's helpers hold the camera paths: that is where the
        // game and the document's own scan look for them.
        CDefNode* pathNode = doc.InsertSection("camerapath");
        if (!pathNode) return nullptr;
        pathNode->SetValue(0, path->name);
        const int cancelEvent = doc.AddEvent(Quoted(bare + "_cancel"));
        const int startEvent = doc.AddEvent(Quoted(bare + "_start"));
        // The start event is kept beside the cancel event, so that the path
        // reads back with both.
        pathNode->AddChild("Event", platform::FormatInt(startEvent).c_str());
        pathNode->AddChild("EvCancel", platform::FormatInt(cancelEvent).c_str());

        AddStartTrigger(doc, bare, startEvent);
        TellHelpersChanged(doc);
        if (withTrigger) {
            AddStartAction(doc, start->trigger, startEvent);
            TellHelpersChanged(doc);
        }

        for (auto& keyNode : keyNodes)
            pathNode->AppendChild(std::move(keyNode));
        path->node = pathNode;
        path->startEvent = startEvent;
        path->cancelEvent = cancelEvent;
        stored = doc.AdoptCameraPath(std::move(path));
    }
    TellHelpersChanged(doc);
    return stored;
}

} // namespace document
