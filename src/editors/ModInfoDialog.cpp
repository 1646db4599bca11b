#include "editors/ModInfoDialog.h"

#include "platform/Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

namespace {
QString Text(const std::string& s) {
    return QString::fromStdString(platform::Cp1252ToUtf8(s));
}
std::string Bytes(const QString& s) {
    return s.toLatin1().toStdString();
}
} // namespace

CModInfoDialog::CModInfoDialog(const document::ModInfo& info,
                               std::vector<document::ExistingMod> mods, QWidget* parent)
    : QDialog(parent), m_base(info), m_mods(std::move(mods)) {
    setWindowTitle("Mod Info");
    m_name = new QComboBox;
    m_name->setEditable(true);
    for (const auto& mod : m_mods)
        m_name->addItem(Text(mod.folder));
    m_name->setCurrentIndex(-1);
    m_name->setEditText(Text(info.name));
    connect(m_name, &QComboBox::activated, this, &CModInfoDialog::ChooseExisting);
    m_title = new QLineEdit(Text(info.title));
    m_version = new QLineEdit(Text(info.version));
    m_description = new QLineEdit(Text(info.description));
    m_title->setObjectName("title");
    m_version->setObjectName("version");
    m_description->setObjectName("description");
    m_side = new QComboBox;
    m_side->addItems({"USSR (0)", "USA (1)", "GER (2)", "GBR (3)"});
    m_side->setCurrentIndex(info.side >= 0 && info.side <= 3 ? info.side : 0);
    m_map = new QCheckBox("Export associated map");
    m_map->setChecked(info.exportMap);
    m_minimap = new QCheckBox("Create minimap");
    m_minimap->setChecked(info.minimap);
    m_environment = new QCheckBox("Export custom environment");
    m_environment->setChecked(info.customEnvironmentAvailable && info.customEnvironment);
    m_environment->setEnabled(info.customEnvironmentAvailable);

    auto* form = new QFormLayout;
    form->addRow("Mod name (folder name):", m_name);
    form->addRow("Mod title (as shown in game menu):", m_title);
    form->addRow("Version:", m_version);
    form->addRow("Description:", m_description);
    form->addRow("Player side:", m_side);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CModInfoDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_map);
    layout->addWidget(m_minimap);
    layout->addWidget(m_environment);
    layout->addWidget(buttons);
}

void CModInfoDialog::ChooseExisting(int index) {
    if (index < 0 || index >= static_cast<int>(m_mods.size())) return;
    const document::ExistingMod& mod = m_mods[static_cast<size_t>(index)];
    m_name->setEditText(Text(mod.folder));
    m_title->setText(Text(mod.title));
    m_description->setText(Text(mod.description));
    m_version->setText(Text(mod.version));
}

document::ModInfo CModInfoDialog::Info() const {
    document::ModInfo info = m_base;
    info.name = Bytes(m_name->currentText());
    info.title = Bytes(m_title->text());
    info.version = Bytes(m_version->text());
    info.description = Bytes(m_description->text());
    info.side = m_side->currentIndex();
    info.exportMap = m_map->isChecked();
    info.minimap = m_minimap->isChecked();
    info.customEnvironment = m_environment->isEnabled() && m_environment->isChecked();
    return info;
}

void CModInfoDialog::accept() {
    // Checked before the export starts, so that the fields can be corrected
    // here instead of the whole dialog being filled in again.
    const std::string problem = document::CheckModInfo(Info());
    if (!problem.empty()) {
        QMessageBox::warning(this, windowTitle(), Text(problem));
        return;
    }
    QDialog::accept();
}
