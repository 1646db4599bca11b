#include "textedit/TextModeSession.h"

#include "document/VarnholtMapEditorDoc.h"
#include "format/ParseProblem.h"
#include "platform/Prompts.h"
#include "textedit/EditText.h"

#include <vector>

namespace textedit {

std::string CTextModeSession::LoadText() {
    std::string& text = m_doc.DirectEditText();
    if (text.empty()) {
        format::StringSink sink;
        for (const auto& root : m_doc.Roots())
            root->WriteNode(sink);
        text = std::move(sink.text);
    }
    m_synced = NormaliseLineEnds(text);
    return m_synced;
}

CTextModeSession::Outcome CTextModeSession::TakeIntoElements(std::string_view text,
                                                             std::string_view consequence) {
    std::vector<format::ParseProblem> problems;
    if (m_doc.ReloadFromText(text, problems)) {
        m_synced = std::string(text);
        return Outcome::ElementsReplaced;
    }
    if (platform::Prompts* prompts = m_doc.Services().prompts) {
        std::string why = problems.empty() ? std::string("It holds no block.\n")
                                           : format::DescribeProblems(problems);
        prompts->Message("The text of the text window does not read back as the document's "
                         "elements:\n" +
                             why + std::string(consequence),
                         platform::Icon::Warning);
    }
    return Outcome::Refused;
}

CTextModeSession::Outcome CTextModeSession::BeforeSaveElsewhere(std::string_view text) {
    if (!HoldsEdits(text)) return Outcome::Unchanged;
    platform::Prompts* prompts = m_doc.Services().prompts;
    if (!prompts || !prompts->AskYesNo(kKeepTextEditsOnSaveQuestion)) return Outcome::Discarded;
    return TakeIntoElements(text, "Nothing was saved. Correct the text in the text window, or "
                                  "save again and discard the text edits.");
}

CTextModeSession::Outcome CTextModeSession::AfterTextSaved(std::string_view text) {
    if (!HoldsEdits(text)) return Outcome::Unchanged;
    return TakeIntoElements(text,
                            "The file holds the text as typed. The other views keep showing the "
                            "elements as they were until the text reads back.");
}

CTextModeSession::Outcome CTextModeSession::BeforeClose(std::string_view text) {
    if (!HoldsEdits(text)) return Outcome::Unchanged;
    platform::Prompts* prompts = m_doc.Services().prompts;
    if (!prompts || !prompts->AskYesNo(kKeepTextEditsOnCloseQuestion)) return Outcome::Discarded;
    return TakeIntoElements(text, "The text window stays open. Correct the text, or close it "
                                  "again and discard the text edits.");
}

} // namespace textedit
