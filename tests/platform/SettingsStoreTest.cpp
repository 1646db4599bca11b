#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

namespace {

TEST(SettingsStoreTest, MissingOrMistypedValuesReadAsDefaults) {
    platform::MemorySettingsStore store;
    platform::EditorSettings settings;
    settings.Read(store);
    EXPECT_EQ(settings.gamePath, "");
    EXPECT_EQ(settings.viewWaypoints, 1);
    EXPECT_EQ(settings.textureFilter, 1);
    EXPECT_TRUE(store.Empty()); // reading writes nothing

    store.SetString("ViewWaypoints", "0");
    EXPECT_EQ(store.GetInt("ViewWaypoints", 1), 1);
    EXPECT_EQ(store.GetString("ViewWaypoints", ""), "0");
}

TEST(SettingsStoreTest, WrittenSettingsReadBack) {
    platform::MemorySettingsStore store;
    platform::EditorSettings out;
    out.gamePath = "C:\\Games\\Varnholt";
    out.resourceDir = "/home/u/res";
    out.viewMapElements = 0;
    out.textureFilter = 3;
    out.Write(store);
    platform::EditorSettings in;
    in.Read(store);
    EXPECT_EQ(in.gamePath, out.gamePath);
    EXPECT_EQ(in.resourceDir, out.resourceDir);
    EXPECT_EQ(in.viewWaypoints, 1);
    EXPECT_EQ(in.viewMapElements, 0);
    EXPECT_EQ(in.textureFilter, 3);
}

} // namespace
