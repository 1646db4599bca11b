#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CDefNode;

namespace document {

class CVarnholtMapEditorDoc;

// The orders a waypoint can give: twelve commands, each with its actions,
// each action with the table of values it offers. Names are stored quoted,
// as a waypoint's commands block writes them. A value entry is a fixed
// keyword or a placeholder: "$0" (a typed value, stored as typed), "$$0" (a
// typed text, stored in quotes), "$cmd" and "$string" (stored as they are).
// An action with an empty table takes a typed value.
int CommandCount();
const char* CommandName(int command);
int ActionCount(int command);
const char* ActionName(int command, int action);
const std::vector<std::string>& ActionValues(int command, int action);
// -1 when the name is not in the vocabulary (case ignored).
int FindCommand(std::string_view name);
int FindAction(int command, std::string_view name);

// The value stored for an action: from the chosen entry of its table (-1
// for none) and the text typed into the switch field ("???" counts as
// empty). Empty, with problem set, when the typed text cannot be stored.
std::string ActionValue(int command, int action, int entry, std::string_view typed,
                        std::string& problem);

// One action of a command record: its number in the command (-1 when the
// vocabulary lacks it), the value entry it came from (-1: typed or read)
// and the stored value.
struct ActionRecord {
    int action = -1;
    int entry = -1;
    std::string name;
    std::string value;
};

// One command of a waypoint: its number (-1 when not in the vocabulary),
// its name as stored and its actions.
struct CommandRecord {
    int command = -1;
    std::string name;
    std::vector<ActionRecord> actions;
};

// The working state of the Waypoint dialog and its Edit Commands dialog: the
// waypoint's number and next waypoint, its command records and the working
// copy of its commands block that the dialogs edit. The records and the
// working copy's children correspond one to one, in order.
class CWaypointForm {
  public:
    CWaypointForm();
    ~CWaypointForm();

    void Read(CVarnholtMapEditorDoc& doc, CDefNode& waypoint);

    // "number": the waypoint node's name read as an integer.
    long Number() const;
    // "next": the transition, empty for none.
    std::string next;
    const std::vector<CommandRecord>& Commands() const { return m_commands; }
    // The working copy (nullptr when there is none) and its text.
    const CDefNode* WorkingCommands() const { return m_working.get(); }
    std::string Preview() const;

    // Edit Commands opens: its Cancel goes back to how things stand now.
    void BeginCommands();
    void CancelCommands();
    // Adding a command (the action is -1 for none); the text to show when it
    // is refused (a duplicate, a value that cannot be stored), else empty.
    std::string AddCommand(int command, int action, int entry, std::string_view typed);
    // &Edit: the action of record index takes a new value.
    std::string EditAction(int record, int action, int entry, std::string_view typed);

    // Why OK cannot be taken; empty when it can.
    std::string Check() const;
    // OK: transition and commands into the waypoint, as one undoable step.
    bool Apply();

  private:
    CVarnholtMapEditorDoc* m_doc = nullptr;
    CDefNode* m_waypoint = nullptr;
    std::string m_name;
    std::vector<CommandRecord> m_commands;
    std::unique_ptr<CDefNode> m_working;
    std::vector<CommandRecord> m_savedCommands;
    std::unique_ptr<CDefNode> m_savedWorking;
};

} // namespace document
