#pragma once

#include "document/DocExport.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;

// The "Mod Info" dialog of the mod export: the folder name (with the mods
// already installed to choose from), title, version, description, player
// side and the three export options.
class CModInfoDialog : public QDialog {
    Q_OBJECT
  public:
    CModInfoDialog(const document::ModInfo& info, std::vector<document::ExistingMod> mods,
                   QWidget* parent = nullptr);

    // The fields as entered (defaults are applied by the export).
    document::ModInfo Info() const;
    // Choosing an installed mod fills title, description and version from its info.mod.
    void ChooseExisting(int index);

    QComboBox* NameBox() const { return m_name; }

    // OK: a name that cannot be a folder, or a text that the mod's files
    // would not read back, is refused with a message and the dialog stays
    // open as typed.
    void accept() override;

  private:
    document::ModInfo m_base;
    std::vector<document::ExistingMod> m_mods;
    QComboBox* m_name = nullptr;
    QLineEdit *m_title = nullptr, *m_version = nullptr, *m_description = nullptr;
    QComboBox* m_side = nullptr;
    QCheckBox *m_map = nullptr, *m_minimap = nullptr, *m_environment = nullptr;
};
