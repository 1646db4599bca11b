#include "app/QtDocumentDialogs.h"

#include "editors/CameraPathDialog.h"
#include "editors/HelperDialogs.h"
#include "view3d/MapTemplateList.h"

#include "app/AppDialogs.h"
#include "app/BoundsDialog.h"
#include "app/PakBrowser.h"
#include "app/QtPlatform.h"
#include "document/DocExport.h"
#include "document/VarnholtMapEditorDoc.h"
#include "editors/ModInfoDialog.h"
#include "pak/PakArchive.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace app {

namespace {

// Dialogs opened while the wait cursor of an open is up still need the arrow.
class ArrowCursor {
  public:
    ArrowCursor() : m_overridden(QApplication::overrideCursor() != nullptr) {
        if (m_overridden) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowCursor() {
        if (m_overridden) QApplication::restoreOverrideCursor();
    }

  private:
    bool m_overridden;
};

} // namespace

QString ResolveBaseMapAnswer(const QString& answer) {
    if (answer.isEmpty() || QFileInfo::exists(answer)) return answer;
    QString withSuffix = answer + QStringLiteral(".map");
    return QFileInfo::exists(withSuffix) ? withSuffix : answer;
}

std::optional<std::string> CQtDocumentDialogs::OpenBaseMap() {
    ArrowCursor arrow;
    // Base maps are files named "map" without an extension, so the dialog
    // must not append one itself: ".map" is tried only for a name that does
    // not exist as typed.
    QFileDialog dialog(m_parent, QString::fromUtf8(document::kOpenBaseMapTitle));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    QString chosen = ResolveBaseMapAnswer(dialog.selectedFiles().first());
    if (!QFileInfo(chosen).isFile()) return std::nullopt;
    return ToPath(chosen);
}

std::optional<std::string>
CQtDocumentDialogs::ChooseMapTemplate(const std::vector<std::string>& templates) {
    ArrowCursor arrow;
    // A new map starts from a variant of a map: "name:variant", one for
    // each variant folder of the unpacked resources. Without any, the maps
    // are offered by their names.
    std::vector<std::string> variants = m_resourceDir.empty()
                                            ? std::vector<std::string>()
                                            : view3d::ListMapTemplates(m_resourceDir, templates);
    CMapTemplatesDialog dialog(variants.empty() ? templates : variants, m_parent);
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen().empty()) return std::nullopt;
    return dialog.Chosen();
}

std::optional<std::string>
CQtDocumentDialogs::PickPakMember(const std::vector<pak::PakMemberInfo>& members) {
    ArrowCursor arrow;
    CPakBrowserDialog dialog(members, m_parent);
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenMember().empty()) return std::nullopt;
    return dialog.ChosenMember();
}

std::optional<std::string> CQtDocumentDialogs::AskSaveFileName(std::string_view proposal,
                                                               bool replace) {
    ArrowCursor arrow;
    QFileDialog dialog(m_parent, replace ? QStringLiteral("Save") : QStringLiteral("Save Copy As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!m_filter.isEmpty()) SetFileFilters(dialog, {m_filter});
    dialog.setDefaultSuffix(SaveSuffix());
    QString proposed = FromPath(std::string(proposal));
    QFileInfo info(proposed);
    if (info.isAbsolute()) dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ToPath(dialog.selectedFiles().first());
}

QString CQtDocumentDialogs::SaveSuffix() const {
    // Appending "mi" to the proposal "map" would save a new map as a
    // mission file that then opens as a mission.
    if (m_doc && m_doc->Kind() != document::Mission) return {};
    return m_defaultSuffix;
}

bool CQtDocumentDialogs::EditBounds(document::BoundsDialogData& data) {
    ArrowCursor arrow;
    CBoundsDialog dialog(data, m_parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    return dialog.Rectangles(data);
}

bool CQtDocumentDialogs::GameOptions(int& side) {
    CGameOptionsDialog dialog(side, m_parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    side = dialog.Side();
    return true;
}

bool CQtDocumentDialogs::EditModInfo(document::ModInfo& info,
                                     const std::vector<document::ExistingMod>& mods) {
    CModInfoDialog dialog(info, mods, m_parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    info = dialog.Info();
    return true;
}

std::optional<document::CameraPathStart>
CQtDocumentDialogs::ChooseCameraPathStart(const std::vector<std::string>& triggers) {
    ArrowCursor arrow;
    return RunCameraPathDialog(triggers, m_parent);
}

bool CQtDocumentDialogs::EditTrigger(document::TriggerRecord& record, CDefNode& node) {
    return EditTriggerProperties(record, node, m_parent);
}

} // namespace app
