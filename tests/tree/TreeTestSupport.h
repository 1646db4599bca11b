#pragma once

#include "document/DocumentHost.h"
#include "document/VarnholtMapEditorDoc.h"
#include "format/DefNode.h"
#include "support/QtTestSupport.h"
#include "tree/DefTreeModel.h"
#include "tree/EntryDialog.h"
#include "tree/VarnholtMapEditorView.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tree_testing {

// A mission on its base map: two entities and two events in its Helpers.
inline constexpr const char* kMission = R"(
{map {WorldBound 0 0 1 1}}
{mission
  {Entity "m4a2" 0x8001 {MID 5}}
  {Entity "tiger" 0x8002 {MID 6}}
  {Helpers {event "e" id 0 state 0} {event "f" id 1 state 0}}
})";

inline std::unique_ptr<CVarnholtMapEditorDoc>
MakeDoc(std::string_view text, document::DocumentKind kind = document::Mission) {
    testing_support::TestApp();
    auto doc = std::make_unique<CVarnholtMapEditorDoc>();
    doc->SetKind(kind);
    doc->LoadFromText(text);
    doc->ScanAll();
    return doc;
}

// A tree view that records its not-found messages instead of showing them.
class TestView : public CVarnholtMapEditorView {
  public:
    using CVarnholtMapEditorView::CVarnholtMapEditorView;
    std::vector<QString> notFound;

  protected:
    void ShowNotFound(const QString& text) override { notFound.push_back(text); }
};

class RecordingRelay : public document::MessageRelay {
  public:
    struct Message {
        document::AppMessage message;
        intptr_t first, second;
    };
    std::vector<Message> messages;
    void Relay(document::AppMessage message, intptr_t first, intptr_t second) override {
        messages.push_back({message, first, second});
    }
};

inline QModelIndex IndexOf(const CVarnholtMapEditorView& view, const CDefNode* node) {
    return static_cast<CDefTreeModel*>(view.model())->IndexOfNode(node);
}

// Runs action on the entry dialog that the next modal call opens, once it shows.
inline void OnEntryDialog(std::function<void(CEntryDialog&)> action) {
    QTimer::singleShot(0, [action] {
        auto* dialog = qobject_cast<CEntryDialog*>(QApplication::activeModalWidget());
        if (dialog)
            action(*dialog);
        else if (QWidget* other = QApplication::activeModalWidget())
            other->close();
    });
}

inline void Click(QWidget& dialog, const char* button) {
    dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click();
}

inline void SetField(QWidget& dialog, const char* field, const QString& text) {
    dialog.findChild<QLineEdit*>(QString::fromLatin1(field))->setText(text);
}

} // namespace tree_testing
