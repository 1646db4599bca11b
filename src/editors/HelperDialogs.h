#pragma once

#include "document/HelperForms.h"
#include "document/WaypointCommands.h"

#include <QDialog>

#include <memory>
#include <string>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// The help text of the Edit Commands dialog.
inline constexpr const char* kEditCommandsHelp =
    "After pressing 'Add'\r\na new command will be added\r\nafter the command name and the "
    "other\r\nparameters have been selected";

// "Edit Commands": adds commands to a waypoint's working copy and changes
// the values of their actions, with the copy's text as a preview. Works on
// the waypoint form; Cancel takes back what this visit changed.
class CEditCommandsDialog : public QDialog {
    Q_OBJECT
  public:
    // record: the command record selected in the Waypoint dialog, or -1.
    CEditCommandsDialog(document::CWaypointForm& form, int record, QWidget* parent = nullptr);

    // The controls, callable by tests.
    void ChooseCommand(int command);
    void ChooseAction(int action);
    void SetSwitchText(const QString& text);
    void OnAddOrSave();
    void OnEditAction();
    bool InAddMode() const { return m_adding; }
    QString PreviewText() const;
    void done(int result) override;

  private:
    void FillActions();
    void FillSwitch();
    int ChosenAction() const;
    // The value entry and the typed text the switch field stands for.
    void SwitchChoice(int& entry, std::string& typed) const;
    bool AddCommand();
    void ShowPreview();

    document::CWaypointForm& m_form;
    int m_record;
    bool m_adding = false;
    QComboBox* m_command = nullptr;
    QComboBox* m_action = nullptr;
    QComboBox* m_switch = nullptr;
    QComboBox* m_subCommand = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_edit = nullptr;
    QPlainTextEdit* m_preview = nullptr;
};

// "Waypoint": the number, the next waypoint and the commands of a waypoint.
// OK writes next and commands as one undoable step.
class CWaypointDialog : public QDialog {
    Q_OBJECT
  public:
    CWaypointDialog(document::CVarnholtMapEditorDoc& doc, CDefNode& waypoint,
                    QWidget* parent = nullptr);
    document::CWaypointForm& Form() { return m_form; }
    void SetNext(const QString& next);
    // OK, callable by tests; true when written.
    bool OnOk();
    void done(int result) override;

  protected:
    // Opens Edit Commands on the selected command; tests replace it.
    virtual void EditCommands(int record);

  private:
    void FillCommands();

    document::CWaypointForm m_form;
    QLineEdit* m_next = nullptr;
    QListWidget* m_commands = nullptr;
};

// "Zone": name, shape, radius and centre of a zone. An empty name is refused
// with "Zones need a name" and the dialog stays open.
class CZoneDialog : public QDialog {
    Q_OBJECT
  public:
    CZoneDialog(document::CVarnholtMapEditorDoc& doc, document::ZoneRecord& zone,
                QWidget* parent = nullptr);
    void SetName(const QString& name);
    void SetRadius(double radius);
    void SetCentre(double x, double y);
    bool OnOk();
    void done(int result) override;

  private:
    document::CVarnholtMapEditorDoc& m_doc;
    document::ZoneRecord& m_zone;
    document::ZoneForm m_form;
    QLineEdit* m_name = nullptr;
    QDoubleSpinBox* m_radius = nullptr;
    QDoubleSpinBox* m_x = nullptr;
    QDoubleSpinBox* m_y = nullptr;
    // The centre and radius as the fields first showed them.
    double m_shownX = 0, m_shownY = 0, m_shownRadius = 0;
};

// "Trigger Properties": the trigger's name with a preview of its block that
// follows every change of the name. The trigger itself changes on OK only.
class CTriggerDialog : public QDialog {
    Q_OBJECT
  public:
    CTriggerDialog(const document::TriggerRecord& trigger, const CDefNode& node,
                   QWidget* parent = nullptr);
    ~CTriggerDialog() override;
    void SetName(const QString& name);
    // The name as typed, in the file's bytes.
    std::string Name() const;
    QString PreviewText() const;
    void done(int result) override;

  private:
    void OnNameChanged();

    std::unique_ptr<CDefNode> m_copy;
    document::TriggerRecord m_record;
    QLineEdit* m_name = nullptr;
    QPlainTextEdit* m_preview = nullptr;
};

// The Trigger Properties dialog on a trigger the document built (a waypoint
// trigger): on OK its name goes into record and node. True for OK.
bool EditTriggerProperties(document::TriggerRecord& record, CDefNode& node, QWidget* parent);
