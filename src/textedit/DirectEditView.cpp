#include "textedit/DirectEditView.h"

#include "document/VarnholtMapEditorDoc.h"
#include "platform/Prompts.h"
#include "textedit/ColorEditLexer.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace textedit {

namespace {

constexpr int kMarkerNumber = 1;
constexpr int kMarkerMargin = 1;
constexpr int kMarkerSize = 18;

// The marker beside a marked line: a blue bookmark ribbon with a notch.
QPixmap MarkerPicture() {
    QPixmap picture(kMarkerSize, kMarkerSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath ribbon;
    ribbon.moveTo(5, 2);
    ribbon.lineTo(13, 2);
    ribbon.lineTo(13, 16);
    ribbon.lineTo(9, 12);
    ribbon.lineTo(5, 16);
    ribbon.closeSubpath();
    painter.setPen(QPen(QColor(20, 60, 140), 1));
    painter.setBrush(QColor(60, 120, 220));
    painter.drawPath(ribbon);
    painter.setPen(QPen(QColor(200, 220, 255), 1));
    painter.drawLine(QPointF(7, 4), QPointF(7, 11));
    return picture;
}

QFont EditorFont() {
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(10);
    return font;
}

} // namespace

CDirectEditView::CDirectEditView(document::CVarnholtMapEditorDoc* doc, QWidget* parent)
    : CMultiEditView(parent), m_doc(doc), m_session(*doc) {
    AddDirectEditKeywords(m_rules);
    m_lexer = new CColorEditLexer(m_rules, EditorFont(), this);
    setLexer(m_lexer);

    markerDefine(MarkerPicture(), kMarkerNumber);
    setMarginType(kMarkerMargin, SymbolMargin);
    setMarginWidth(kMarkerMargin, kMarkerSize + 2);
    setMarginMarkerMask(kMarkerMargin, 1 << kMarkerNumber);
    setMarginSensitivity(kMarkerMargin, true);
    connect(this, &QsciScintilla::marginClicked, this,
            [this](int, int line, Qt::KeyboardModifiers) {
                setCursorPosition(line, 0);
                OnSetMarker();
            });
    connect(this, &QsciScintilla::modificationChanged, this,
            &CDirectEditView::OnModificationChanged);
    LoadFromDocument();
}

CDirectEditView::~CDirectEditView() {
    // The next text window writes the document's elements afresh.
    m_doc->SetTextMode(false);
    m_doc->DirectEditText().clear();
}

void CDirectEditView::LoadFromDocument() {
    const std::vector<int> marked = MarkerLines();
    m_loading = true;
    SetTextBytes(m_session.LoadText());
    m_loading = false;
    markerDeleteAll(kMarkerNumber);
    m_markerHandles.clear();
    m_currentHandle = -1;
    const int current = m_markers.Current();
    for (int line : marked) {
        if (line >= lines()) continue;
        m_markerHandles.push_back(markerAdd(line, kMarkerNumber));
        if (line == current) m_currentHandle = m_markerHandles.back();
    }
    SyncMarkers();
    emit CommandStateChanged();
}

void CDirectEditView::NotifyActivated(bool active) {
    m_doc->SetTextMode(active);
}

void CDirectEditView::OnModificationChanged(bool modified) {
    if (m_loading) return;
    if (modified) {
        m_docCleanAtSavePoint = !m_doc->IsModified();
        m_doc->SetModifiedFlag(true);
    } else if (m_docCleanAtSavePoint) {
        m_doc->SetModifiedFlag(false);
    }
    emit DocumentModified();
}

void CDirectEditView::ShowNotFound(const QString& message) {
    if (platform::Prompts* prompts = m_doc->Services().prompts) {
        prompts->Message(message.toStdString(), platform::Icon::Warning);
        return;
    }
    CMultiEditView::ShowNotFound(message);
}

// --- markers -----------------------------------------------------------------------------

std::vector<int> CDirectEditView::MarkerLines() const {
    std::vector<int> lines;
    for (int handle : m_markerHandles)
        if (int line = markerLine(handle); line >= 0) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

void CDirectEditView::SyncMarkers() {
    // Markers whose lines were deleted are gone.
    std::erase_if(m_markerHandles, [this](int handle) { return markerLine(handle) < 0; });
    m_markers.Reset(MarkerLines(), m_currentHandle >= 0 ? markerLine(m_currentHandle) : -1);
}

int CDirectEditView::HandleOnLine(int line) const {
    for (int handle : m_markerHandles)
        if (markerLine(handle) == line) return handle;
    return -1;
}

void CDirectEditView::OnSetMarker() {
    SyncMarkers();
    const int line = CaretLine();
    if (m_markers.Toggle(line)) {
        m_markerHandles.push_back(markerAdd(line, kMarkerNumber));
        m_currentHandle = m_markerHandles.back();
    } else {
        // Lines whose text was deleted can carry two markers: both go.
        std::erase_if(m_markerHandles, [this, line](int handle) {
            if (markerLine(handle) != line) return false;
            markerDeleteHandle(handle);
            return true;
        });
        m_currentHandle = HandleOnLine(m_markers.Current());
    }
    emit CommandStateChanged();
}

void CDirectEditView::OnGoToMarker() {
    SyncMarkers();
    const int line = m_markers.Next();
    if (line < 0) return;
    m_currentHandle = HandleOnLine(line);
    GoToLine(line);
}

bool CDirectEditView::CanGoToMarker() const {
    return !MarkerLines().empty();
}

} // namespace textedit
