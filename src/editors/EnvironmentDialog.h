#pragma once

#include "document/EnvironmentPresets.h"

#include <QColor>
#include <QDialog>

#include <map>
#include <optional>
#include <string>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace document {
class CVarnholtMapEditorDoc;
}

// Draws the sun's direction seen from above: the line points where the light
// comes from, its length shows how low the sun stands.
class CSunDirectionControl : public QWidget {
    Q_OBJECT
  public:
    explicit CSunDirectionControl(QWidget* parent = nullptr);
    void SetDirection(const std::array<float, 3>& direction);
    QSize sizeHint() const override { return {90, 90}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::array<float, 3> m_direction{};
};

// The Environment Settings dialog: the game's and the custom presets, the
// values of the chosen one, and the two ways out: "Use Preset" names the
// chosen preset, "Use Custom" saves the edited values as the custom preset
// and names that.
class CEnvironmentDialog : public QDialog {
    Q_OBJECT
  public:
    enum Choice { Cancelled, UsePreset, UseCustom };

    CEnvironmentDialog(const document::CEnvironmentPresets& presets, std::string resourceDir,
                       const std::string& currentName, QWidget* parent = nullptr);

    document::EnvironmentValues Values() const;
    void SetValues(const document::EnvironmentValues& values);
    // Selects a preset by name and loads its values, as a click in the list does.
    void SelectPreset(const std::string& name);
    std::string SelectedName() const;
    bool UseCustomEnabled() const;
    bool AddSky() const;
    Choice Result() const { return m_choice; }
    // The name the mission receives: the selected or the custom preset's.
    const std::string& ChosenName() const { return m_chosenName; }

    // Buttons, callable by tests. Both refuse a name or a text that a preset
    // file or the mission would not read back: the message says why and the
    // dialog stays open as it was; a refused custom name is asked again.
    void OnUsePreset();
    void OnUseCustom();
    void OnPickFile(int field);
    void OnPickColour(int swatch);

  protected:
    // The dialogs this one opens; tests replace them.
    virtual QString AskFile(const QString& title, const QString& folder, const QString& filter);
    virtual std::optional<QColor> AskColour(const QColor& start);
    virtual std::optional<QString> AskCustomName(const QString& proposal);

  private:
    // Shows why a text cannot be stored, over this dialog, which stays open
    // with everything as typed; false when there is no problem.
    bool Refuse(const std::string& problem);
    void OnSelectionChanged();
    void OnEdited();
    void ShowColour(int swatch);
    void SetUseCustom(bool enabled);

    const document::CEnvironmentPresets& m_presets;
    std::string m_resourceDir;
    std::string m_customName;
    std::string m_chosenName;
    Choice m_choice = Cancelled;
    bool m_loading = false;
    document::EnvironmentValues m_colours; // the swatches' colours live here

    QListWidget* m_list = nullptr;
    QPushButton* m_useCustom = nullptr;
    std::array<QDoubleSpinBox*, 3> m_direction{};
    CSunDirectionControl* m_sun = nullptr;
    std::array<QPushButton*, 7> m_swatches{};
    QCheckBox *m_night = nullptr, *m_haze = nullptr, *m_weather = nullptr, *m_thunder = nullptr,
              *m_sky = nullptr;
    QDoubleSpinBox *m_nightVision = nullptr, *m_intensity = nullptr, *m_shadowAlpha = nullptr;
    QSpinBox *m_wind = nullptr, *m_hazeStart = nullptr, *m_hazeEnd = nullptr, *m_density = nullptr;
    std::array<QSpinBox*, 2> m_interval{};
    std::array<QLineEdit*, 3> m_files{}; // sky, clouds, rain
    QLineEdit *m_weatherSound = nullptr, *m_thunderSound = nullptr;
};

// The "Environment Settings..." command on a mission: shows the dialog on
// the mission's preset and applies the user's choice. True when applied.
bool OpenEnvironmentDialog(document::CVarnholtMapEditorDoc& doc,
                           const document::CEnvironmentPresets& presets,
                           const std::string& resourceDir, QWidget* parent);
