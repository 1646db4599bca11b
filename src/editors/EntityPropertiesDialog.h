#pragma once

#include "document/PropertyForms.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class CInventoryGridWidget;

// The property dialog of a placed entity, laid out for its category
// (Vehicle, Gun, Weapon, Human, Train, Box Object with Inventory,
// Landscape). It shows the entity's record as the form read it; OK writes
// the fields back into the record and applies it as one undoable step, or
// shows why it cannot and stays open. Cancel changes nothing.
class CEntityPropertiesDialog : public QDialog {
    Q_OBJECT
  public:
    // form has read the entity already.
    CEntityPropertiesDialog(document::CEntityForm& form, QWidget* parent = nullptr);

    CInventoryGridWidget* Grid() const { return m_grid; }
    // OK, callable by tests; true when the entity was written.
    bool OnOk();
    // Accepting runs OK first and is refused when OK is.
    void done(int result) override;

  protected:
    // Shows why OK was refused; tests replace it.
    virtual void ShowRefusal(const QString& text);

  private:
    void BuildCommon(class QFormLayout* form);
    void BuildUnit(class QFormLayout* form);
    void BuildHuman(class QFormLayout* form);
    void BuildGrid(class QVBoxLayout* layout, const QString& caption);
    // Copies what the fields show into the record.
    void StoreFields();
    void OnBreedChosen(int index);

    document::CEntityForm& m_form;
    std::array<QDoubleSpinBox*, 3> m_position{};
    QDoubleSpinBox* m_turn = nullptr;
    std::array<double, 3> m_shownPosition{}; // what the fields first showed
    double m_shownTurn = 0;
    QComboBox* m_texMod = nullptr;
    QComboBox* m_player = nullptr;
    QCheckBox* m_control = nullptr;
    QSpinBox* m_mid = nullptr;
    QSpinBox* m_fuel = nullptr;
    QSpinBox* m_maxHealth = nullptr;
    QSpinBox* m_currentHealth = nullptr;
    QCheckBox* m_dead = nullptr;
    QButtonGroup* m_state = nullptr;
    QButtonGroup* m_fire = nullptr;
    QButtonGroup* m_movement = nullptr;
    QComboBox* m_breed = nullptr;
    QComboBox* m_crew = nullptr;
    CInventoryGridWidget* m_grid = nullptr;
    QLabel* m_feedback = nullptr;
};

// Set Properties on an element of the document: opens the dialog its kind
// calls for (an entity's, a waypoint's, a zone's or a trigger's). True when
// the document was changed.
bool EditElementProperties(document::CVarnholtMapEditorDoc& doc, CDefNode* node, QWidget* parent);
// Add Crew Member: the seat dialog for passenger in vehicle; true when boarded.
bool EditCrewMember(document::CVarnholtMapEditorDoc& doc, CDefNode& passenger,
                    const CDefNode& vehicle, QWidget* parent);
