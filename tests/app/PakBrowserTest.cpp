#include "AppTestSupport.h"

#include "app/PakBrowser.h"

namespace {

std::vector<pak::PakMemberInfo> Members(std::initializer_list<const char*> names) {
    std::vector<pak::PakMemberInfo> members;
    for (const char* name : names) {
        pak::PakMemberInfo m;
        m.name = name;
        if (m.name.ends_with('/')) m.attributes = 0x10;
        members.push_back(m);
    }
    return members;
}

std::vector<std::string> Names(const std::vector<app::PakBrowserEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.parent ? "<up>" : e.folder ? e.name + "/" : e.name);
    return names;
}

TEST(PakFolderEntriesTest, FoldersComeBeforeFilesThatSortFirst) {
    auto members = Members({"zz.def", "aa.txt", "map/x.mi", "Entity/a.def", "b.mi"});
    // Byte order: capitals before small letters.
    EXPECT_EQ(Names(app::PakFolderEntries(members, "")),
              (std::vector<std::string>{"Entity/", "map/", "aa.txt", "b.mi", "zz.def"}));
}

TEST(PakFolderEntriesTest, AFolderLevelStartsWithItsParentEntry) {
    auto members = Members({"map/", "map/single/", "map/single/crossroads/map",
                            "map/single/crossroads/crossroads.mi", "map/single/readme.txt",
                            "map/multi/m1/map", "other.txt"});
    auto entries = app::PakFolderEntries(members, "map/single/");
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"<up>", "crossroads/", "readme.txt"}));
    EXPECT_EQ(entries[0].fullName, "map/");
    EXPECT_TRUE(entries[0].name.empty());
    EXPECT_EQ(entries[1].fullName, "map/single/crossroads/");
    EXPECT_EQ(entries[2].fullName, "map/single/readme.txt");
    // Folders known only from deeper members appear once.
    EXPECT_EQ(Names(app::PakFolderEntries(members, "map/")),
              (std::vector<std::string>{"<up>", "multi/", "single/"}));
    EXPECT_EQ(app::PakParentFolder("map/single/"), "map/");
    EXPECT_EQ(app::PakParentFolder("map/"), "");
}

TEST(PakFolderEntriesTest, APrefixThatIsNoFolderNameMatchesNothing) {
    auto members = Members({"mapping/x.def", "map/y.def"});
    EXPECT_EQ(Names(app::PakFolderEntries(members, "map/")),
              (std::vector<std::string>{"<up>", "y.def"}));
}

class PakBrowserDialogTest : public app_testing::QtFixture {
  protected:
    app::CPakBrowserDialog m_dialog{
        Members({"map/single/crossroads/crossroads.mi", "map/single/crossroads/map", "game.reg"})};
};

TEST_F(PakBrowserDialogTest, DoubleClicksWalkTheFoldersAndAFileIsTheAnswer) {
    m_dialog.ActivateRow(0); // map/
    m_dialog.ActivateRow(1); // single/ (row 0 is the parent entry)
    EXPECT_EQ(m_dialog.Folder(), "map/single/");
    m_dialog.ActivateRow(0);
    EXPECT_EQ(m_dialog.Folder(), "map/");
    m_dialog.ActivateRow(1);
    m_dialog.ActivateRow(1);
    EXPECT_EQ(m_dialog.Folder(), "map/single/crossroads/");
    m_dialog.ActivateRow(1); // crossroads.mi
    EXPECT_EQ(m_dialog.result(), QDialog::Accepted);
    EXPECT_EQ(m_dialog.ChosenMember(), "map/single/crossroads/crossroads.mi");
}

TEST_F(PakBrowserDialogTest, OkOnAFolderDoesNothingAndOnAFileAnswers) {
    m_dialog.SelectRow(0); // the folder map/
    m_dialog.accept();
    EXPECT_TRUE(m_dialog.ChosenMember().empty());
    EXPECT_EQ(m_dialog.Folder(), "");
    m_dialog.SelectRow(1); // game.reg
    m_dialog.accept();
    EXPECT_EQ(m_dialog.ChosenMember(), "game.reg");
    EXPECT_EQ(m_dialog.result(), QDialog::Accepted);
}

} // namespace
