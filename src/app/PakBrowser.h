#pragma once

#include "pak/PakArchive.h"

#include <QDialog>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace app {

// One row of the pak browser at one folder level.
struct PakBrowserEntry {
    std::string name;     // last path component; empty for the parent entry
    std::string fullName; // the member's stored name; folders end with '/'
    bool folder = false;
    bool parent = false; // the entry that goes up one level
    uint32_t size = 0;   // uncompressed size of a file
};

// The rows of the folder `folder` ("" for the top level, otherwise a stored
// folder name ending in '/'): inside a folder the parent entry first, then
// the folders and files directly below it, folders first, each group in
// byte order of the names. Folders come from members whose names continue
// below them as well as from stored folder members.
std::vector<PakBrowserEntry> PakFolderEntries(std::span<const pak::PakMemberInfo> members,
                                              std::string_view folder);

// The folder one level up from `folder` ("" stays "").
std::string PakParentFolder(std::string_view folder);

// The archive browser: one folder level of a pak's member table at a time.
// Double-clicking a folder enters it (the parent entry goes up); a file,
// double-clicked or chosen with OK, closes the dialog and is the answer.
class CPakBrowserDialog : public QDialog {
    Q_OBJECT
  public:
    CPakBrowserDialog(std::vector<pak::PakMemberInfo> members, QWidget* parent = nullptr);
    ~CPakBrowserDialog() override;

    // The chosen member's full name, after the dialog was accepted.
    const std::string& ChosenMember() const { return m_chosen; }
    const std::string& Folder() const { return m_folder; }
    const std::vector<PakBrowserEntry>& Entries() const { return m_entries; }

    // Shows the folder's level.
    void ShowFolder(const std::string& folder);
    // What a double click on row does.
    void ActivateRow(int row);
    void SelectRow(int row);
    // OK: closes with the selected file; does nothing for a folder.
    void accept() override;

  private:
    std::vector<pak::PakMemberInfo> m_members;
    std::vector<PakBrowserEntry> m_entries;
    std::string m_folder;
    std::string m_chosen;
    QTreeWidget* m_list;
};

} // namespace app
