// The text window's colouring rules, line by line, without a window.

#include "textedit/ColorRules.h"
#include "document/DocTestSupport.h"
#include "pak/PakArchive.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

using textedit::CColorRules;
using textedit::ColourRun;
using textedit::RuleKind;

namespace {

constexpr textedit::Colour Blue = textedit::kKeywordBlue;
constexpr textedit::Colour Red = textedit::kKeywordRed;
constexpr textedit::Colour Purple = textedit::kMissionPurple;
constexpr textedit::Colour Green = textedit::kCommentGreen;

class ColorRulesTest : public ::testing::Test {
  protected:
    ColorRulesTest() { textedit::AddDirectEditKeywords(m_rules); }

    // The coloured words of a line as "text=colour" pieces, for readable checks.
    std::vector<std::string> Pieces(std::string_view line) const {
        std::vector<std::string> out;
        for (const ColourRun& run : m_rules.ColourLine(line)) {
            char colour[16];
            std::snprintf(colour, sizeof colour, "%06X", run.colour);
            out.push_back(std::string(line.substr(run.start, run.length)) + "=" + colour);
        }
        return out;
    }
    // The colour of word in its line, or -1 when it is drawn plainly.
    long ColourOfWord(std::string_view line) const {
        auto runs = m_rules.ColourLine(line);
        return runs.size() == 1 && runs[0].start == 0 && runs[0].length == line.size()
                   ? static_cast<long>(runs[0].colour)
                   : -1;
    }

    CColorRules m_rules;
};

TEST_F(ColorRulesTest, AnEntityLineColoursItsKeywordsAndItsCommentOnly) {
    EXPECT_EQ(Pieces("{Entity \"tiger\" 0x8001 {MID 12} ; the leader }"),
              (std::vector<std::string>{"Entity=0000D2", "MID=FF0000", "; the leader }=008000"}));
    // Tabs and brackets around keywords do not matter; nesting does not either.
    EXPECT_EQ(Pieces("\t\t{Position 1.5 -2 0}"), std::vector<std::string>{"Position=FF0000"});
    EXPECT_EQ(Pieces("{mission"), std::vector<std::string>{"mission=800080"});
}

TEST_F(ColorRulesTest, KeywordsAreColouredOnlyWhereAWholeTokenIsThem) {
    for (const char* line : {"{waypoint/uid 3}", "{\"Entity\"}", "xMID 1", "MID2 1", "_MID",
                             "Entity\"x\"", "camera_pos 1", "selection.x"}) {
        auto pieces = Pieces(line);
        if (std::string_view(line) == "selection.x")
            EXPECT_EQ(pieces, std::vector<std::string>{"selection=0000D2"}) << line;
        else
            EXPECT_TRUE(pieces.empty()) << line << ": " << (pieces.empty() ? "" : pieces[0]);
    }
    // A keyword right after punctuation starts a token of its own.
    EXPECT_EQ(Pieces("-MID=Name"), (std::vector<std::string>{"MID=FF0000", "Name=FF0000"}));
}

TEST_F(ColorRulesTest, QuotedTextIsNeverColouredNorReadAsAComment) {
    EXPECT_TRUE(Pieces("{Name \"the Entity; of MID\"}").size() == 1);
    EXPECT_EQ(Pieces("{Name \"a;b\" ; real}"),
              (std::vector<std::string>{"Name=FF0000", "; real}=008000"}));
    // A quote left open on its line runs to the line's end.
    EXPECT_EQ(Pieces("{Name \"open MID ; x"), std::vector<std::string>{"Name=FF0000"});
}

TEST_F(ColorRulesTest, ACommentStartsAfterPunctuationAndAfterAWord) {
    EXPECT_EQ(Pieces("1,;x"), std::vector<std::string>{";x=008000"});
    EXPECT_EQ(Pieces("MID;x"), (std::vector<std::string>{"MID=FF0000", ";x=008000"}));
    EXPECT_EQ(Pieces(";"), std::vector<std::string>{";=008000"});
}

TEST_F(ColorRulesTest, SpellingsFollowTheTable) {
    struct Case {
        const char* word;
        long colour;
    };
    const Case cases[] = {
        {"Name", Blue},
        {"name", -1},
        {"NAME", -1},
        {"radius", Blue},
        {"Radius", Blue},
        {"RADIUS", Blue},
        {"MID", Blue},
        {"mid", Blue},
        {"Mid", Blue},
        {"mId", -1},
        {"Player", Blue},
        {"player", -1},
        {"players", Red},
        {"Players", Red},
        {"camerapath", Red},
        {"Camerapath", Red},
        {"CAMERAPATH", Red},
        {"CameraPath", -1},
        {"event", Red},
        {"Event", -1},
        {"Entity", Red},
        {"ENTITY", Red},
        {"GameProgress", Red},
        {"gameprogress", -1},
        {"Weaponry", Blue},
        {"weaponry", Blue},
        {"MissionMusic", Red},
        {"missionmusic", -1},
        {"Mission", Purple},
        {"MISSION", Purple},
        {"GlobalWP", Blue},
        {"globalwp", -1},
        {"task", Red},
        {"Task", Red},
        {"Registry", Red},
        {"uid", -1},
        {"DisableObstacles", Blue},
        {"FsmState", Blue},
        {"fsmstate", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ColourOfWord(c.word), c.colour) << c.word;
}

TEST(ColorRulesKinds, EveryKindColoursAsRegistered) {
    CColorRules rules;
    EXPECT_TRUE(rules.ColourLine("rem x").empty()); // nothing registered: plain
    rules.AddKeyword(0x111111, RuleKind::TwoCharComment, "//");
    rules.AddKeyword(0x222222, RuleKind::Delimited, "<", '>');
    rules.AddKeyword(0x333333, RuleKind::ExtraKeyword5, "alpha");
    rules.AddKeyword(0x444444, RuleKind::ExtraKeyword5, "beta"); // resets kind 5's colour
    rules.AddKeyword(0x555555, RuleKind::Keyword, "Gamma");
    rules.AddKeyword(0x666666, RuleKind::Keyword, "gamma"); // registered already: unchanged
    EXPECT_EQ(rules.ColourLine("alpha <x y> GAMMA // rest"),
              (std::vector<ColourRun>{
                  {0, 5, 0x444444}, {6, 5, 0x222222}, {12, 5, 0x555555}, {18, 7, 0x111111}}));
    // An opener without its closer on the line colours nothing.
    EXPECT_TRUE(rules.ColourLine("<open").empty());
    rules.ResetKeywords();
    EXPECT_TRUE(rules.ColourLine("alpha <x> // rest").empty());
}

// --- every line of the demo missions --------------------------------------------------

// The keyword spellings, written out independently of the rules' registration.
const std::set<std::string>& Spellings(textedit::Colour colour) {
    static const auto make = [](std::initializer_list<const char*> any,
                                std::initializer_list<const char*> exact) {
        std::set<std::string> s(exact.begin(), exact.end());
        for (std::string w : any) {
            std::string lower = w, upper = w;
            for (char& c : lower)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            std::string capital = lower;
            capital[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(capital[0])));
            s.insert({lower, upper, capital});
        }
        return s;
    };
    static const std::set<std::string> blue =
        make({"include", "MID", "position", "turn", "chassis", "extender", "breed", "transition",
              "radius", "point", "commands", "Weaponry", "Orientation"},
             {"Player", "Distance", "ViewAngle", "FsmState", "Name", "Type", "NameId", "YawAngle",
              "DisableObstacles", "LastItem", "GlobalWP"});
    static const std::set<std::string> red =
        make({"entity", "trigger", "waypoints", "waypoint", "link", "brain", "helpers", "camera",
              "environment", "user", "tags", "zone", "selection", "camerapath", "task", "covers",
              "players", "Registry"},
             {"GameProgress", "event", "MissionMusic"});
    static const std::set<std::string> purple = make({"mission"}, {});
    static const std::set<std::string> none;
    return colour == Blue ? blue : colour == Red ? red : colour == Purple ? purple : none;
}

bool Identifier(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// What a line must look like, worked out with a second, simpler reading: a
// comment from the first ";" outside quotes; a keyword wherever a run of
// letters, digits and "_" stands alone (no quote, "/" or word byte glued to
// it) outside quotes and is one of the spellings.
std::vector<ColourRun> Expected(std::string_view line) {
    std::vector<ColourRun> runs;
    size_t comment = std::string_view::npos;
    std::vector<bool> quoted(line.size(), false);
    bool inQuote = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            inQuote = !inQuote;
            quoted[i] = true;
            continue;
        }
        quoted[i] = inQuote;
        if (!inQuote && line[i] == ';') {
            comment = i;
            break;
        }
    }
    const size_t end = comment == std::string_view::npos ? line.size() : comment;
    auto glued = [&](size_t i) { return line[i] == '"' || line[i] == '/' || Identifier(line[i]); };
    for (size_t i = 0; i < end;) {
        if (!Identifier(line[i]) || quoted[i]) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < end && Identifier(line[j]))
            ++j;
        const bool alone = (i == 0 || !glued(i - 1)) && (j >= line.size() || !glued(j));
        const std::string word(line.substr(i, j - i));
        for (textedit::Colour colour : {Blue, Red, Purple})
            if (alone && Spellings(colour).count(word)) runs.push_back({i, j - i, colour});
        i = j;
    }
    if (comment != std::string_view::npos) runs.push_back({comment, line.size() - comment, Green});
    return runs;
}

std::vector<std::filesystem::path> DemoMissionFiles(const std::filesystem::path& into) {
    std::vector<std::filesystem::path> files{std::filesystem::path(VM_TEST_DATA) / ".." / ".." /
                                             ".." / "samples" / "demo_mission.mi"};
    const std::filesystem::path pakPath = std::filesystem::path(VM_DEMO_GAME) / "game.pak";
    pak::CPakArchive pak;
    if (!std::filesystem::exists(pakPath) || !pak.Open(pakPath.string())) return files;
    pak.List();
    std::vector<std::string> names;
    for (const auto& member : pak.Members()) {
        std::string name = member.name;
        const bool mission = name.size() > 3 && name.substr(name.size() - 3) == ".mi";
        const bool map = name.size() > 4 && name.substr(name.size() - 4) == "/map";
        if (mission || map) names.push_back(name);
    }
    pak.Extract({}, names, into);
    for (const std::string& name : names)
        files.push_back(into / name);
    return files;
}

TEST_F(ColorRulesTest, NoLineOfTheDemoMissionsIsMisColoured) {
    testing_support::TempDir dir;
    size_t lines = 0, files = 0;
    for (const auto& file : DemoMissionFiles(dir.path())) {
        const std::string text = testing_support::Slurp(file);
        if (text.empty()) continue;
        ++files;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string_view line(text.data() + start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            ++lines;
            ASSERT_EQ(m_rules.ColourLine(line), Expected(line))
                << file << ":" << lines << ": " << line;
            start = end + 1;
        }
    }
    EXPECT_GE(files, 2u);
    EXPECT_GT(lines, 100u);
}

} // namespace
