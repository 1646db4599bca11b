#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace format {

// Something the parser met that the user should hear about: the tree it
// builds is what the editor will save, and text it skipped, cut off or read
// as part of something else is lost at the next save.
struct ParseProblem {
    size_t line = 0; // 1-based
    std::string message;
};

// The problems for a message to the user: one "line N: message" line each,
// at most limit of them, then "and N more" when there are more.
std::string DescribeProblems(const std::vector<ParseProblem>& problems, size_t limit = 10);

} // namespace format
