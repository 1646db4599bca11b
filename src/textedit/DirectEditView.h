#pragma once

#include "textedit/ColorRules.h"
#include "textedit/MarkerList.h"
#include "textedit/MultiEditView.h"
#include "textedit/TextModeSession.h"

#include <memory>
#include <vector>

namespace document {
class CVarnholtMapEditorDoc;
}

namespace textedit {

class CColorEditLexer;

// The text mode of a document: its blocks as coloured definition text,
// edited freely, with line markers to jump between places. What is typed
// reaches the file when the document is saved from this window; the
// round trip with the document's elements is the session's.
class CDirectEditView : public CMultiEditView {
    Q_OBJECT
  public:
    explicit CDirectEditView(document::CVarnholtMapEditorDoc* doc, QWidget* parent = nullptr);
    ~CDirectEditView() override;

    document::CVarnholtMapEditorDoc* Document() const { return m_doc; }
    CTextModeSession& Session() { return m_session; }
    const CColorRules& Rules() const { return m_rules; }

    // Shows the document's text anew (at opening, and after the document
    // wrote its elements); markers stay on their line numbers.
    void LoadFromDocument();
    // The document's text mode follows whether this window is the active one.
    void NotifyActivated(bool active);

    // Set Marker: toggles a marker on the caret line.
    void OnSetMarker();
    // Go to Marker: the next marker in line order, wrapping; caret to its line.
    void OnGoToMarker();
    bool CanGoToMarker() const;
    // The marked lines, ascending.
    std::vector<int> MarkerLines() const;

  signals:
    // The document's modified state changed through this window.
    void DocumentModified();

  protected:
    void ShowNotFound(const QString& message) override;

  private:
    // Hands the markers as the text has moved them to the marker list.
    void SyncMarkers();
    int HandleOnLine(int line) const;
    void OnModificationChanged(bool modified);

    document::CVarnholtMapEditorDoc* m_doc;
    CColorRules m_rules;
    CColorEditLexer* m_lexer = nullptr;
    CTextModeSession m_session;
    CMarkerList m_markers;
    std::vector<int> m_markerHandles;
    int m_currentHandle = -1;
    bool m_loading = false;
    // Whether the document was clean when the text left its saved point:
    // only then does undoing back to it make the document clean again.
    bool m_docCleanAtSavePoint = true;
};

} // namespace textedit
