#pragma once

#include <string>
#include <string_view>

namespace document {
class CVarnholtMapEditorDoc;
}

namespace textedit {

// What the user is asked when the text window holds edits that the
// document's elements do not, and a save or a close would otherwise drop them.
inline constexpr const char* kKeepTextEditsOnSaveQuestion =
    "The text window holds edits that the other views do not show.\n"
    "Take the text into the document before saving? Its elements are then replaced by the "
    "text.\n"
    "No discards the text edits and saves the elements as the other views show them.";
inline constexpr const char* kKeepTextEditsOnCloseQuestion =
    "The text window holds edits that the other views do not show.\n"
    "Take the text into the document? Its elements are then replaced by the text.\n"
    "No discards the text edits.";

// The text mode round trip between the text window and its document. The
// window's text is compared with the text its document's elements were last
// known to give, so that edits in the window are never dropped without the
// user's word: a save from another view or closing the window asks first,
// and text saved from the window is read back into the elements so that
// every view shows what the file holds.
class CTextModeSession {
  public:
    explicit CTextModeSession(document::CVarnholtMapEditorDoc& doc) : m_doc(doc) {}

    // The text for the window: the document's text for it, written from the
    // document's blocks (those a save writes) when there is none yet, with
    // every line ending in CR LF. The elements hold exactly this text.
    std::string LoadText();
    // Whether text (Windows-1252, as the window holds it) has edits the elements lack.
    bool HoldsEdits(std::string_view text) const { return text != m_synced; }

    enum class Outcome {
        Unchanged,        // nothing to take: go on
        Discarded,        // the user dropped the edits: go on, then reload the window
        ElementsReplaced, // the text is the document's content now: views show it anew
        Refused,          // the text does not read back; the user was told: stop
    };
    // Before a save from another view. Text with edits brings the question
    // above: Yes reads it into the elements, No discards it. Refused means
    // nothing may be saved.
    Outcome BeforeSaveElsewhere(std::string_view text);
    // After the window's text was saved as typed: reads it back into the
    // elements. Refused after telling the user that the other views keep the
    // old elements; the text then stays what counts until it reads back.
    Outcome AfterTextSaved(std::string_view text);
    // Before the window closes while the document stays open. Refused keeps
    // the window open.
    Outcome BeforeClose(std::string_view text);

  private:
    Outcome TakeIntoElements(std::string_view text, std::string_view consequence);

    document::CVarnholtMapEditorDoc& m_doc;
    std::string m_synced; // the text the elements give
};

} // namespace textedit
