#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct VmedRun {
    int code;
    std::vector<std::string> lines;
};

VmedRun Vmed(const std::string& args) {
    auto result = testing_support::RunVmed(args);
    VmedRun r{result.code, {}};
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);)
        r.lines.push_back(line);
    return r;
}

TEST(CatalogueCliTest, ListsEveryCategoryOfTheDemoGame) {
    testing_support::TempDir res;
    std::string base = std::string("catalogue --game-path '") + VM_DEMO_GAME +
                       "' --resource-dir '" + res.path().string() + "'";
    VmedRun all = Vmed(base);
    ASSERT_EQ(all.code, 0);
    ASSERT_FALSE(all.lines.empty());
    EXPECT_EQ(all.lines[0].rfind("0\tTanks\t", 0), 0u) << all.lines[0];
    EXPECT_NE(all.lines[0], "0\tTanks\t0");
    VmedRun tanks = Vmed(base + " --category 0");
    EXPECT_EQ(tanks.code, 0);
    EXPECT_EQ(std::to_string(tanks.lines.size()),
              all.lines[0].substr(all.lines[0].rfind('\t') + 1));
}

TEST(CatalogueCliTest, FailedLoadExitsWithTwo) {
    testing_support::TempDir res;
    EXPECT_EQ(Vmed("catalogue --game-path '' --resource-dir '" + res.path().string() + "'").code,
              2);
    EXPECT_EQ(Vmed("catalogue --resource-dir").code, 2);
}

} // namespace
