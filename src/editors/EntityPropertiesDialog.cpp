#include "editors/EntityPropertiesDialog.h"

#include "document/VarnholtMapEditorDoc.h"
#include "editors/CrewDialog.h"
#include "editors/EditorText.h"
#include "editors/HelperDialogs.h"
#include "editors/InventoryGridWidget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

using document::PropertyDialog;

namespace {

QDoubleSpinBox* CoordinateBox(QWidget* parent, double value, const QString& name) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setRange(-1e7, 1e7);
    box->setDecimals(3);
    box->setValue(value);
    return box;
}

QSpinBox* NumberBox(QWidget* parent, long value, const QString& name) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, INT_MAX);
    box->setValue(static_cast<int>(std::clamp<long>(value, 0, INT_MAX)));
    return box;
}

QButtonGroup* Radios(QWidget* parent, QHBoxLayout* row, std::initializer_list<const char*> texts,
                     int checked, const QString& name) {
    auto* group = new QButtonGroup(parent);
    group->setObjectName(name);
    int id = 0;
    for (const char* text : texts) {
        auto* button = new QRadioButton(QString::fromLatin1(text), parent);
        button->setObjectName(name + QString::number(id));
        group->addButton(button, id);
        row->addWidget(button);
        if (id == checked) button->setChecked(true);
        ++id;
    }
    return group;
}

} // namespace

CEntityPropertiesDialog::CEntityPropertiesDialog(document::CEntityForm& form, QWidget* parent)
    : QDialog(parent), m_form(form) {
    setWindowTitle(QString::fromLatin1(document::DialogCaption(form.Dialog())));
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QFormLayout;
    layout->addLayout(fields);
    BuildCommon(fields);
    const PropertyDialog dialog = form.Dialog();
    if (form.Unit()) BuildUnit(fields);
    if (form.Human()) BuildHuman(fields);
    if (dialog == PropertyDialog::Weapon) {
        auto* source =
            new QLineEdit(editors::ToQt(platform::StripQuotes(form.Stuff()->item)), this);
        source->setObjectName(QStringLiteral("source"));
        source->setReadOnly(true);
        fields->addRow(QStringLiteral("Uses ammo from"), source);
        BuildGrid(layout, QStringLiteral("Ammo in the weapon"));
    } else if (dialog == PropertyDialog::BoxInventory) {
        BuildGrid(layout, QStringLiteral("Contents"));
    } else if (form.HasInventory()) {
        BuildGrid(layout, QStringLiteral("Inventory"));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CEntityPropertiesDialog::BuildCommon(QFormLayout* fields) {
    document::CPlacedProps* placed = m_form.Placed();
    auto* name = new QLineEdit(editors::ToQt(m_form.Record().type), this);
    name->setObjectName(QStringLiteral("name"));
    name->setReadOnly(true);
    fields->addRow(QStringLiteral("Name"), name);

    auto* number = new QLineEdit(QString::fromStdString(m_form.NumberText()), this);
    number->setObjectName(QStringLiteral("no"));
    number->setReadOnly(true);
    if (m_form.Dialog() == PropertyDialog::Train) {
        auto* row = new QHBoxLayout;
        row->addWidget(number);
        auto* hex = new QLabel(QString::fromStdString(m_form.HexIdText()), this);
        hex->setObjectName(QStringLiteral("hex"));
        row->addWidget(hex);
        fields->addRow(QStringLiteral("No"), row);
    } else {
        fields->addRow(QStringLiteral("No"), number);
    }

    const format::DefVec3& p = m_form.Record().position;
    auto* position = new QHBoxLayout;
    const double values[3] = {p.x, p.y, p.z};
    for (size_t i = 0; i < 3; ++i) {
        m_position[i] = CoordinateBox(this, values[i], QStringLiteral("position%1").arg(i));
        m_shownPosition[i] = m_position[i]->value();
        position->addWidget(m_position[i]);
    }
    fields->addRow(QStringLiteral("Position"), position);

    m_texMod = new QComboBox(this);
    m_texMod->setObjectName(QStringLiteral("texMod"));
    for (const std::string& mod : m_form.TextureModifications())
        m_texMod->addItem(editors::ToQt(platform::StripQuotes(mod)));
    const auto& mods = m_form.TextureModifications();
    const std::string current = placed ? placed->texMod : std::string();
    auto it = std::find(mods.begin(), mods.end(), current);
    m_texMod->setCurrentIndex(it == mods.end() ? 0 : static_cast<int>(it - mods.begin()));
    fields->addRow(QStringLiteral("Texture Modification"), m_texMod);

    m_turn = new QDoubleSpinBox(this);
    m_turn->setObjectName(QStringLiteral("turn"));
    m_turn->setRange(-3600, 3600);
    m_turn->setDecimals(3);
    m_turn->setValue(placed ? placed->turn : 0.0);
    m_shownTurn = m_turn->value();
    fields->addRow(QStringLiteral("Turn"), m_turn);
}

void CEntityPropertiesDialog::BuildUnit(QFormLayout* fields) {
    document::CUnitProps& unit = *m_form.Unit();
    const bool enabled = m_form.UnitFieldsEnabled();
    m_player = new QComboBox(this);
    m_player->setObjectName(QStringLiteral("player"));
    for (unsigned long n : m_form.PlayerChoices()) {
        m_player->addItem(QString::number(n), QVariant::fromValue(static_cast<qulonglong>(n)));
        if (n == unit.player) m_player->setCurrentIndex(m_player->count() - 1);
    }
    m_control = new QCheckBox(QStringLiteral("Controlled by player"), this);
    m_control->setObjectName(QStringLiteral("control"));
    m_control->setChecked(unit.control != 0);
    m_mid = NumberBox(this, static_cast<long>(unit.mid), QStringLiteral("mid"));
    for (QWidget* w : {static_cast<QWidget*>(m_player), static_cast<QWidget*>(m_control),
                       static_cast<QWidget*>(m_mid)})
        w->setEnabled(enabled);
    fields->addRow(QStringLiteral("Player"), m_player);
    fields->addRow(m_control);
    fields->addRow(QStringLiteral("MID"), m_mid);
    if (document::CVehicleProps* vehicle = m_form.Vehicle()) {
        m_fuel = NumberBox(this, static_cast<long>(vehicle->fuel), QStringLiteral("fuel"));
        m_fuel->setEnabled(enabled);
        fields->addRow(QStringLiteral("Fuel"), m_fuel);
    }
}

void CEntityPropertiesDialog::BuildHuman(QFormLayout* fields) {
    document::CHumanProps& human = *m_form.Human();
    const bool enabled = m_form.UnitFieldsEnabled();
    auto* health = new QHBoxLayout;
    m_maxHealth = NumberBox(this, human.maxHealth, QStringLiteral("maxHealth"));
    m_currentHealth = NumberBox(this, human.currentHealth, QStringLiteral("currentHealth"));
    m_dead = new QCheckBox(QStringLiteral("Dead"), this);
    m_dead->setObjectName(QStringLiteral("dead"));
    m_dead->setChecked(human.dead);
    health->addWidget(new QLabel(QStringLiteral("Max"), this));
    health->addWidget(m_maxHealth);
    health->addWidget(new QLabel(QStringLiteral("Current"), this));
    health->addWidget(m_currentHealth);
    health->addWidget(m_dead);
    fields->addRow(QStringLiteral("Health"), health);

    auto* state = new QHBoxLayout;
    m_state =
        Radios(this, state, {"Stand", "Squat", "Lie"}, human.posture, QStringLiteral("state"));
    fields->addRow(state);
    auto* fire = new QHBoxLayout;
    m_fire = Radios(this, fire, {"Fire at Will", "Return Fire", "Hold Fire"}, human.fireMode,
                    QStringLiteral("fire"));
    fields->addRow(fire);
    auto* movement = new QHBoxLayout;
    m_movement = Radios(this, movement, {"Move Free", "Hold Position"}, human.hold,
                        QStringLiteral("movement"));
    fields->addRow(movement);

    m_breed = new QComboBox(this);
    m_breed->setObjectName(QStringLiteral("breed"));
    for (const std::string& breed : m_form.Breeds())
        m_breed->addItem(editors::ToQt(breed));
    m_breed->setCurrentIndex(m_breed->findText(editors::ToQt(human.breed)));
    connect(m_breed, &QComboBox::activated, this, &CEntityPropertiesDialog::OnBreedChosen);
    fields->addRow(QStringLiteral("Breed"), m_breed);

    m_crew = new QComboBox(this);
    m_crew->setObjectName(QStringLiteral("crew"));
    for (const std::string& seat : m_form.CrewChoices())
        m_crew->addItem(editors::ToQt(seat));
    fields->addRow(QStringLiteral("Crew"), m_crew);

    for (QWidget* w : {static_cast<QWidget*>(m_maxHealth), static_cast<QWidget*>(m_currentHealth),
                       static_cast<QWidget*>(m_dead), static_cast<QWidget*>(m_breed),
                       static_cast<QWidget*>(m_crew)})
        w->setEnabled(enabled);
    for (QButtonGroup* group : {m_state, m_fire, m_movement})
        for (QAbstractButton* button : group->buttons())
            button->setEnabled(enabled);
}

void CEntityPropertiesDialog::BuildGrid(QVBoxLayout* layout, const QString& caption) {
    auto* box = new QGroupBox(caption, this);
    auto* row = new QHBoxLayout(box);
    m_grid = new CInventoryGridWidget(m_form.inventory, box);
    m_grid->setObjectName(QStringLiteral("inventory"));
    m_grid->setEnabled(m_form.UnitFieldsEnabled());
    row->addWidget(m_grid, 0, Qt::AlignTop);
    auto* side = new QVBoxLayout;
    QString help = editors::ToQt(kInventoryHelp);
    help.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    side->addWidget(new QLabel(help, box));
    m_feedback = new QLabel(box);
    m_feedback->setObjectName(QStringLiteral("feedback"));
    m_feedback->setStyleSheet(QStringLiteral("color: #c02020"));
    side->addWidget(m_feedback);
    side->addStretch(1);
    row->addLayout(side);
    connect(m_grid, &CInventoryGridWidget::Refused, m_feedback, &QLabel::setText);
    connect(m_grid, &CInventoryGridWidget::Changed, m_feedback, &QLabel::clear);
    layout->addWidget(box);
}

void CEntityPropertiesDialog::OnBreedChosen(int index) {
    if (index < 0) return;
    m_form.ChooseBreed(editors::ToBytes(m_breed->itemText(index)));
    if (m_grid) {
        m_grid->Select(-1);
        m_grid->update();
    }
}

void CEntityPropertiesDialog::StoreFields() {
    // A field the user left alone keeps the exact value of the node, not
    // its rounding to the field's decimals.
    document::CBaseProps& record = m_form.Record();
    float* coordinates[3] = {&record.position.x, &record.position.y, &record.position.z};
    for (size_t i = 0; i < 3; ++i)
        if (m_position[i]->value() != m_shownPosition[i])
            *coordinates[i] = static_cast<float>(m_position[i]->value());
    if (document::CPlacedProps* placed = m_form.Placed()) {
        if (m_turn->value() != m_shownTurn) placed->turn = m_turn->value();
        const auto& mods = m_form.TextureModifications();
        const int mod = m_texMod->currentIndex();
        if (mod >= 0 && static_cast<size_t>(mod) < mods.size())
            placed->texMod = mods[static_cast<size_t>(mod)];
    }
    if (!m_form.UnitFieldsEnabled()) return;
    if (document::CUnitProps* unit = m_form.Unit()) {
        if (m_player->currentIndex() >= 0) unit->player = m_player->currentData().toULongLong();
        // A control level the mission set other than 1 stays while the box is ticked.
        if (!m_control->isChecked())
            unit->control = 0;
        else if (unit->control == 0)
            unit->control = 1;
        unit->mid = static_cast<unsigned long>(m_mid->value());
    }
    if (document::CVehicleProps* vehicle = m_form.Vehicle())
        vehicle->fuel = static_cast<unsigned long>(m_fuel->value());
    if (document::CHumanProps* human = m_form.Human()) {
        human->maxHealth = m_maxHealth->value();
        human->currentHealth = m_currentHealth->value();
        human->dead = m_dead->isChecked();
        human->posture = std::max(0, m_state->checkedId());
        human->fireMode = std::max(0, m_fire->checkedId());
        human->hold = std::max(0, m_movement->checkedId());
        const std::string crew = editors::ToBytes(m_crew->currentText());
        human->crew = crew == "none" ? std::string() : crew;
    }
}

bool CEntityPropertiesDialog::OnOk() {
    StoreFields();
    if (std::string problem = m_form.Check(); !problem.empty()) {
        ShowRefusal(editors::ToQt(problem));
        return false;
    }
    return m_form.Apply();
}

void CEntityPropertiesDialog::done(int result) {
    if (result == QDialog::Accepted && !OnOk()) return;
    QDialog::done(result);
}

void CEntityPropertiesDialog::ShowRefusal(const QString& text) {
    QMessageBox::warning(this, windowTitle(), text);
}

// --- opening the dialogs ------------------------------------------------------------------

bool EditElementProperties(document::CVarnholtMapEditorDoc& doc, CDefNode* node, QWidget* parent) {
    const document::PropertyTarget target = document::FindPropertyTarget(doc, node);
    switch (target.dialog) {
    case PropertyDialog::None:
        return false;
    case PropertyDialog::Waypoint: {
        CWaypointDialog dialog(doc, *node, parent);
        return dialog.exec() == QDialog::Accepted;
    }
    case PropertyDialog::Zone: {
        CZoneDialog dialog(doc, *target.zone, parent);
        return dialog.exec() == QDialog::Accepted;
    }
    case PropertyDialog::Crew:
        return EditCrewMember(doc, *target.passenger, *target.vehicle, parent);
    case PropertyDialog::Trigger: {
        CTriggerDialog dialog(*target.trigger, *node, parent);
        if (dialog.exec() != QDialog::Accepted) return false;
        return document::ApplyTriggerName(doc, *target.trigger, dialog.Name());
    }
    default:
        break;
    }
    document::CEntityForm form;
    if (!form.Read(doc, *node)) return false;
    CEntityPropertiesDialog dialog(form, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool EditCrewMember(document::CVarnholtMapEditorDoc& doc, CDefNode& passenger,
                    const CDefNode& vehicle, QWidget* parent) {
    CCrewDialog dialog(document::TakenSeats(doc, vehicle, &passenger), parent);
    // A crew member changing places starts from the seat it holds.
    if (int seat = document::SeatOf(doc, passenger, vehicle); seat >= 0) dialog.ChooseSeat(seat);
    if (dialog.exec() != QDialog::Accepted || dialog.Seat() < 0) return false;
    return document::AddCrewMember(doc, passenger, vehicle, dialog.Seat());
}
