#include <gtest/gtest.h>

#include "support/screen_expect.hpp"

namespace tavix::console {
namespace {

using testing::ScriptedConsole;

TEST(ConsoleSettingsTest, RestoreStateBringsBackEverySettingButNotCellsOrLastKey) {
    ScriptedConsole s;
    s.terminal.Key('k');
    s.console.GetKey();
    s.console.TextColor = 14;
    s.console.MenuItems = "~A|x#b";
    s.console.Put(DispatchId::kShowDescription, true);
    s.console.Put(DispatchId::kListSetting40, std::string("a;5:b"));
    const std::string saved = s.console.SaveState();

    s.console.TextColor = 3;
    s.console.Shadow = false;
    s.console.MenuItems.clear();
    s.console.FieldValue = "changed";
    s.console.Put(DispatchId::kShowDescription, false);
    s.console.Put(DispatchId::kListSetting40, std::string());
    s.console.PrintAt(1, 1, "cells stay");
    s.console.RestoreState(saved);

    EXPECT_EQ(s.console.TextColor, 14);
    EXPECT_TRUE(s.console.Shadow);
    EXPECT_EQ(s.console.MenuItems, "~A|x#b");
    EXPECT_EQ(s.console.FieldValue, "");
    EXPECT_TRUE(s.console.BoolSetting(DispatchId::kShowDescription));
    EXPECT_EQ(std::get<std::string>(s.console.Get(DispatchId::kListSetting40)), "a;5:b");
    EXPECT_TRUE(testing::RowsAre(s.Cells(), 1, 1, {"cells stay"}));
    EXPECT_EQ(s.console.LastKey(), 'k');
}

TEST(ConsoleSettingsTest, ADamagedSavedTextIsRefusedAndChangesNothing) {
    ScriptedConsole s;
    s.console.TextColor = 9;
    std::string saved = s.console.SaveState();
    s.console.TextColor = 4;
    EXPECT_THROW(s.console.RestoreState(saved.substr(0, saved.size() - 3)), std::invalid_argument);
    EXPECT_THROW(s.console.RestoreState("nonsense"), std::invalid_argument);
    EXPECT_THROW(s.console.RestoreState(s.console.SaveArea(1, 1, 2, 2)), std::invalid_argument);
    EXPECT_EQ(s.console.TextColor, 4);
}

TEST(ConsoleSettingsTest, PutByIdReachesNamedPropertiesAndStoresTheOthers) {
    ScriptedConsole s;
    s.console.Put(DispatchId::kTextColor, 14);
    s.console.Put(DispatchId::kMenuIndex, 3);
    s.console.Put(DispatchId::kFieldValue, "abc");
    s.console.Put(DispatchId::kShadow, false);
    s.console.Put(DispatchId::kSetting16, 7);
    EXPECT_EQ(s.console.TextColor, 14);
    EXPECT_EQ(s.console.MenuIndex, 3);
    EXPECT_EQ(s.console.FieldValue, "abc");
    EXPECT_FALSE(s.console.Shadow);
    EXPECT_EQ(s.console.IntSetting(DispatchId::kSetting16), 7);
}

TEST(ConsoleSettingsTest, UnknownIdsAndWrongKindsAreRefused) {
    ScriptedConsole s;
    EXPECT_THROW(s.console.Put(static_cast<DispatchId>(999), 1), std::invalid_argument);
    EXPECT_THROW(s.console.Put(static_cast<DispatchId>(114), 1), std::invalid_argument);
    EXPECT_THROW(s.console.Put(DispatchId::kMenuIndex, "3"), std::invalid_argument);
    EXPECT_THROW(s.console.Put(DispatchId::kShowDescription, 1), std::invalid_argument);
    EXPECT_THROW(s.console.Put(DispatchId::kListSetting40, true), std::invalid_argument);
}

}  // namespace
}  // namespace tavix::console
