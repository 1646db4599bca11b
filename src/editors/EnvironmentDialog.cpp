#include "editors/EnvironmentDialog.h"

#include "document/VarnholtMapEditorDoc.h"
#include "platform/Text.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

using document::EnvironmentValues;
using document::Rgb;

namespace {

const char* const kSwatchLabels[7] = {
    "Ambient",       "Diffuse",     "Reflection ambient", "Reflection diffuse",
    "Shadow colour", "Haze colour", "Thunder colour"};

Rgb& Swatch(EnvironmentValues& v, int i) {
    Rgb* all[7] = {&v.ambient,     &v.diffuse,   &v.mtlAmbient,  &v.mtlDiffuse,
                   &v.shadowColor, &v.hazeColor, &v.thunderColor};
    return *all[i];
}

QString Text(const std::string& s) {
    return QString::fromStdString(platform::Cp1252ToUtf8(s));
}
std::string Bytes(const QString& s) {
    return s.toLatin1().toStdString();
}

struct FilePicker {
    const char* title;
    const char* folder;
    const char* filter;
};
const FilePicker kPickers[3] = {
    {"Open a sky texture", "/texture/background", "EBM File (*.ebm)"},
    {"Open a cloud texture", "/texture/background", "EBM File (*.ebm)"},
    {"Open a rain definition", "/fx/weather", "FX File (*.fx)"},
};

QDoubleSpinBox* Real(double min, double max, int decimals) {
    auto* box = new QDoubleSpinBox;
    box->setRange(min, max);
    box->setDecimals(decimals);
    box->setSingleStep(0.05);
    return box;
}

QSpinBox* Integer(int max) {
    auto* box = new QSpinBox;
    box->setRange(0, max);
    return box;
}

} // namespace

// --- sun direction -------------------------------------------------------------------

CSunDirectionControl::CSunDirectionControl(QWidget* parent) : QWidget(parent) {
    setMinimumSize(90, 90);
}

void CSunDirectionControl::SetDirection(const std::array<float, 3>& direction) {
    m_direction = direction;
    update();
}

void CSunDirectionControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF r = QRectF(rect()).adjusted(4, 4, -4, -4);
    p.setPen(palette().color(QPalette::Mid));
    p.setBrush(palette().color(QPalette::Base));
    p.drawEllipse(r);
    QPointF c = r.center();
    double radius = std::min(r.width(), r.height()) / 2;
    double len = std::hypot(m_direction[0], m_direction[1], m_direction[2]);
    if (len <= 0) return;
    // The light travels along the direction; the sun stands opposite.
    QPointF sun(c.x() - m_direction[0] / len * radius, c.y() + m_direction[1] / len * radius);
    p.setPen(QPen(QColor(200, 150, 0), 2));
    p.drawLine(c, sun);
    p.setBrush(QColor(255, 200, 0));
    p.drawEllipse(sun, 5, 5);
}

// --- dialog ------------------------------------------------------------------------------

CEnvironmentDialog::CEnvironmentDialog(const document::CEnvironmentPresets& presets,
                                       std::string resourceDir, const std::string& currentName,
                                       QWidget* parent)
    : QDialog(parent), m_presets(presets), m_resourceDir(std::move(resourceDir)) {
    setWindowTitle("Environment Settings");
    m_list = new QListWidget;
    for (const std::string& name : m_presets.PresetNames(&m_customName))
        m_list->addItem(Text(name));

    auto* light = new QGroupBox("Light");
    auto* lightForm = new QFormLayout(light);
    auto* directionRow = new QHBoxLayout;
    for (auto& box : m_direction) {
        box = Real(-1, 1, 6);
        directionRow->addWidget(box);
    }
    lightForm->addRow("Sun direction", directionRow);
    m_sun = new CSunDirectionControl;
    lightForm->addRow("", m_sun);
    m_intensity = Real(0, 100, 6);
    lightForm->addRow("Intensity", m_intensity);
    m_night = new QCheckBox("Night");
    m_nightVision = Real(0, 100, 6);
    lightForm->addRow(m_night, m_nightVision);

    auto* colours = new QGroupBox("Colours");
    auto* colourGrid = new QGridLayout(colours);
    for (int i = 0; i < 7; ++i) {
        m_swatches[i] = new QPushButton;
        m_swatches[i]->setFixedSize(48, 20);
        connect(m_swatches[i], &QPushButton::clicked, this, [this, i] { OnPickColour(i); });
        colourGrid->addWidget(new QLabel(kSwatchLabels[i]), i, 0);
        colourGrid->addWidget(m_swatches[i], i, 1);
    }

    auto* rest = new QGroupBox("Shadow, wind, haze, weather and thunder");
    auto* restForm = new QFormLayout(rest);
    m_shadowAlpha = Real(0, 1, 6);
    restForm->addRow("Shadow transparency", m_shadowAlpha);
    m_wind = Integer(1000000);
    restForm->addRow("Wind amplitude", m_wind);
    m_haze = new QCheckBox("Haze");
    m_hazeStart = Integer(1000000);
    m_hazeEnd = Integer(1000000);
    auto* hazeRow = new QHBoxLayout;
    hazeRow->addWidget(m_hazeStart);
    hazeRow->addWidget(m_hazeEnd);
    restForm->addRow(m_haze, hazeRow);
    m_weather = new QCheckBox("Weather");
    m_density = Integer(1000000);
    restForm->addRow(m_weather, m_density);
    m_weatherSound = new QLineEdit;
    restForm->addRow("Weather sound", m_weatherSound);
    m_thunder = new QCheckBox("Thunder");
    auto* intervalRow = new QHBoxLayout;
    for (auto& box : m_interval) {
        box = Integer(1000000);
        intervalRow->addWidget(box);
    }
    restForm->addRow(m_thunder, intervalRow);
    m_thunderSound = new QLineEdit;
    restForm->addRow("Thunder sound", m_thunderSound);
    const char* fileLabels[3] = {"Sky", "Clouds on water", "Rain bitmap"};
    for (int i = 0; i < 3; ++i) {
        m_files[i] = new QLineEdit;
        auto* pick = new QPushButton("...");
        pick->setFixedWidth(30);
        connect(pick, &QPushButton::clicked, this, [this, i] { OnPickFile(i); });
        auto* row = new QHBoxLayout;
        row->addWidget(m_files[i]);
        row->addWidget(pick);
        restForm->addRow(fileLabels[i], row);
    }

    m_sky = new QCheckBox("add a sky to the mission");
    auto* usePreset = new QPushButton("Use Preset");
    m_useCustom = new QPushButton("Use Custom");
    auto* cancel = new QPushButton("Cancel");
    usePreset->setDefault(true);
    connect(usePreset, &QPushButton::clicked, this, &CEnvironmentDialog::OnUsePreset);
    connect(m_useCustom, &QPushButton::clicked, this, &CEnvironmentDialog::OnUseCustom);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel("Presets"));
    left->addWidget(m_list);
    columns->addLayout(left);
    auto* middle = new QVBoxLayout;
    middle->addWidget(light);
    middle->addWidget(colours);
    columns->addLayout(middle);
    columns->addWidget(rest);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_sky);
    buttons->addStretch();
    buttons->addWidget(usePreset);
    buttons->addWidget(m_useCustom);
    buttons->addWidget(cancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(columns);
    outer->addLayout(buttons);

    // Every edit offers "Use Custom".
    for (auto* box : m_direction)
        connect(box, &QDoubleSpinBox::valueChanged, this, &CEnvironmentDialog::OnEdited);
    for (auto* box : {m_nightVision, m_intensity, m_shadowAlpha})
        connect(box, &QDoubleSpinBox::valueChanged, this, &CEnvironmentDialog::OnEdited);
    for (auto* box : {m_wind, m_hazeStart, m_hazeEnd, m_density, m_interval[0], m_interval[1]})
        connect(box, &QSpinBox::valueChanged, this, &CEnvironmentDialog::OnEdited);
    for (auto* box : {m_night, m_haze, m_weather, m_thunder})
        connect(box, &QCheckBox::toggled, this, &CEnvironmentDialog::OnEdited);
    for (auto* edit : {m_files[0], m_files[1], m_files[2], m_weatherSound, m_thunderSound})
        connect(edit, &QLineEdit::textEdited, this, &CEnvironmentDialog::OnEdited);
    connect(m_list, &QListWidget::currentRowChanged, this, &CEnvironmentDialog::OnSelectionChanged);

    SetValues(EnvironmentValues{});
    SetUseCustom(false);
    QList<QListWidgetItem*> hits = m_list->findItems(Text(currentName), Qt::MatchExactly);
    if (m_list->count() > 0) m_list->setCurrentRow(hits.isEmpty() ? 0 : m_list->row(hits.front()));
}

void CEnvironmentDialog::SetUseCustom(bool enabled) {
    m_useCustom->setEnabled(enabled);
}

bool CEnvironmentDialog::UseCustomEnabled() const {
    return m_useCustom->isEnabled();
}

bool CEnvironmentDialog::AddSky() const {
    return m_sky->isChecked();
}

std::string CEnvironmentDialog::SelectedName() const {
    QListWidgetItem* item = m_list->currentItem();
    return item ? Bytes(item->text()) : std::string();
}

void CEnvironmentDialog::SelectPreset(const std::string& name) {
    QList<QListWidgetItem*> hits = m_list->findItems(Text(name), Qt::MatchExactly);
    if (!hits.isEmpty()) m_list->setCurrentItem(hits.front());
}

void CEnvironmentDialog::OnSelectionChanged() {
    SetUseCustom(false);
    EnvironmentValues values = Values();
    bool fromCustom = false;
    if (m_presets.LoadPresetValues(SelectedName(), values, &fromCustom)) SetValues(values);
    if (fromCustom) SetUseCustom(true);
}

void CEnvironmentDialog::OnEdited() {
    if (m_loading) return;
    SetUseCustom(true);
    m_sun->SetDirection({float(m_direction[0]->value()), float(m_direction[1]->value()),
                         float(m_direction[2]->value())});
}

EnvironmentValues CEnvironmentDialog::Values() const {
    EnvironmentValues v = m_colours;
    for (int i = 0; i < 3; ++i)
        v.direction[i] = static_cast<float>(m_direction[i]->value());
    v.night = m_night->isChecked();
    v.nightVision = m_nightVision->value();
    v.intensity = m_intensity->value();
    v.shadowAlpha = m_shadowAlpha->value();
    v.windAmplitude = static_cast<unsigned long>(m_wind->value());
    v.haze = m_haze->isChecked();
    v.hazeStart = m_hazeStart->value();
    v.hazeEnd = m_hazeEnd->value();
    v.weather = m_weather->isChecked();
    v.weatherDensity = m_density->value();
    v.thunder = m_thunder->isChecked();
    v.thunderInterval = {static_cast<unsigned long>(m_interval[0]->value()),
                         static_cast<unsigned long>(m_interval[1]->value())};
    v.skyTexture = Bytes(m_files[0]->text());
    v.cloudsTexture = Bytes(m_files[1]->text());
    v.weatherFx = Bytes(m_files[2]->text());
    v.weatherSound = Bytes(m_weatherSound->text());
    v.thunderSound = Bytes(m_thunderSound->text());
    return v;
}

void CEnvironmentDialog::SetValues(const EnvironmentValues& v) {
    m_loading = true;
    m_colours = v;
    for (int i = 0; i < 3; ++i)
        m_direction[i]->setValue(v.direction[i]);
    m_sun->SetDirection(v.direction);
    m_night->setChecked(v.night);
    m_nightVision->setValue(v.nightVision);
    m_intensity->setValue(v.intensity);
    m_shadowAlpha->setValue(v.shadowAlpha);
    m_wind->setValue(static_cast<int>(std::min<unsigned long>(v.windAmplitude, 1000000)));
    m_haze->setChecked(v.haze);
    m_hazeStart->setValue(static_cast<int>(v.hazeStart));
    m_hazeEnd->setValue(static_cast<int>(v.hazeEnd));
    m_weather->setChecked(v.weather);
    m_density->setValue(static_cast<int>(v.weatherDensity));
    m_thunder->setChecked(v.thunder);
    for (int i = 0; i < 2; ++i)
        m_interval[i]->setValue(
            static_cast<int>(std::min<unsigned long>(v.thunderInterval[i], 1000000)));
    m_files[0]->setText(Text(v.skyTexture));
    m_files[1]->setText(Text(v.cloudsTexture));
    m_files[2]->setText(Text(v.weatherFx));
    m_weatherSound->setText(Text(v.weatherSound));
    m_thunderSound->setText(Text(v.thunderSound));
    for (int i = 0; i < 7; ++i)
        ShowColour(i);
    m_loading = false;
}

void CEnvironmentDialog::ShowColour(int swatch) {
    const Rgb& c = Swatch(m_colours, swatch);
    m_swatches[swatch]->setStyleSheet(
        QString("background-color: rgb(%1, %2, %3)").arg(c.r).arg(c.g).arg(c.b));
}

void CEnvironmentDialog::OnPickColour(int swatch) {
    Rgb& c = Swatch(m_colours, swatch);
    std::optional<QColor> chosen = AskColour(QColor(c.r, c.g, c.b));
    if (!chosen) return;
    c = {uint8_t(chosen->red()), uint8_t(chosen->green()), uint8_t(chosen->blue())};
    ShowColour(swatch);
    SetUseCustom(true);
}

void CEnvironmentDialog::OnPickFile(int field) {
    const FilePicker& picker = kPickers[field];
    QString folder = Text(m_resourceDir + picker.folder);
    QString chosen = AskFile(picker.title, folder, picker.filter);
    if (chosen.isEmpty()) return;
    m_files[field]->setText(Text(document::ResourceRelativePath(m_resourceDir, Bytes(chosen))));
    SetUseCustom(true);
}

bool CEnvironmentDialog::Refuse(const std::string& problem) {
    if (problem.empty()) return false;
    QMessageBox::warning(this, windowTitle(), Text(problem));
    return true;
}

void CEnvironmentDialog::OnUsePreset() {
    const std::string name = SelectedName();
    if (name.empty() || Refuse(document::CheckPresetName(name))) return;
    m_chosenName = name;
    m_choice = UsePreset;
    accept();
}

void CEnvironmentDialog::OnUseCustom() {
    const EnvironmentValues values = Values();
    if (Refuse(document::CheckPresetValues(values))) return;
    QString proposal = Text(m_customName);
    std::string name;
    for (;;) {
        std::optional<QString> typed = AskCustomName(proposal);
        if (!typed || typed->isEmpty()) return;
        name = Bytes(*typed);
        if (!Refuse(document::CheckPresetName(name))) break;
        // Asked again with what was typed, so it can be corrected.
        proposal = *typed;
    }
    m_chosenName = name;
    // A custom file that cannot be written still leaves the mission its name.
    m_presets.SaveCustomPreset(m_chosenName, values);
    m_choice = UseCustom;
    accept();
}

QString CEnvironmentDialog::AskFile(const QString& title, const QString& folder,
                                    const QString& filter) {
    return QFileDialog::getOpenFileName(this, title, folder, filter);
}

std::optional<QColor> CEnvironmentDialog::AskColour(const QColor& start) {
    QColor chosen = QColorDialog::getColor(start, this);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

std::optional<QString> CEnvironmentDialog::AskCustomName(const QString& proposal) {
    bool ok = false;
    QString name = QInputDialog::getText(this, "Custom Environment",
                                         "Choose a name for the custom environment",
                                         QLineEdit::Normal, proposal, &ok);
    if (!ok) return std::nullopt;
    return name;
}

bool OpenEnvironmentDialog(document::CVarnholtMapEditorDoc& doc,
                           const document::CEnvironmentPresets& presets,
                           const std::string& resourceDir, QWidget* parent) {
    if (doc.Kind() != document::Mission || !doc.WorkingRoot()) return false;
    CEnvironmentDialog dialog(presets, resourceDir, document::MissionPresetName(doc), parent);
    if (dialog.exec() != QDialog::Accepted || dialog.Result() == CEnvironmentDialog::Cancelled)
        return false;
    document::PresetResult applied =
        document::ApplyEnvironment(doc, dialog.ChosenName(), dialog.AddSky());
    if (!applied.refusal.empty())
        QMessageBox::warning(parent, dialog.windowTitle(), Text(applied.refusal));
    return applied.done;
}
