// The order Go to Marker visits the text window's markers in.

#include "textedit/MarkerList.h"

#include <gtest/gtest.h>

using textedit::CMarkerList;

namespace {

TEST(MarkerListTest, GoToMarkerVisitsTheMarkersInLineOrderAndWraps) {
    CMarkerList markers;
    EXPECT_TRUE(markers.Toggle(30));
    EXPECT_TRUE(markers.Toggle(10));
    EXPECT_TRUE(markers.Toggle(20));
    EXPECT_EQ(markers.Current(), 20);
    EXPECT_EQ(markers.Lines(), (std::vector<int>{10, 20, 30}));
    std::vector<int> visited;
    for (int i = 0; i < 4; ++i)
        visited.push_back(markers.Next());
    EXPECT_EQ(visited, (std::vector<int>{30, 10, 20, 30}));
}

TEST(MarkerListTest, RemovingTheCurrentMarkerMakesTheNextOneCurrent) {
    CMarkerList markers;
    for (int line : {10, 20, 30})
        markers.Toggle(line);
    markers.Next(); // 10
    markers.Next(); // 20
    EXPECT_FALSE(markers.Toggle(20));
    EXPECT_EQ(markers.Current(), 30);
    EXPECT_FALSE(markers.Toggle(30)); // the last one: the first becomes current
    EXPECT_EQ(markers.Current(), 10);
    EXPECT_TRUE(markers.Toggle(15)); // a line without a marker gets one
    EXPECT_EQ(markers.Current(), 15);
    markers.Toggle(15);
    markers.Toggle(10);
    EXPECT_TRUE(markers.Empty());
    EXPECT_EQ(markers.Current(), -1);
    EXPECT_EQ(markers.Next(), -1);
}

TEST(MarkerListTest, MarkersMovedWithTheTextKeepTheirOrder) {
    CMarkerList markers;
    for (int line : {5, 9})
        markers.Toggle(line); // 9 is current
    // Three lines were inserted above both; two markers met on one line.
    markers.Reset({12, 8, 12}, 12);
    EXPECT_EQ(markers.Lines(), (std::vector<int>{8, 12}));
    EXPECT_EQ(markers.Next(), 8);
    // The current marker's line went away: the walk starts at the first.
    markers.Reset({3, 7}, -1);
    EXPECT_EQ(markers.Next(), 3);
}

} // namespace
