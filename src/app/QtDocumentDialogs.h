#pragma once

#include "document/DocumentHost.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace document {
class CVarnholtMapEditorDoc;
}

namespace app {

// The dialogs a document opens, shown with Qt: the base map and save file
// dialogs, the Map Templates list, the pak browser, Bounds and Camera, Game
// Options and Camera Path. The Trigger Properties dialog comes with its editor and
// answers as cancelled until then.
class CQtDocumentDialogs : public document::DocumentDialogs {
  public:
    // defaultSuffix: what the save dialog appends to a name typed without
    // one ("mi" for missions and maps, "def" for definition files); filter:
    // the document kind's file filter.
    CQtDocumentDialogs(QWidget* parent, QString defaultSuffix, QString filter)
        : m_parent(parent), m_defaultSuffix(std::move(defaultSuffix)), m_filter(std::move(filter)) {
    }
    // The document these dialogs serve; its kind decides the save suffix.
    void SetDocument(const document::CVarnholtMapEditorDoc* doc) { m_doc = doc; }
    // Where the unpacked resources are: the map templates' variants are found there.
    void SetResourceDir(std::string dir) { m_resourceDir = std::move(dir); }
    // The suffix the save dialog appends to a bare name: none for maps,
    // whose files have no extension.
    QString SaveSuffix() const;

    std::optional<std::string> OpenBaseMap() override;
    std::optional<std::string>
    ChooseMapTemplate(const std::vector<std::string>& templates) override;
    std::optional<std::string>
    PickPakMember(const std::vector<pak::PakMemberInfo>& members) override;
    std::optional<std::string> AskSaveFileName(std::string_view proposal, bool replace) override;
    bool EditBounds(document::BoundsDialogData& data) override;
    // The Trigger Properties dialog on the trigger a waypoint link built.
    bool EditTrigger(document::TriggerRecord& record, CDefNode& node) override;
    bool GameOptions(int& side) override;
    bool EditModInfo(document::ModInfo& info,
                     const std::vector<document::ExistingMod>& mods) override;
    std::optional<document::CameraPathStart>
    ChooseCameraPathStart(const std::vector<std::string>& triggers) override;

  private:
    QPointer<QWidget> m_parent;
    std::string m_resourceDir;
    const document::CVarnholtMapEditorDoc* m_doc = nullptr;
    QString m_defaultSuffix;
    QString m_filter;
};

// The base map a file dialog answer names: the answer itself when it
// exists, otherwise the answer with ".map" appended when that exists (a base
// map may be typed without its extension), otherwise the answer unchanged.
QString ResolveBaseMapAnswer(const QString& answer);

} // namespace app
