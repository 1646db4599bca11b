#include "textedit/ColorRules.h"

namespace textedit {

namespace {

bool Printable(unsigned char c) {
    return c >= 0x20 && c < 0x7F;
}

bool Bracket(unsigned char c) {
    return c == '(' || c == ')' || c == '{' || c == '}';
}

bool Alnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool WordByte(unsigned char c) {
    return Alnum(c) || c == '"' || c == '/' || c == '_';
}

bool Punctuation(unsigned char c) {
    return Printable(c) && c != ' ' && !WordByte(c) && !Bracket(c);
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The end of the word token starting at start. A double quote takes
// everything up to its closing quote (or the end of the line) into the token.
size_t WordEnd(std::string_view line, size_t start) {
    size_t i = start;
    while (i < line.size()) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == '"') {
            size_t close = line.find('"', i + 1);
            i = close == std::string_view::npos ? line.size() : close + 1;
        } else if (WordByte(c)) {
            ++i;
        } else {
            break;
        }
    }
    return i;
}

} // namespace

void CColorRules::Register(std::map<std::string, Entry, std::less<>>& table, std::string_view word,
                           Entry entry) {
    if (word.empty()) return;
    table.emplace(std::string(word), entry);
    m_starts[static_cast<unsigned char>(word.front())] = true;
    m_colouring = true;
}

void CColorRules::AddKeyword(Colour colour, RuleKind kind, std::string_view word, char closer) {
    Entry entry{colour, kind, closer};
    switch (kind) {
    case RuleKind::LineComment:
        Register(m_lineComments, word.substr(0, 1), entry);
        return;
    case RuleKind::TwoCharComment:
        if (word.size() >= 2) Register(m_delimiters, word.substr(0, 2), entry);
        return;
    case RuleKind::Delimited:
        Register(m_delimiters, word.substr(0, 1), entry);
        return;
    default:
        break;
    }
    const int extra = static_cast<int>(kind) - static_cast<int>(RuleKind::ExtraKeyword5);
    if (extra >= 0 && extra < 3) m_extraColours[static_cast<size_t>(extra)] = colour;
    std::string upper(word), lower(word);
    for (char& c : upper)
        c = Upper(c);
    for (char& c : lower)
        c = Lower(c);
    std::string capital = lower;
    if (!capital.empty()) capital[0] = Upper(capital[0]);
    Register(m_keywords, upper, entry);
    Register(m_keywords, lower, entry);
    Register(m_keywords, capital, entry);
}

void CColorRules::AddExactKeyword(Colour colour, std::string_view word, bool exact) {
    if (!exact) {
        AddKeyword(colour, RuleKind::Keyword, word);
        return;
    }
    Register(m_keywords, word, Entry{colour, RuleKind::Keyword, 0});
}

void CColorRules::ResetKeywords() {
    m_keywords.clear();
    m_delimiters.clear();
    m_lineComments.clear();
    m_starts.fill(false);
    m_extraColours.fill(0);
    // The start table is empty, so nothing is looked up any more; the
    // colouring itself stays switched on, as it was once anything was added.
}

Colour CColorRules::ColourOf(const Entry& entry) const {
    const int extra = static_cast<int>(entry.kind) - static_cast<int>(RuleKind::ExtraKeyword5);
    if (extra >= 0 && extra < 3) return m_extraColours[static_cast<size_t>(extra)];
    return entry.colour;
}

std::vector<ColourRun> CColorRules::ColourLine(std::string_view line) const {
    std::vector<ColourRun> runs;
    if (!m_colouring) return runs;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (!Printable(c) || Bracket(c)) {
            ++i;
            continue;
        }
        const bool word = WordByte(c);
        const size_t wordEnd = word ? WordEnd(line, i) : i;
        if (m_starts[c]) {
            if (word) {
                auto it = m_keywords.find(line.substr(i, wordEnd - i));
                if (it != m_keywords.end()) {
                    runs.push_back({i, wordEnd - i, ColourOf(it->second)});
                    i = wordEnd;
                    continue;
                }
            }
            if (i + 1 < n) {
                auto it = m_delimiters.find(line.substr(i, 2));
                if (it != m_delimiters.end() && it->second.kind == RuleKind::TwoCharComment) {
                    runs.push_back({i, n - i, it->second.colour});
                    return runs;
                }
            }
            if (auto it = m_lineComments.find(line.substr(i, 1)); it != m_lineComments.end()) {
                runs.push_back({i, n - i, it->second.colour});
                return runs;
            }
            if (auto it = m_delimiters.find(line.substr(i, 1));
                it != m_delimiters.end() && it->second.kind == RuleKind::Delimited) {
                size_t close = line.find(it->second.closer, i + 1);
                if (close != std::string_view::npos) {
                    runs.push_back({i, close + 1 - i, it->second.colour});
                    i = close + 1;
                    continue;
                }
            }
        }
        if (word) {
            i = wordEnd;
        } else if (Punctuation(c)) {
            // A punctuation run ends before an opener: the game reads a ";"
            // after "," or "=" as a comment just the same.
            do
                ++i;
            while (i < n && Punctuation(static_cast<unsigned char>(line[i])) &&
                   !m_starts[static_cast<unsigned char>(line[i])]);
        } else {
            ++i;
        }
    }
    return runs;
}

void AddDirectEditKeywords(CColorRules& rules) {
    struct Word {
        const char* word;
        Colour colour;
        bool exact;
    };
    static constexpr Word kWords[] = {
        {"include", kKeywordBlue, false},    {"MID", kKeywordBlue, false},
        {"Player", kKeywordBlue, true},      {"position", kKeywordBlue, false},
        {"turn", kKeywordBlue, false},       {"chassis", kKeywordBlue, false},
        {"extender", kKeywordBlue, false},   {"breed", kKeywordBlue, false},
        {"Distance", kKeywordBlue, true},    {"ViewAngle", kKeywordBlue, true},
        {"FsmState", kKeywordBlue, true},    {"transition", kKeywordBlue, false},
        {"Name", kKeywordBlue, true},        {"radius", kKeywordBlue, false},
        {"point", kKeywordBlue, false},      {"commands", kKeywordBlue, false},
        {"Weaponry", kKeywordBlue, false},   {"Orientation", kKeywordBlue, false},
        {"Type", kKeywordBlue, true},        {"NameId", kKeywordBlue, true},
        {"YawAngle", kKeywordBlue, true},    {"DisableObstacles", kKeywordBlue, true},
        {"LastItem", kKeywordBlue, true},    {"GlobalWP", kKeywordBlue, true},
        {"GameProgress", kKeywordRed, true}, {"entity", kKeywordRed, false},
        {"event", kKeywordRed, true},        {"trigger", kKeywordRed, false},
        {"waypoints", kKeywordRed, false},   {"waypoint", kKeywordRed, false},
        {"link", kKeywordRed, false},        {"brain", kKeywordRed, false},
        {"helpers", kKeywordRed, false},     {"camera", kKeywordRed, false},
        {"environment", kKeywordRed, false}, {"user", kKeywordRed, false},
        {"tags", kKeywordRed, false},        {"zone", kKeywordRed, false},
        {"selection", kKeywordRed, false},   {"camerapath", kKeywordRed, false},
        {"task", kKeywordRed, false},        {"task", kKeywordRed, false},
        {"covers", kKeywordRed, false},      {"players", kKeywordRed, false},
        {"MissionMusic", kKeywordRed, true}, {"Registry", kKeywordRed, false},
        {"mission", kMissionPurple, false},
    };
    for (const Word& w : kWords)
        rules.AddExactKeyword(w.colour, w.word, w.exact);
    rules.AddKeyword(kCommentGreen, RuleKind::LineComment, ";");
}

} // namespace textedit
