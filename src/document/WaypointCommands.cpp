#include "document/WaypointCommands.h"

#include "document/EntityProps.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefGuard.h"
#include "format/DefNode.h"
#include "platform/Text.h"

#include <array>
#include <cctype>

namespace document {

namespace {

enum Table {
    OnOff,
    Speeds,
    Music,
    Modes,
    CameraActions,
    CameraStates,
    EmitModes,
    Movements,
    ActorSelectors,
    Free,
    Typed,
    TypedText,
    Cmd,
    String,
    TableCount
};

const std::vector<std::string>& TableEntries(int table) {
    static const std::array<std::vector<std::string>, TableCount> kTables = {{
        {"\"on\"", "\"off\""},
        {"\"slow\"", "\"normal\"", "\"fast\""},
        {"\"BATTLE\"", "\"CLUE\"", "\"DANGER\"", "\"LOST\"", "\"REINF_PLAYER\"", "\"SKIRMISH\"",
         "\"START\"", "\"WON\""},
        {"\"reset\"", "\"set\"", "\"toggle\""},
        {"\"activate\"", "\"stop\""},
        {"\"show\"", "\"store\""},
        {"\"passengers\""},
        {"\"normal\"", "\"squat\"", "\"crawl\""},
        {"\"actors/mids\"", "\"actors/tag\""},
        {},
        {"$0"},
        {"$$0"},
        {"$cmd"},
        {"$string"},
    }};
    return kTables[static_cast<size_t>(table)];
}

struct ActionInfo {
    const char* name;
    int table;
};

struct CommandInfo {
    const char* name;
    std::vector<ActionInfo> actions;
};

const std::vector<CommandInfo>& Vocabulary() {
    static const std::vector<CommandInfo> kCommands = {
        {"\"actor_state\"",
         {{"\"waypoint_only\"", OnOff},
          {"\"weapon_prepare\"", OnOff},
          {"\"speed\"", Speeds},
          {"\"speed_kph\"", Typed},
          {"\"selector\"", Cmd},
          {"\"movement\"", Movements}}},
        {"\"actor_to_cover\"", {{"\"selector\"", Cmd}, {"\"covers\"", String}}},
        {"\"message\"", {{"\"text\"", OnOff}, {"\"sound\"", Speeds}}},
        {"\"mission_music\"", {{"\"action\"", Music}}},
        {"\"event\"", {{"\"event\"", Typed}, {"\"mode\"", Modes}, {"\"delay\"", TypedText}}},
        {"\"camera\"", {{"\"camera\"", TypedText}, {"\"action\"", CameraActions}}},
        {"\"camera_state\"", {{"\"name\"", TypedText}, {"\"state\"", CameraStates}}},
        {"\"emit\"",
         {{"\"waypoint/uid\"", TypedText}, {"\"emit/mode\"", EmitModes}, {"\"selector\"", Cmd}}},
        {"\"wait\"", {{"\"time\"", TypedText}}},
        {"\"air_state\"", {{"\"altitude\"", Typed}}},
        {"\"ables\"", {{"\"selector\"", Cmd}, {"\"add\"", Free}, {"\"remove\"", Free}}},
        {"\"autoassign\"", {{"\"selector\"", ActorSelectors}, {"\"nearest\"", Free}}},
    };
    return kCommands;
}

const ActionInfo* Action(int command, int action) {
    if (command < 0 || command >= CommandCount()) return nullptr;
    const auto& actions = Vocabulary()[static_cast<size_t>(command)].actions;
    if (action < 0 || static_cast<size_t>(action) >= actions.size()) return nullptr;
    return &actions[static_cast<size_t>(action)];
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return std::string(text);
}

// The entry of a value table that a stored value came from, or -1.
int EntryOf(int command, int action, std::string_view value) {
    const auto& entries = ActionValues(command, action);
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].front() != '$' && platform::EqualsNoCase(entries[i], value))
            return static_cast<int>(i);
    return -1;
}

} // namespace

int CommandCount() {
    return static_cast<int>(Vocabulary().size());
}

const char* CommandName(int command) {
    return command >= 0 && command < CommandCount()
               ? Vocabulary()[static_cast<size_t>(command)].name
               : nullptr;
}

int ActionCount(int command) {
    return command >= 0 && command < CommandCount()
               ? static_cast<int>(Vocabulary()[static_cast<size_t>(command)].actions.size())
               : 0;
}

const char* ActionName(int command, int action) {
    const ActionInfo* info = Action(command, action);
    return info ? info->name : nullptr;
}

const std::vector<std::string>& ActionValues(int command, int action) {
    const ActionInfo* info = Action(command, action);
    return TableEntries(info ? info->table : Free);
}

int FindCommand(std::string_view name) {
    for (int i = 0; i < CommandCount(); ++i)
        if (platform::EqualsNoCase(CommandName(i), name)) return i;
    return -1;
}

int FindAction(int command, std::string_view name) {
    for (int i = 0; i < ActionCount(command); ++i)
        if (platform::EqualsNoCase(ActionName(command, i), name)) return i;
    return -1;
}

std::string ActionValue(int command, int action, int entry, std::string_view typed,
                        std::string& problem) {
    problem.clear();
    std::string text = Trimmed(typed);
    if (text == "???") text.clear();
    const auto& entries = ActionValues(command, action);
    std::string chosen = entry >= 0 && static_cast<size_t>(entry) < entries.size()
                             ? entries[static_cast<size_t>(entry)]
                             : std::string();
    // An empty table takes the typed value as it is, like "$0".
    if (entries.empty()) chosen = "$0";
    if (chosen.starts_with("$$") || chosen.starts_with("$0")) {
        // A typed value that the game would read as nothing, or as more than
        // one value, would change the order at the next load.
        if (text.empty()) {
            problem = std::string("Enter a value for ") + ActionName(command, action) + ".";
            return {};
        }
        if (chosen.starts_with("$$")) {
            problem = format::CheckQuotedText(text);
            return problem.empty() ? "\"" + text + "\"" : std::string();
        }
        problem = format::CheckValue(text);
        return problem.empty() ? text : std::string();
    }
    if (chosen.empty()) problem = "Choose a value.";
    return chosen;
}

// --- the waypoint form -----------------------------------------------------------

CWaypointForm::CWaypointForm() = default;
CWaypointForm::~CWaypointForm() = default;

void CWaypointForm::Read(CVarnholtMapEditorDoc& doc, CDefNode& waypoint) {
    m_doc = &doc;
    m_waypoint = &waypoint;
    m_name = std::string(waypoint.Name());
    const char* transition = waypoint.FindValue("transition");
    next = transition ? transition : "";
    m_commands.clear();
    m_working.reset();
    const CDefNode* commands = waypoint.FindChild("commands");
    if (!commands) return;
    m_working = std::make_unique<CDefNode>();
    m_working->CopyFrom(*commands);
    for (const CDefNode* child : commands->Children()) {
        CommandRecord record;
        record.name = std::string(child->Name());
        record.command = FindCommand(record.name);
        for (const CDefNode* actionNode : child->Children()) {
            ActionRecord action;
            action.name = std::string(actionNode->Name());
            action.action = FindAction(record.command, action.name);
            action.value = actionNode->GetValue(0) ? actionNode->GetValue(0) : "";
            action.entry = EntryOf(record.command, action.action, action.value);
            record.actions.push_back(std::move(action));
        }
        m_commands.push_back(std::move(record));
    }
}

long CWaypointForm::Number() const {
    return platform::ParseLong(platform::StripQuotes(m_name).c_str(), 10);
}

std::string CWaypointForm::Preview() const {
    if (!m_working) return {};
    format::StringSink sink;
    m_working->WriteNode(sink);
    return sink.text;
}

void CWaypointForm::BeginCommands() {
    m_savedCommands = m_commands;
    m_savedWorking.reset();
    if (m_working) {
        m_savedWorking = std::make_unique<CDefNode>();
        m_savedWorking->CopyFrom(*m_working);
    }
}

void CWaypointForm::CancelCommands() {
    // What the user confirmed in an earlier Edit Commands stays: only this
    // visit's changes are taken back.
    m_commands = m_savedCommands;
    m_working = std::move(m_savedWorking);
    BeginCommands();
}

std::string CWaypointForm::AddCommand(int command, int action, int entry, std::string_view typed) {
    const char* commandName = CommandName(command);
    if (!commandName) return "Choose a command.";
    const char* actionName = ActionName(command, action);
    if (actionName)
        for (const CommandRecord& record : m_commands) {
            if (record.command != command) continue;
            for (const ActionRecord& existing : record.actions)
                if (existing.action == action) {
                    char text[256];
                    std::snprintf(text, sizeof text, "Duplicate command %s/%s.", commandName,
                                  actionName);
                    return text;
                }
        }
    std::string value;
    if (actionName) {
        std::string problem;
        value = ActionValue(command, action, entry, typed, problem);
        if (!problem.empty()) return problem;
    }
    CommandRecord record;
    record.command = command;
    record.name = commandName;
    if (!m_working) {
        m_working = std::make_unique<CDefNode>("commands");
        m_working->depth = 4;
    }
    CDefNode* child = m_working->AddChild(commandName);
    child->depth = m_working->depth + 1;
    if (actionName) {
        record.actions.push_back({action, entry, actionName, value});
        CDefNode* actionNode = child->AddChild(actionName);
        actionNode->depth = child->depth + 1;
        actionNode->SetValue(0, value);
    }
    m_commands.push_back(std::move(record));
    return {};
}

std::string CWaypointForm::EditAction(int recordIndex, int action, int entry,
                                      std::string_view typed) {
    if (recordIndex < 0 || static_cast<size_t>(recordIndex) >= m_commands.size() || !m_working)
        return {};
    CommandRecord& record = m_commands[static_cast<size_t>(recordIndex)];
    CDefNode* child = m_working->Child(static_cast<size_t>(recordIndex));
    for (size_t i = 0; i < record.actions.size(); ++i) {
        ActionRecord& existing = record.actions[i];
        if (existing.action != action || action < 0) continue;
        std::string problem;
        std::string value = ActionValue(record.command, action, entry, typed, problem);
        if (!problem.empty()) return problem;
        existing.entry = entry;
        existing.value = value;
        if (CDefNode* actionNode = child ? child->FindChild(existing.name) : nullptr)
            actionNode->SetValue(0, value);
        return {};
    }
    return {};
}

std::string CWaypointForm::Check() const {
    std::string text = Trimmed(next);
    if (text.empty()) return {};
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return "The next waypoint is a number: " + text;
    return {};
}

bool CWaypointForm::Apply() {
    if (!m_doc || !m_waypoint || !Check().empty()) return false;
    CVarnholtMapEditorDoc::Edit edit(*m_doc, "Waypoint " + platform::StripQuotes(m_name));
    CWaypointProps props;
    props.Read(*m_waypoint, *m_doc);
    std::string text = Trimmed(next);
    props.transition =
        text.empty() ? text : platform::FormatUnsigned(platform::ParseUnsigned(text.c_str()));
    // The position is moved in the 3D view; one the waypoint lacks is not
    // made up here.
    if (m_waypoint->FindChild("Position")) {
        props.Apply(*m_waypoint, *m_doc);
    } else if (props.transition.empty()) {
        m_waypoint->RemoveChildren("transition");
    } else {
        m_waypoint->SetText("transition", props.transition.c_str());
    }
    if (!m_commands.empty() && m_working) {
        m_working->SetDepth(m_waypoint->depth);
        CDefNode* commands = m_waypoint->FindChild("commands");
        if (!commands) commands = m_waypoint->AddChild("commands");
        commands->CopyFrom(*m_working);
        commands->SetDepth(m_waypoint->depth);
    } else if (m_waypoint->FindChild("commands")) {
        m_waypoint->RemoveChildren("commands");
    }
    return true;
}

} // namespace document
