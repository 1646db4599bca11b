#include "format/ParseProblem.h"

namespace format {

std::string DescribeProblems(const std::vector<ParseProblem>& problems, size_t limit) {
    std::string out;
    const size_t shown = problems.size() < limit ? problems.size() : limit;
    for (size_t i = 0; i < shown; ++i) {
        out += "line " + std::to_string(problems[i].line) + ": " + problems[i].message + "\n";
    }
    if (problems.size() > shown)
        out += "and " + std::to_string(problems.size() - shown) + " more\n";
    return out;
}

} // namespace format
