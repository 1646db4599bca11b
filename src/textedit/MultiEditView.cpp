#include "textedit/MultiEditView.h"

#include "platform/Text.h"
#include "textedit/EditText.h"
#include "textedit/TextFindDialog.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>

namespace textedit {

namespace {

using Sci = QsciScintillaBase;

class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The component's own accessible text counts the characters from the start
// of the text to the caret whenever the caret moves, which on a 10 MB
// mission costs tens of milliseconds a keystroke. Without assistive
// technology nobody reads that count, so the view then describes itself as
// a plain editable widget; with it, the component's full description stays.
QAccessibleInterface* PlainViewAccessible(const QString& className, QObject* object) {
    if (QAccessible::isActive() || !object || !object->isWidgetType() ||
        className != QLatin1String(CMultiEditView::staticMetaObject.className()))
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::EditableText);
}

} // namespace

CMultiEditView::CMultiEditView(QWidget* parent) : QsciScintilla(parent) {
    setUtf8(true);
    setEolMode(EolWindows);
    setEolVisibility(false);
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(10);
    setFont(font);
    setTabWidth(4);
    setIndentationsUseTabs(true);
    setCaretWidth(2);
    setMarginWidth(0, 0);
    setMarginWidth(1, 0);
    setWrapVisualFlags(WrapFlagByText);
    setWrapIndentMode(WrapIndentIndented);

    connect(this, &QsciScintilla::selectionChanged, this, &CMultiEditView::CommandStateChanged);
    connect(this, &QsciScintilla::modificationChanged, this, &CMultiEditView::CommandStateChanged);

    static const bool plainAccessibleInstalled = [] {
        QAccessible::installFactory(PlainViewAccessible);
        return true;
    }();
    Q_UNUSED(plainAccessibleInstalled);
    // Each insertion or deletion the component reports makes it count the
    // characters from the start of the text up to the change, for assistive
    // technology. Without any, the view asks only to hear of changes before
    // they happen, which is all the long-line check needs.
    if (!QAccessible::isActive())
        SendScintilla(Sci::SCI_SETMODEVENTMASK,
                      static_cast<unsigned long>(SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE));
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char*, int length, int, int, int, int, int, int) {
                if (m_wrapped || m_settingText || m_longLineCheckQueued ||
                    !MayMakeLongLine(type, position, length))
                    return;
                // The text is not in place yet: look once the edit is done.
                m_longLineCheckQueued = true;
                QMetaObject::invokeMethod(
                    this, [this] { CheckForLongLines(); }, Qt::QueuedConnection);
            });
}

CMultiEditView::~CMultiEditView() = default;

void CMultiEditView::SetTextBytes(std::string_view cp1252) {
    WaitCursor wait;
    const std::string text = NormaliseLineEnds(cp1252);
    m_wrapped = HasLineLongerThan(text, kMaxLineLength);
    UpdateWrap();
    const bool readOnly = isReadOnly();
    setReadOnly(false);
    const std::string utf8 = platform::Cp1252ToUtf8(text);
    m_settingText = true;
    SendScintilla(Sci::SCI_SETTEXT, utf8.c_str());
    m_settingText = false;
    SendScintilla(Sci::SCI_EMPTYUNDOBUFFER);
    SendScintilla(Sci::SCI_SETSAVEPOINT);
    SendScintilla(Sci::SCI_GOTOPOS, 0ul);
    setReadOnly(readOnly);
    emit CommandStateChanged();
}

std::string CMultiEditView::TextBytes() const {
    const long length = SendScintilla(Sci::SCI_GETLENGTH);
    std::string utf8(static_cast<size_t>(length) + 1, '\0');
    SendScintilla(Sci::SCI_GETTEXT, static_cast<unsigned long>(length + 1),
                  static_cast<void*>(utf8.data()));
    utf8.resize(static_cast<size_t>(length));
    return Utf8ToCp1252(utf8);
}

void CMultiEditView::MarkSaved() {
    SendScintilla(Sci::SCI_SETSAVEPOINT);
}

void CMultiEditView::UpdateWrap() {
    // The text is never broken: a line break inside a quoted value would
    // change what the game reads. Long lines are only shown wrapped.
    setWrapMode(m_wrapped ? WrapWord : WrapNone);
}

bool CMultiEditView::MayMakeLongLine(int type, long position, long length) const {
    // Line lengths here count the CR LF.
    const long limit = static_cast<long>(kMaxLineLength) + 2;
    const long first =
        SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position));
    const long firstLength = lineLength(static_cast<int>(first));
    // The inserted text is not at hand: at most, all of it lands on one line.
    if (type & SC_MOD_BEFOREINSERT) return firstLength + length > limit;
    if (!(type & SC_MOD_BEFOREDELETE)) return false;
    // Deleting across line ends joins the first line's head to the last one's tail.
    const long last =
        SendScintilla(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(position + length));
    if (last == first) return false;
    const long head =
        position - SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(first));
    const long tail = SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(last)) +
                      lineLength(static_cast<int>(last)) - (position + length);
    return head + tail > limit;
}

void CMultiEditView::CheckForLongLines() {
    m_longLineCheckQueued = false;
    if (m_wrapped) return;
    // Rare (a paste of a few KB, a line near the limit): one pass over the
    // whole text is simpler than following where the edits moved.
    const auto length = static_cast<size_t>(SendScintilla(Sci::SCI_GETLENGTH));
    const auto* text =
        static_cast<const char*>(SendScintillaPtrResult(Sci::SCI_GETCHARACTERPOINTER));
    if (text && HasLineLongerThan(std::string_view(text, length), kMaxLineLength)) {
        m_wrapped = true;
        UpdateWrap();
    }
}

// --- commands --------------------------------------------------------------------------------

void CMultiEditView::OnCut() {
    if (CanCut()) cut();
}

void CMultiEditView::OnCopy() {
    if (CanCopy()) copy();
}

void CMultiEditView::OnPaste() {
    if (CanPaste()) paste();
}

void CMultiEditView::OnClear() {
    if (!isReadOnly()) removeSelectedText();
}

void CMultiEditView::OnClearAll() {
    if (!isReadOnly()) clear();
}

void CMultiEditView::OnSelectAll() {
    selectAll(true);
}

void CMultiEditView::OnUndo() {
    undo();
}

void CMultiEditView::OnRedo() {
    redo();
}

bool CMultiEditView::CanCut() const {
    return hasSelectedText() && !isReadOnly();
}

bool CMultiEditView::CanCopy() const {
    return hasSelectedText();
}

bool CMultiEditView::CanPaste() const {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return !isReadOnly() && data && data->hasText();
}

bool CMultiEditView::CanUndo() const {
    return isUndoAvailable();
}

bool CMultiEditView::CanRedo() const {
    return isRedoAvailable();
}

// --- find and go to line -----------------------------------------------------------------

void CMultiEditView::OnFind() {
    if (!m_findDialog) {
        QString initial = selectedText();
        if (initial.contains(QLatin1Char('\n')) || initial.contains(QLatin1Char('\r')))
            initial.clear();
        m_findDialog = new CTextFindDialog(initial, this);
        connect(m_findDialog, &CTextFindDialog::FindNextRequested, this,
                [this](const QString& text, bool matchCase, bool wholeWord, bool down) {
                    FindNext(text, matchCase, wholeWord, down);
                });
        connect(m_findDialog, &CTextFindDialog::Closing, this, [this] {
            if (m_findDialog) m_findDialog->deleteLater();
            m_findDialog = nullptr;
        });
    }
    m_findDialog->show();
    m_findDialog->raise();
    m_findDialog->activateWindow();
}

bool CMultiEditView::FindNext(const QString& text, bool matchCase, bool wholeWord, bool down) {
    if (text.isEmpty()) return false;
    const QByteArray needle = text.toUtf8();
    const long length = SendScintilla(Sci::SCI_GETLENGTH);
    const long selStart = SendScintilla(Sci::SCI_GETSELECTIONSTART);
    const long selEnd = SendScintilla(Sci::SCI_GETSELECTIONEND);
    const unsigned long flags = (matchCase ? static_cast<unsigned long>(SCFIND_MATCHCASE) : 0ul) |
                                (wholeWord ? static_cast<unsigned long>(SCFIND_WHOLEWORD) : 0ul);
    SendScintilla(Sci::SCI_SETSEARCHFLAGS, flags);
    auto search = [&](long from, long to) {
        // A target running backwards makes the component search backwards.
        SendScintilla(Sci::SCI_SETTARGETRANGE, static_cast<unsigned long>(from), to);
        return SendScintilla(Sci::SCI_SEARCHINTARGET, static_cast<uintptr_t>(needle.size()),
                             needle.constData());
    };
    // Forward from behind the selection, backward from before it; the other
    // end of the text once, when nothing is found on the way.
    long hit = down ? search(selEnd, length) : search(selStart, 0);
    if (hit < 0) hit = down ? search(0, length) : search(length, 0);
    if (hit < 0) {
        ShowNotFound(QStringLiteral("The string '%1' could not be found.").arg(text));
        return false;
    }
    const long end = SendScintilla(Sci::SCI_GETTARGETEND);
    if (down)
        SendScintilla(Sci::SCI_SETSEL, static_cast<unsigned long>(hit), end);
    else
        SendScintilla(Sci::SCI_SETSEL, static_cast<unsigned long>(end), hit);
    SendScintilla(Sci::SCI_SCROLLCARET);
    return true;
}

void CMultiEditView::ShowNotFound(const QString& message) {
    QMessageBox::warning(this, QGuiApplication::applicationDisplayName(), message);
}

void CMultiEditView::GoToLine(int line) {
    const int last = std::max(0, lines() - 1);
    line = std::clamp(line, 0, last);
    SendScintilla(Sci::SCI_GOTOLINE, static_cast<unsigned long>(line));
    ensureLineVisible(line);
    emit CommandStateChanged();
}

int CMultiEditView::CaretLine() const {
    int line = 0, index = 0;
    getCursorPosition(&line, &index);
    return line;
}

} // namespace textedit
