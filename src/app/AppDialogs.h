#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QButtonGroup;
class QComboBox;
class QFileDialog;
class QLineEdit;
class QListWidget;

namespace platform {
class Prompts;
}

namespace app {

// The folder browser: a title in, the chosen folder out (no trailing
// separator), empty when cancelled. Dialogs take one so that tests can answer
// for the user.
using FolderBrowser = std::function<QString(QWidget* parent, const QString& title)>;

// The platform's folder picker.
FolderBrowser SystemFolderBrowser();

inline constexpr const char* kGamePathBrowseTitle = "Please select the Game Path of \"Varnholt\"";
inline constexpr const char* kResourcePathBrowseTitle =
    "Please select a Resource Path at your discretion";
inline constexpr const char* kTargetDirBrowseTitle =
    "Please select the Target Directory for the Resources";

// File filters are written as Windows file dialogs take them:
// "Name (*.mi;*.pak;*.*)", patterns separated by ';', where "*.*" matches
// every file, with or without an extension. QtFilterPatterns gives the
// patterns as Qt's file dialog reads them ("*.mi *.pak" or "*").
QString QtFilterPatterns(const QString& filter);
// Gives the dialog these filters: their names are shown as written, the
// files are matched as the patterns mean.
void SetFileFilters(QFileDialog& dialog, const QStringList& filters);

// "Options": the game path and the resource path, each with a "..." button
// that opens the folder browser and puts its answer into the field, so a
// cancelled browser empties the field. OK refuses a changed game path that
// is not the game's folder (it says what is missing there) and the dialog
// stays open; an empty game path is asked for at the next start.
class COptionsDialog : public QDialog {
    Q_OBJECT
  public:
    COptionsDialog(const QString& gamePath, const QString& resourcePath, FolderBrowser browser,
                   QWidget* parent = nullptr);
    ~COptionsDialog() override;
    QString GamePath() const;
    QString ResourcePath() const;
    void BrowseGamePath();
    void BrowseResourcePath();
    // Where the refusal is shown; message boxes when not set.
    void SetPrompts(platform::Prompts* prompts) { m_prompts = prompts; }
    void accept() override;

  private:
    FolderBrowser m_browser;
    std::unique_ptr<platform::Prompts> m_ownPrompts;
    platform::Prompts* m_prompts;
    QString m_initialGamePath;
    QLineEdit* m_gamePath;
    QLineEdit* m_resourcePath;
};

// "Resource Directory": where the game's archives are unpacked. The field
// starts with the proposal; OK answers with the field.
class CResourceDirectoryDialog : public QDialog {
    Q_OBJECT
  public:
    CResourceDirectoryDialog(const QString& proposal, FolderBrowser browser,
                             QWidget* parent = nullptr);
    QString Directory() const;
    void Browse();

  private:
    FolderBrowser m_browser;
    QLineEdit* m_directory;
};

// "Select the type of document" for File New: Mission, Map from an existing
// template, or a map created from nothing; nothing is chosen at first.
class CDocumentTypeDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CDocumentTypeDialog(QWidget* parent = nullptr);
    // 0, 1 or 2 for the three choices; -1 when none is chosen.
    int Choice() const;
    void SetChoice(int choice);

  private:
    QButtonGroup* m_group;
};

// The name of the special document a File New choice opens ("$mission$",
// "$map$", "$createmap$"); empty for no choice.
QString SpecialDocumentName(int choice);

class CAboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};

// "Game Options": the mission's player side.
class CGameOptionsDialog : public QDialog {
    Q_OBJECT
  public:
    CGameOptionsDialog(int side, QWidget* parent = nullptr);
    int Side() const;
    void SetSide(int side);

  private:
    QComboBox* m_side;
};

// "Map Templates": one of the catalogue's map templates for a new map. OK
// needs a selection.
class CMapTemplatesDialog : public QDialog {
    Q_OBJECT
  public:
    CMapTemplatesDialog(const std::vector<std::string>& templates, QWidget* parent = nullptr);
    // The chosen template as the catalogue spells it; empty without a choice.
    std::string Chosen() const;
    void Select(int row);

  private:
    std::vector<std::string> m_templates;
    QListWidget* m_list;
};

// "Run the game": with an empty game path the folder browser asks for it
// (the answer is kept in gamePath); still empty, nothing happens. Otherwise
// start(<game path>/Varnholt.exe, game path) runs it. True when the game
// was started.
using ProcessStarter = std::function<bool(const QString& program, const QString& workingFolder)>;
bool RunGame(std::string& gamePath, QWidget* parent, const FolderBrowser& browser,
             const ProcessStarter& start);
// Starts a program detached, without arguments.
ProcessStarter DetachedStarter();

} // namespace app
