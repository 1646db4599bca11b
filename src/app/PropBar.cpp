#include "app/PropBar.h"

#include "document/DocumentHost.h"
#include "format/DefNode.h"
#include "resources/ResourceCatalogue.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>

#include <cmath>
#include <numbers>

namespace app {

using document::AppMessage;

namespace {

// Map documents offer the type box at this entry ("Buildings") when activated.
constexpr int kMapFirstType = 7;

bool HoldsRadios(intptr_t category) {
    return category >= resources::CategoryZones && category <= resources::CategoryCameraPath;
}

} // namespace

std::vector<int> PropBarCategories(int kind, int radio) {
    using namespace resources;
    if (kind == 0) {
        std::vector<int> list{CategoryTanks,  CategoryGuns,     CategoryTransport,
                              CategoryMarine, CategoryAirborne, CategoryWeapons};
        if (radio == 0) list.push_back(CategoryHumansEquipped);
        list.insert(list.end(), {CategoryHumans, CategoryAnimals, CategoryFences, CategorySounds,
                                 CategoryRailway});
        if (radio == 1)
            list.insert(list.end(),
                        {CategoryZones, CategoryEvents, CategoryTriggers, CategoryCameraPath});
        return list;
    }
    if (kind == 1)
        return {CategoryTanks,      CategoryGuns,      CategoryTransport,
                CategoryMarine,     CategoryAirborne,  CategoryWeapons,
                CategoryHumans,     CategoryBuildings, CategoryCompleteBuildings,
                CategoryFences,     CategoryLandscape, CategorySounds,
                CategoryWater,      CategoryBridge,    CategoryRailway,
                CategoryVegetation, CategoryTrash};
    return {};
}

// --- turn dial ---------------------------------------------------------------------------------

CTurnIndicator::CTurnIndicator(QWidget* parent) : QWidget(parent) {
    setFixedSize(sizeHint());
    setToolTip(tr("Turn"));
    setCursor(Qt::PointingHandCursor);
}

void CTurnIndicator::SetTurn(double degrees) {
    m_turn = degrees;
    update();
}

void CTurnIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF circle = QRectF(rect()).adjusted(2, 2, -2, -2);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawEllipse(circle);
    double radians = m_turn * std::numbers::pi / 180.0;
    QPointF centre = circle.center();
    double radius = circle.width() / 2.0 - 2.0;
    // Screen y grows downwards; the map's y grows upwards.
    QPointF tip = centre + QPointF(std::cos(radians) * radius, -std::sin(radians) * radius);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2.0));
    painter.drawLine(centre, tip);
}

void CTurnIndicator::mousePressEvent(QMouseEvent* event) {
    QPointF offset = event->position() - QRectF(rect()).center();
    if (offset.manhattanLength() < 1.0) return;
    double degrees = std::atan2(-offset.y(), offset.x()) * 180.0 / std::numbers::pi;
    int rounded = static_cast<int>(std::lround(degrees < 0 ? degrees + 360.0 : degrees)) % 360;
    SetTurn(rounded);
    emit TurnChosen(rounded);
}

// --- the bar -------------------------------------------------------------------------------------

CPropBar::CPropBar(document::MessageRelay* relay, QWidget* parent)
    : QToolBar(tr("Property bar"), parent), m_relay(relay) {
    setObjectName("propBar");
    auto* panel = new QWidget(this);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(4, 2, 4, 2);

    m_playerBox = new QComboBox(panel);
    m_playerBox->setObjectName("player");
    for (int i = 0; i < 4; ++i)
        m_playerBox->addItem(tr("Player %1").arg(i));
    m_type = new QComboBox(panel);
    m_type->setObjectName("type");
    m_type->setMinimumContentsLength(16);
    m_type->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_available = new QRadioButton(tr("available elements"), panel);
    m_available->setObjectName("available");
    m_existing = new QRadioButton(tr("existing elements"), panel);
    m_existing->setObjectName("existing");
    m_radios = new QButtonGroup(this);
    m_radios->addButton(m_available, 0);
    m_radios->addButton(m_existing, 1);
    m_available->setChecked(true);
    m_leave = new QCheckBox(tr("leave"), panel);
    m_leave->setObjectName("leave");
    m_leave->setChecked(true);
    m_turnIndicator = new CTurnIndicator(panel);
    m_turnIndicator->setObjectName("turn");

    layout->addWidget(new QLabel(tr("Player:"), panel));
    layout->addWidget(m_playerBox);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(tr("Type:"), panel));
    layout->addWidget(m_type);
    layout->addSpacing(8);
    layout->addWidget(m_available);
    layout->addWidget(m_existing);
    layout->addSpacing(8);
    layout->addWidget(m_leave);
    layout->addWidget(m_turnIndicator);
    layout->addStretch(1);
    addWidget(panel);

    // "activated" and "clicked" report the user's choices only, so the bar's
    // own updates send nothing.
    connect(m_type, &QComboBox::activated, this, &CPropBar::ChooseType);
    connect(m_playerBox, &QComboBox::activated, this, &CPropBar::ChoosePlayer);
    connect(m_radios, &QButtonGroup::idClicked, this, &CPropBar::ChooseRadio);
    connect(m_leave, &QCheckBox::clicked, this,
            [this](bool checked) { Send(AppMessage::LeaveChanged, checked ? 1 : 0); });
    connect(m_turnIndicator, &CTurnIndicator::TurnChosen, this,
            [this](int degrees) { Send(AppMessage::TurnChanged, 0, degrees); });
}

int CPropBar::SelectedCategory() const {
    return m_type->currentIndex() < 0 ? -1 : m_type->currentData().toInt();
}

bool CPropBar::RadiosEnabled() const {
    return m_available->isEnabled() && m_existing->isEnabled();
}

bool CPropBar::Leave() const {
    return m_leave->isChecked();
}

void CPropBar::Send(AppMessage message, intptr_t first, intptr_t second) {
    if (m_relay) m_relay->Relay(message, first, second);
}

void CPropBar::FillTypes() {
    m_type->clear();
    for (int category : PropBarCategories(m_kind, m_radio))
        m_type->addItem(QString::fromUtf8(resources::CategoryLabel(category)), category);
    if (m_type->count() > 0 && m_type->currentIndex() < 0) m_type->setCurrentIndex(0);
}

void CPropBar::SetRadio(int radio) {
    m_radio = radio;
    if (QAbstractButton* button = m_radios->button(radio)) button->setChecked(true);
}

void CPropBar::ChooseType(int index) {
    if (index < 0 || index >= m_type->count()) return;
    m_type->setCurrentIndex(index);
    Send(AppMessage::EditModeChanged, m_type->itemData(index).toInt());
}

void CPropBar::ChoosePlayer(int index) {
    if (index < 0 || index >= m_playerBox->count()) return;
    m_player = index;
    m_playerBox->setCurrentIndex(index);
    Send(AppMessage::PlayerChanged, index);
}

void CPropBar::ChooseRadio(int radio) {
    if (!RadiosEnabled()) return;
    SetRadio(radio);
    FillTypes();
    Send(AppMessage::EntitiesLoaded, radio);
}

void CPropBar::SetLeave(bool leave) {
    m_leave->setChecked(leave);
    Send(AppMessage::LeaveChanged, leave ? 1 : 0);
}

void CPropBar::OnRelayed(AppMessage message, intptr_t first, intptr_t second) {
    switch (message) {
    case AppMessage::DocumentActivated:
        m_kind = static_cast<int>(first);
        // A type that held the radios belonged to the previous document.
        if (m_radiosHeld) {
            m_radiosHeld = false;
            SetRadio(m_savedRadio);
        }
        m_available->setEnabled(true);
        m_existing->setEnabled(true);
        FillTypes();
        if (m_kind == 0) {
            ChooseType(0);
            ChoosePlayer(0);
        } else if (m_kind == 1) {
            ChooseType(kMapFirstType);
        }
        break;
    case AppMessage::EditModeChanged:
        if (HoldsRadios(first)) {
            if (!m_radiosHeld) m_savedRadio = m_radio;
            m_radiosHeld = true;
            SetRadio(0);
            m_available->setEnabled(false);
            m_existing->setEnabled(false);
        } else {
            m_available->setEnabled(true);
            m_existing->setEnabled(true);
            // Only a held radio is given back: a radio the user set since
            // then is the one that matches the type box.
            if (m_radiosHeld) SetRadio(m_savedRadio);
            m_radiosHeld = false;
        }
        break;
    case AppMessage::ElementEdit:
        if (first == 4) {
            double turn = 0.0;
            const auto* node = reinterpret_cast<const CDefNode*>(second);
            if (node && !node->ReadDoubles("Turn", &turn, 1)) turn = 0.0;
            m_turnIndicator->SetTurn(turn);
        }
        break;
    case AppMessage::PlayerChanged:
        if (first == -5) Send(AppMessage::PlayerChanged, m_player);
        break;
    default:
        break;
    }
}

} // namespace app
