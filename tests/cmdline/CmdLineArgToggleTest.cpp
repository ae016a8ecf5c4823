#include "cmdline/CmdLineArgToggle.h"

#include <gtest/gtest.h>

TEST(CmdLineArgToggle, ReportsItsDefaultStateUntilGiven) {
    CCmdLineArgToggle off("f", "", false, false, 0);
    CCmdLineArgToggle on("g", "", true, false, 0);
    EXPECT_FALSE(off.GetState());
    EXPECT_TRUE(on.GetState());
    EXPECT_TRUE(on.SetValue("-"));
    EXPECT_FALSE(on.GetState());
}

TEST(CmdLineArgToggle, RejectedValueStillMarksItGivenAndKeepsTheState) {
    CCmdLineArgToggle toggle("f", "", true, false, 0);
    EXPECT_FALSE(toggle.SetValue("on"));
    EXPECT_TRUE(toggle.IsGiven());
    // Given, so the default no longer counts; the state was never set.
    EXPECT_FALSE(toggle.GetState());
}

TEST(CmdLineArgToggle, ValidValueIsTheWholeTextEmptyPlusOrMinus) {
    CCmdLineArgToggle toggle("f", "", false, false, 0);
    EXPECT_TRUE(toggle.IsValidValue(""));
    EXPECT_TRUE(toggle.IsValidValue("+"));
    EXPECT_TRUE(toggle.IsValidValue("-"));
    EXPECT_FALSE(toggle.IsValidValue("++"));
    EXPECT_FALSE(toggle.IsValidValue("+ "));
    EXPECT_FALSE(toggle.IsValidValue("on"));
}
