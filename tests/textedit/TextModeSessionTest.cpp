// The text mode round trip between the text window and the document's
// elements, without a window: what is typed is never dropped silently, and
// what is saved from the text window is what every view shows.

#include "textedit/TextModeSession.h"
#include "document/DocTestSupport.h"

#include <gtest/gtest.h>

using doc_testing::ReadText;
using doc_testing::WriteToText;
using textedit::CTextModeSession;
using Outcome = textedit::CTextModeSession::Outcome;

namespace {

constexpr const char* kMission = "{mission\n"
                                 "\t{Entity \"m4a2\" 0x8001 {MID 5}}\n"
                                 "\t{Helpers {event \"start\" id 3 state 0}}\n"
                                 "}\n";

// The text window as the document sees it: its text is what a save writes
// while it is active, and it reloads when the document wrote its elements.
class TextWindowHost : public doc_testing::RecordingHost {
  public:
    CTextModeSession* session = nullptr;
    std::string text;
    bool active = false;
    int reloads = 0;
    std::optional<std::string> ActiveTextViewText() override {
        return active ? std::optional<std::string>(text) : std::nullopt;
    }
    bool HasTextView() override { return true; }
    void ReloadTextView() override {
        ++reloads;
        text = session->LoadText();
    }
};

class TextModeSessionTest : public ::testing::Test {
  protected:
    TextModeSessionTest() {
        document::DocumentServices services = m_fixture.Services();
        services.host = &m_window;
        doc_testing::WriteText(m_fixture.dir.path() / "map", doc_testing::kBaseMap);
        doc_testing::WriteText(Path(), kMission);
        m_doc = std::make_unique<CVarnholtMapEditorDoc>(services);
        EXPECT_TRUE(m_doc->OnOpenDocument(Path()));
        m_doc->ScanAll();
        m_session = std::make_unique<CTextModeSession>(*m_doc);
        m_window.session = m_session.get();
        m_window.text = m_session->LoadText();
    }
    std::string Path() const { return (m_fixture.dir.path() / "m.mi").string(); }
    // A save as the editor runs it: the session first when another view is
    // active, then the document, then the text read back after a text save.
    bool Save() {
        if (!m_window.active) {
            Outcome before = m_session->BeforeSaveElsewhere(m_window.text);
            if (before == Outcome::Refused) return false;
        }
        bool saved = m_doc->DoSave(Path());
        if (saved && m_window.active) m_lastAfter = m_session->AfterTextSaved(m_window.text);
        return saved;
    }
    // The questions about text edits (saving beside the base map asks about the map too).
    std::vector<std::string> TextQuestions() const {
        std::vector<std::string> out;
        for (const std::string& q : m_fixture.prompts.questions)
            if (q != document::kOverwriteMapQuestion) out.push_back(q);
        return out;
    }
    std::string MissionText() const { return WriteToText(m_doc->WorkingRoot()); }
    // Leaves the mission block open: the text no longer reads back cleanly.
    void Break() { m_window.text.erase(m_window.text.rfind('}')); }
    void Edit(const std::string& from, const std::string& to) {
        size_t at = m_window.text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        m_window.text.replace(at, from.size(), to);
    }

    doc_testing::DocFixture m_fixture;
    TextWindowHost m_window;
    std::unique_ptr<CVarnholtMapEditorDoc> m_doc;
    std::unique_ptr<CTextModeSession> m_session;
    Outcome m_lastAfter = Outcome::Unchanged;
};

TEST_F(TextModeSessionTest, TheWindowShowsTheDocumentsOwnBlocksWithCrLf) {
    const std::string& text = m_window.text;
    EXPECT_EQ(text.find("WorldBound"), std::string::npos); // the base map is not the mission's
    EXPECT_NE(text.find("\"m4a2\""), std::string::npos);
    size_t bareLineFeeds = 0;
    for (size_t i = 0; i < text.size(); ++i)
        bareLineFeeds += text[i] == '\n' && (i == 0 || text[i - 1] != '\r');
    EXPECT_EQ(bareLineFeeds, 0u);
    EXPECT_FALSE(m_session->HoldsEdits(text));
    // The text is kept with the document while the window lives.
    EXPECT_FALSE(m_doc->DirectEditText().empty());
}

TEST_F(TextModeSessionTest, TextSavedFromTheWindowIsWrittenAsTypedAndBecomesTheElements) {
    m_window.active = true;
    Edit("{MID 5}", "{MID 7}} {Entity \"tiger\" 0x8002 {MID 8}");
    ASSERT_TRUE(Save());
    EXPECT_EQ(ReadText(Path()), m_window.text);
    EXPECT_EQ(m_lastAfter, Outcome::ElementsReplaced);
    EXPECT_NE(MissionText().find("\"tiger\""), std::string::npos);
    EXPECT_TRUE(m_doc->IdInUse(0x8002));
    EXPECT_TRUE(m_doc->MidInUse(7));
    EXPECT_FALSE(m_doc->MidInUse(5));
    ASSERT_EQ(m_doc->Events().size(), 1u); // records mirror the new elements
    EXPECT_EQ(m_doc->Events()[0]->node->GetValue(0), std::string("\"start\""));
    EXPECT_FALSE(m_session->HoldsEdits(m_window.text));
    EXPECT_TRUE(TextQuestions().empty());
    EXPECT_FALSE(m_doc->IsModified());
}

TEST_F(TextModeSessionTest, TextThatDoesNotReadBackIsSavedAsTypedAndStaysWhatCounts) {
    m_window.active = true;
    const std::string before = MissionText();
    Break();
    ASSERT_TRUE(Save());
    EXPECT_EQ(ReadText(Path()), m_window.text);
    EXPECT_EQ(m_lastAfter, Outcome::Refused);
    ASSERT_EQ(m_fixture.prompts.messages.size(), 1u);
    EXPECT_NE(m_fixture.prompts.messages[0].find("does not read back"), std::string::npos);
    EXPECT_NE(m_fixture.prompts.messages[0].find("line "), std::string::npos);
    EXPECT_EQ(MissionText(), before);
    // A later save from another view does not write the old elements over
    // the saved text without asking: No (the scripted answer) discards it.
    m_window.active = false;
    EXPECT_TRUE(m_session->HoldsEdits(m_window.text));
    ASSERT_TRUE(Save());
    EXPECT_EQ(TextQuestions(), std::vector<std::string>{textedit::kKeepTextEditsOnSaveQuestion});
    EXPECT_EQ(ReadText(Path()), before);
    EXPECT_EQ(m_window.text, before); // the window reloaded the saved elements
}

TEST_F(TextModeSessionTest, SavingFromAnotherViewTakesTheTextEditsWhenTheUserSaysSo) {
    Edit("\"m4a2\"", "\"sherman\"");
    m_fixture.prompts.answers = {true};
    ASSERT_TRUE(Save());
    EXPECT_EQ(TextQuestions().size(), 1u);
    EXPECT_NE(ReadText(Path()).find("\"sherman\""), std::string::npos);
    EXPECT_NE(MissionText().find("\"sherman\""), std::string::npos);
    EXPECT_EQ(m_window.reloads, 1);
    EXPECT_FALSE(m_session->HoldsEdits(m_window.text));
}

TEST_F(TextModeSessionTest, BrokenTextEditsStopASaveFromAnotherViewInsteadOfBeingLost) {
    const std::string file = ReadText(Path());
    Break();
    m_fixture.prompts.answers = {true};
    EXPECT_FALSE(Save());
    EXPECT_EQ(ReadText(Path()), file);
    ASSERT_EQ(m_fixture.prompts.messages.size(), 1u);
    EXPECT_NE(m_fixture.prompts.messages[0].find("Nothing was saved"), std::string::npos);
    EXPECT_TRUE(m_session->HoldsEdits(m_window.text));
}

TEST_F(TextModeSessionTest, NothingIsAskedWhenTheTextHoldsNoEdits) {
    Edit("m4a2", "m4a3");
    Edit("m4a3", "m4a2"); // typed and undone
    ASSERT_TRUE(Save());
    EXPECT_TRUE(TextQuestions().empty());
    EXPECT_EQ(m_session->BeforeClose(m_window.text), Outcome::Unchanged);
}

TEST_F(TextModeSessionTest, ClosingTheWindowAsksAboutItsEdits) {
    Edit("\"m4a2\"", "\"sherman\"");
    m_fixture.prompts.answers = {false};
    EXPECT_EQ(m_session->BeforeClose(m_window.text), Outcome::Discarded);
    m_fixture.prompts.answers = {true};
    EXPECT_EQ(m_session->BeforeClose(m_window.text), Outcome::ElementsReplaced);
    EXPECT_NE(MissionText().find("\"sherman\""), std::string::npos);
    Break();
    m_fixture.prompts.answers = {true};
    EXPECT_EQ(m_session->BeforeClose(m_window.text), Outcome::Refused);
    EXPECT_NE(m_fixture.prompts.messages.back().find("stays open"), std::string::npos);
    EXPECT_EQ(TextQuestions().size(), 3u);
}

TEST_F(TextModeSessionTest, ReloadingFromTextReportsDuplicatesAndLeavesBrokenTextAlone) {
    std::vector<format::ParseProblem> problems;
    const std::string before = MissionText();
    EXPECT_FALSE(m_doc->ReloadFromText("{mission {Entity \"a\" 0x8001}", problems));
    EXPECT_FALSE(problems.empty());
    EXPECT_FALSE(m_doc->ReloadFromText("  ", problems)); // no block at all
    EXPECT_EQ(MissionText(), before);
    EXPECT_TRUE(m_fixture.prompts.messages.empty());
    EXPECT_TRUE(m_doc->IdInUse(0x8001));

    ASSERT_TRUE(m_doc->ReloadFromText(
        "{mission {Entity \"a\" 0x8004 {MID 9}} {Entity \"b\" 0x8004 {MID 9}}}", problems));
    EXPECT_EQ(m_fixture.prompts.messages,
              (std::vector<std::string>{"Duplicate ID value '0x8004'", "Duplicate MID value '9'"}));
    EXPECT_FALSE(m_doc->IdInUse(0x8001));
    EXPECT_TRUE(m_doc->IdInUse(0x8004));
    EXPECT_TRUE(m_doc->Events().empty());
    // The base map stays, locked, in front of the new mission.
    ASSERT_EQ(m_doc->Roots().size(), 2u);
    EXPECT_EQ(m_doc->Roots()[0]->Name(), std::string_view("map"));
    EXPECT_TRUE(m_doc->Roots()[0]->locked);
}

} // namespace
