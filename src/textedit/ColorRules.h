#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The colouring of the text window: which runs of a line are drawn in which
// colour. Plain code over one line of bytes, so the rules are tested without
// a window and the editing component only paints what they say.
namespace textedit {

// Colours as 0x00BBGGRR, the byte order the editor's colour tables use.
using Colour = uint32_t;

// How a registered word or opener colours a line.
enum class RuleKind : int {
    LineComment = 1,    // one-character opener; the rest of the line
    TwoCharComment = 2, // two-character opener; the rest of the line
    Delimited = 3,      // one-character opener up to and including its closer
    Keyword = 4,        // the word in its own colour
    ExtraKeyword5 = 5,  // the word in the extra colour of kind 5
    ExtraKeyword6 = 6,  // ... of kind 6
    ExtraKeyword7 = 7,  // ... of kind 7
};

// A run of a line drawn in a colour other than the normal text colour.
struct ColourRun {
    size_t start = 0;
    size_t length = 0;
    Colour colour = 0;
    bool operator==(const ColourRun&) const = default;
};

// The keyword, opener and comment tables and the line colouring over them.
//
// A line is walked token by token. A keyword is coloured only where a token
// starts and only when the whole token is a registered spelling; a token is
// a run of letters, digits, double quotes, "/" and "_", or a run of other
// punctuation, so "waypoint/uid" and "Entity" glued to a quote are one token
// each and stay plain. Brackets and unprintable bytes (every byte from 0x80,
// so the rules read the same over Windows-1252 and UTF-8 text) are stepped
// over one at a time and never coloured.
//
// Quoted text is never coloured: the game reads a quoted value up to its
// closing quote, so neither a word nor a ";" inside it is what it looks like.
class CColorRules {
  public:
    // Registers a word or opener of the given kind; closer is the closing
    // character of a Delimited opener. Keywords (kinds 4 to 7) are registered
    // in three spellings: upper case, lower case, and lower case with an
    // upper-case first letter. A registered entry is never changed; a word
    // of kind 5 to 7 also sets that kind's extra colour.
    void AddKeyword(Colour colour, RuleKind kind, std::string_view word, char closer = 0);
    // A keyword of kind 4; with exact set only the spelling given.
    void AddExactKeyword(Colour colour, std::string_view word, bool exact);
    // Empties every table and sets the extra colours to 0.
    void ResetKeywords();
    // Whether anything is registered: without rules lines are drawn plainly.
    bool Colouring() const { return m_colouring; }

    // The coloured runs of one line (without its line break), left to right.
    std::vector<ColourRun> ColourLine(std::string_view line) const;

  private:
    struct Entry {
        Colour colour = 0;
        RuleKind kind = RuleKind::Keyword;
        char closer = 0;
    };
    void Register(std::map<std::string, Entry, std::less<>>& table, std::string_view word,
                  Entry entry);
    Colour ColourOf(const Entry& entry) const;

    std::map<std::string, Entry, std::less<>> m_keywords;
    std::map<std::string, Entry, std::less<>> m_delimiters;
    std::map<std::string, Entry, std::less<>> m_lineComments;
    std::array<bool, 256> m_starts{};
    std::array<Colour, 3> m_extraColours{};
    bool m_colouring = false;
};

// The colours of the text window's keyword table.
inline constexpr Colour kKeywordBlue = 0xFF0000;
inline constexpr Colour kKeywordRed = 0x0000D2;
inline constexpr Colour kMissionPurple = 0x800080;
inline constexpr Colour kCommentGreen = 0x008000;

// Registers the keywords of the game's mission and map files and the ";"
// comment, in the order and spellings the text window shows them.
void AddDirectEditKeywords(CColorRules& rules);

} // namespace textedit
