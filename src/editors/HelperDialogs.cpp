#include "editors/HelperDialogs.h"

#include "document/VarnholtMapEditorDoc.h"
#include "editors/EditorText.h"
#include "format/DefNode.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using document::ActionCount;
using document::ActionName;
using document::ActionValues;
using document::CommandCount;
using document::CommandName;

namespace {

QString Multiline(const char* text) {
    return editors::ToQt(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QPlainTextEdit* Preview(QWidget* parent) {
    auto* preview = new QPlainTextEdit(parent);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setReadOnly(true);
    preview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The blocks are written indented by their depth in the mission; narrow
    // tabs keep a waypoint's commands readable.
    preview->setLineWrapMode(QPlainTextEdit::NoWrap);
    preview->setTabStopDistance(preview->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 3);
    preview->setMinimumSize(320, 160);
    return preview;
}

QDoubleSpinBox* Coordinate(QWidget* parent, double value, const QString& name) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setRange(-1e7, 1e7);
    box->setDecimals(3);
    box->setValue(value);
    return box;
}

} // namespace

// --- Edit Commands -------------------------------------------------------------------

CEditCommandsDialog::CEditCommandsDialog(document::CWaypointForm& form, int record, QWidget* parent)
    : QDialog(parent), m_form(form), m_record(record) {
    setWindowTitle(QStringLiteral("Edit Commands"));
    m_form.BeginCommands();
    if (m_record < 0 || static_cast<size_t>(m_record) >= m_form.Commands().size()) m_record = -1;

    m_command = new QComboBox(this);
    m_command->setObjectName(QStringLiteral("commandName"));
    m_subCommand = new QComboBox(this);
    m_subCommand->setObjectName(QStringLiteral("subCommand"));
    for (int i = 0; i < CommandCount(); ++i) {
        m_command->addItem(editors::ToQt(CommandName(i)));
        m_subCommand->addItem(editors::ToQt(CommandName(i)));
    }
    m_action = new QComboBox(this);
    m_action->setObjectName(QStringLiteral("commandAction"));
    m_switch = new QComboBox(this);
    m_switch->setObjectName(QStringLiteral("switch"));
    m_switch->setEditable(true);
    m_add = new QPushButton(QStringLiteral("&Add"), this);
    m_add->setObjectName(QStringLiteral("add"));
    m_add->setAutoDefault(false);
    m_edit = new QPushButton(QStringLiteral("&Edit"), this);
    m_edit->setObjectName(QStringLiteral("edit"));
    m_edit->setAutoDefault(false);
    m_preview = Preview(this);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("command name"), m_command);
    fields->addRow(QStringLiteral("command action"), m_action);
    fields->addRow(QStringLiteral("switch"), m_switch);
    fields->addRow(QStringLiteral("sub command"), m_subCommand);
    auto* buttonsRow = new QHBoxLayout;
    buttonsRow->addWidget(m_add);
    buttonsRow->addWidget(m_edit);
    buttonsRow->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttonsRow);
    layout->addWidget(m_preview, 1);
    layout->addWidget(new QLabel(Multiline(kEditCommandsHelp), this));
    layout->addWidget(buttons);

    const int command =
        m_record >= 0 ? m_form.Commands()[static_cast<size_t>(m_record)].command : 0;
    m_command->setCurrentIndex(std::max(command, 0));
    m_command->setEnabled(false);
    m_edit->setEnabled(m_record >= 0);
    FillActions();
    ShowPreview();

    connect(m_command, &QComboBox::currentIndexChanged, this, [this] { FillActions(); });
    connect(m_action, &QComboBox::currentIndexChanged, this, [this] { FillSwitch(); });
    connect(m_add, &QPushButton::clicked, this, &CEditCommandsDialog::OnAddOrSave);
    connect(m_edit, &QPushButton::clicked, this, &CEditCommandsDialog::OnEditAction);
}

void CEditCommandsDialog::FillActions() {
    const QSignalBlocker block(m_action);
    m_action->clear();
    const int command = m_command->currentIndex();
    if (!m_adding && m_record >= 0) {
        // Outside add mode only the actions the selected command has.
        for (const document::ActionRecord& action :
             m_form.Commands()[static_cast<size_t>(m_record)].actions)
            m_action->addItem(editors::ToQt(action.name), action.action);
    } else {
        for (int i = 0; i < ActionCount(command); ++i)
            m_action->addItem(editors::ToQt(ActionName(command, i)), i);
    }
    m_action->setCurrentIndex(m_action->count() > 0 ? 0 : -1);
    FillSwitch();
}

int CEditCommandsDialog::ChosenAction() const {
    return m_action->currentIndex() >= 0 ? m_action->currentData().toInt() : -1;
}

void CEditCommandsDialog::FillSwitch() {
    m_switch->clear();
    const int command = !m_adding && m_record >= 0
                            ? m_form.Commands()[static_cast<size_t>(m_record)].command
                            : m_command->currentIndex();
    const int action = ChosenAction();
    const document::ActionRecord* current = nullptr;
    if (!m_adding && m_record >= 0)
        for (const auto& a : m_form.Commands()[static_cast<size_t>(m_record)].actions)
            if (a.action == action && action >= 0) current = &a;
    const auto& entries = ActionValues(command, action);
    for (const std::string& entry : entries) {
        // A placeholder shows the value the command holds now.
        if (entry.front() == '$' && current && current->entry < 0)
            m_switch->addItem(editors::ToQt(current->value));
        else
            m_switch->addItem(editors::ToQt(entry));
    }
    if (entries.empty()) {
        m_switch->setEditText(current ? editors::ToQt(current->value) : QStringLiteral("???"));
        m_switch->setFocus();
        m_switch->lineEdit()->selectAll();
    } else if (current && current->entry >= 0) {
        m_switch->setCurrentIndex(current->entry);
    } else {
        m_switch->setCurrentIndex(0);
    }
}

void CEditCommandsDialog::SwitchChoice(int& entry, std::string& typed) const {
    const int command = !m_adding && m_record >= 0
                            ? m_form.Commands()[static_cast<size_t>(m_record)].command
                            : m_command->currentIndex();
    const auto& entries = ActionValues(command, ChosenAction());
    const std::string text = editors::ToBytes(m_switch->currentText());
    entry = -1;
    typed = text;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].front() != '$' && entries[i] == text) {
            entry = static_cast<int>(i);
            typed.clear();
            return;
        }
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].front() == '$') {
            entry = static_cast<int>(i);
            if (text == entries[i]) typed.clear();
            return;
        }
}

bool CEditCommandsDialog::AddCommand() {
    int entry;
    std::string typed;
    SwitchChoice(entry, typed);
    const std::string problem =
        m_form.AddCommand(m_command->currentIndex(), ChosenAction(), entry, typed);
    if (!problem.empty()) {
        QMessageBox::warning(this, windowTitle(), editors::ToQt(problem));
        return false;
    }
    m_record = static_cast<int>(m_form.Commands().size()) - 1;
    ShowPreview();
    return true;
}

void CEditCommandsDialog::OnAddOrSave() {
    if (!m_adding) {
        m_adding = true;
        m_add->setText(QStringLiteral("&Save"));
        m_command->setEnabled(true);
        m_edit->setEnabled(false);
        FillActions();
        return;
    }
    if (!AddCommand()) return;
    m_adding = false;
    m_add->setText(QStringLiteral("&Add"));
    m_command->setEnabled(false);
    m_edit->setEnabled(true);
    FillActions();
}

void CEditCommandsDialog::OnEditAction() {
    if (m_adding || m_record < 0) return;
    int entry;
    std::string typed;
    SwitchChoice(entry, typed);
    const std::string problem = m_form.EditAction(m_record, ChosenAction(), entry, typed);
    if (!problem.empty()) {
        QMessageBox::warning(this, windowTitle(), editors::ToQt(problem));
        return;
    }
    ShowPreview();
}

void CEditCommandsDialog::ChooseCommand(int command) {
    m_command->setCurrentIndex(command);
}

void CEditCommandsDialog::ChooseAction(int action) {
    const int index = m_action->findData(action);
    if (index >= 0) m_action->setCurrentIndex(index);
}

void CEditCommandsDialog::SetSwitchText(const QString& text) {
    const int index = m_switch->findText(text);
    if (index >= 0)
        m_switch->setCurrentIndex(index);
    else
        m_switch->setEditText(text);
}

QString CEditCommandsDialog::PreviewText() const {
    return m_preview->toPlainText();
}

void CEditCommandsDialog::ShowPreview() {
    m_preview->setPlainText(editors::ToQt(m_form.Preview()).remove(QLatin1Char('\r')));
}

void CEditCommandsDialog::done(int result) {
    if (result == QDialog::Accepted) {
        // OK in add mode adds the command being set up first.
        if (m_adding && !AddCommand()) return;
    } else {
        m_form.CancelCommands();
    }
    QDialog::done(result);
}

// --- Waypoint --------------------------------------------------------------------------

CWaypointDialog::CWaypointDialog(document::CVarnholtMapEditorDoc& doc, CDefNode& waypoint,
                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Waypoint"));
    m_form.Read(doc, waypoint);
    auto* number = new QLineEdit(QString::number(m_form.Number()), this);
    number->setObjectName(QStringLiteral("number"));
    number->setReadOnly(true);
    m_next = new QLineEdit(editors::ToQt(m_form.next), this);
    m_next->setObjectName(QStringLiteral("next"));
    m_commands = new QListWidget(this);
    m_commands->setObjectName(QStringLiteral("commands"));
    auto* edit = new QPushButton(QStringLiteral("&Edit/Add"), this);
    edit->setObjectName(QStringLiteral("editAdd"));
    edit->setAutoDefault(false);
    connect(edit, &QPushButton::clicked, this, [this] { EditCommands(m_commands->currentRow()); });
    connect(m_commands, &QListWidget::itemDoubleClicked, this,
            [this] { EditCommands(m_commands->currentRow()); });

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("number"), number);
    fields->addRow(QStringLiteral("next:"), m_next);
    fields->addRow(QStringLiteral("Commands"), m_commands);
    fields->addRow(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    FillCommands();
}

void CWaypointDialog::FillCommands() {
    m_commands->clear();
    for (const document::CommandRecord& record : m_form.Commands())
        m_commands->addItem(editors::ToQt(record.name));
}

void CWaypointDialog::EditCommands(int record) {
    CEditCommandsDialog dialog(m_form, record, this);
    dialog.exec();
    FillCommands();
}

void CWaypointDialog::SetNext(const QString& next) {
    m_next->setText(next);
}

bool CWaypointDialog::OnOk() {
    m_form.next = editors::ToBytes(m_next->text());
    if (std::string problem = m_form.Check(); !problem.empty()) {
        QMessageBox::warning(this, windowTitle(), editors::ToQt(problem));
        return false;
    }
    return m_form.Apply();
}

void CWaypointDialog::done(int result) {
    if (result == QDialog::Accepted && !OnOk()) return;
    QDialog::done(result);
}

// --- Zone ------------------------------------------------------------------------------

CZoneDialog::CZoneDialog(document::CVarnholtMapEditorDoc& doc, document::ZoneRecord& zone,
                         QWidget* parent)
    : QDialog(parent), m_doc(doc), m_zone(zone), m_form(document::ReadZoneForm(zone)) {
    setWindowTitle(QStringLiteral("Zone"));
    m_name = new QLineEdit(editors::ToQt(m_form.name), this);
    m_name->setObjectName(QStringLiteral("name"));
    const bool circle = m_form.shape == document::ZoneRecord::Circle;
    auto* shape = new QLabel(circle ? QStringLiteral("Circle") : QStringLiteral("Polygon"), this);
    shape->setObjectName(QStringLiteral("shape"));
    m_x = Coordinate(this, m_form.centreX, QStringLiteral("x"));
    m_y = Coordinate(this, m_form.centreY, QStringLiteral("y"));
    m_shownX = m_x->value();
    m_shownY = m_y->value();
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Name"), m_name);
    fields->addRow(QStringLiteral("Shape"), shape);
    if (circle) {
        m_radius = new QDoubleSpinBox(this);
        m_radius->setObjectName(QStringLiteral("radius"));
        m_radius->setRange(0, 1e7);
        m_radius->setDecimals(3);
        m_radius->setValue(m_form.radius);
        m_shownRadius = m_radius->value();
        fields->addRow(QStringLiteral("Radius"), m_radius);
    }
    auto* centre = new QHBoxLayout;
    centre->addWidget(m_x);
    centre->addWidget(m_y);
    fields->addRow(QStringLiteral("Centre"), centre);
    if (!circle) {
        auto* size = new QLabel(
            QStringLiteral("%1 x %2").arg(m_form.width, 0, 'f', 2).arg(m_form.height, 0, 'f', 2),
            this);
        size->setObjectName(QStringLiteral("size"));
        fields->addRow(QStringLiteral("Width x Height"), size);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(buttons);
}

void CZoneDialog::SetName(const QString& name) {
    m_name->setText(name);
}

void CZoneDialog::SetRadius(double radius) {
    if (m_radius) m_radius->setValue(radius);
}

void CZoneDialog::SetCentre(double x, double y) {
    m_x->setValue(x);
    m_y->setValue(y);
}

bool CZoneDialog::OnOk() {
    document::ZoneForm form = m_form;
    form.name = editors::ToBytes(m_name->text());
    if (m_radius && m_radius->value() != m_shownRadius)
        form.radius = static_cast<float>(m_radius->value());
    // Untouched fields keep the exact centre, not its rounding to the field's decimals.
    if (m_x->value() != m_shownX) form.centreX = static_cast<float>(m_x->value());
    if (m_y->value() != m_shownY) form.centreY = static_cast<float>(m_y->value());
    if (std::string problem = document::CheckZoneForm(form); !problem.empty()) {
        QMessageBox::warning(this, windowTitle(), editors::ToQt(problem));
        return false;
    }
    return document::ApplyZoneForm(m_doc, m_zone, form);
}

void CZoneDialog::done(int result) {
    if (result == QDialog::Accepted && !OnOk()) return;
    QDialog::done(result);
}

// --- Trigger Properties ------------------------------------------------------------------

CTriggerDialog::CTriggerDialog(const document::TriggerRecord& trigger, const CDefNode& node,
                               QWidget* parent)
    : QDialog(parent), m_copy(std::make_unique<CDefNode>()), m_record(trigger) {
    setWindowTitle(QStringLiteral("Trigger Properties"));
    m_copy->CopyFrom(node);
    m_copy->depth = 0;
    m_name = new QLineEdit(editors::ToQt(document::TriggerDisplayName(trigger, node)), this);
    m_name->setObjectName(QStringLiteral("name"));
    m_preview = Preview(this);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Name"), m_name);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_preview, 1);
    layout->addWidget(buttons);
    connect(m_name, &QLineEdit::textChanged, this, &CTriggerDialog::OnNameChanged);
    OnNameChanged();
}

CTriggerDialog::~CTriggerDialog() = default;

void CTriggerDialog::SetName(const QString& name) {
    m_name->setText(name);
}

std::string CTriggerDialog::Name() const {
    return editors::ToBytes(m_name->text());
}

QString CTriggerDialog::PreviewText() const {
    return m_preview->toPlainText();
}

void CTriggerDialog::OnNameChanged() {
    // The preview follows every keystroke that gives a name the file can hold.
    document::SetTriggerName(m_record, *m_copy, Name());
    format::StringSink sink;
    m_copy->WriteNode(sink);
    m_preview->setPlainText(editors::ToQt(sink.text).remove(QLatin1Char('\r')));
}

void CTriggerDialog::done(int result) {
    if (result == QDialog::Accepted)
        if (std::string problem = document::CheckTriggerName(Name()); !problem.empty()) {
            QMessageBox::warning(this, windowTitle(), editors::ToQt(problem));
            return;
        }
    QDialog::done(result);
}

bool EditTriggerProperties(document::TriggerRecord& record, CDefNode& node, QWidget* parent) {
    CTriggerDialog dialog(record, node, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    return document::SetTriggerName(record, node, dialog.Name());
}
