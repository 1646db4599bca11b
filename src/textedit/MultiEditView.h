#pragma once

#include <Qsci/qsciscintilla.h>

#include <QPointer>
#include <QString>

#include <string>
#include <string_view>

namespace textedit {

class CTextFindDialog;

// A multi-line text editing view over the editing component: caret,
// selection with mouse and keyboard, clipboard, undo and redo with a saved
// point, find, go to line, a fixed-width font. Every line ends in CR LF.
// The text goes in and out as Windows-1252 bytes, as the game's files hold it;
// the component itself works in UTF-8. Unless assistive technology is
// running, the component reports no insertions or deletions after the fact
// (its textChanged and linesChanged signals stay quiet): see the constructor.
class CMultiEditView : public QsciScintilla {
    Q_OBJECT
  public:
    explicit CMultiEditView(QWidget* parent = nullptr);
    ~CMultiEditView() override;

    // Replaces the whole text (line ends made CR LF), empties undo and redo
    // and makes this the saved point. Long lines are shown wrapped.
    void SetTextBytes(std::string_view cp1252);
    // The whole text as Windows-1252 bytes.
    std::string TextBytes() const;
    // The current state is the saved one (undoing back to it is unmodified).
    void MarkSaved();

    // Commands of the view.
    void OnCut();
    void OnCopy();
    void OnPaste();
    void OnClear();    // deletes the selection
    void OnClearAll(); // empties the text (one undo step)
    void OnSelectAll();
    void OnUndo();
    void OnRedo();
    void OnFind();
    bool CanCut() const;
    bool CanCopy() const;
    bool CanPaste() const;
    bool CanUndo() const;
    bool CanRedo() const;

    // One find-next request as the find dialog sends it: searches from the
    // selection in the given direction, wrapping once at the end of the text;
    // selects the hit. False after "The string '...' could not be found.".
    bool FindNext(const QString& text, bool matchCase, bool wholeWord, bool down = true);
    // Caret to the start of line (clamped to the text), selection dropped,
    // the line scrolled into view.
    void GoToLine(int line);
    // The line the caret is on.
    int CaretLine() const;

  signals:
    // Something the menus show changed (selection, undo state, markers).
    void CommandStateChanged();

  protected:
    // Shows the message of a search that found nothing (an exclamation box).
    virtual void ShowNotFound(const QString& message);

  private:
    void UpdateWrap();
    // Whether the insertion or deletion about to happen (a modification
    // type, its position and length) can leave a line longer than the limit.
    bool MayMakeLongLine(int type, long position, long length) const;
    // Wraps the view if the text now holds a long line.
    void CheckForLongLines();

    QPointer<CTextFindDialog> m_findDialog;
    bool m_wrapped = false;
    bool m_settingText = false;
    bool m_longLineCheckQueued = false;
};

} // namespace textedit
