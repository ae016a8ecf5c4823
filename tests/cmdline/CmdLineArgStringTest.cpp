#include "cmdline/CmdLineArgString.h"

#include <gtest/gtest.h>

TEST(CmdLineArgString, GivenEmptyValueHidesTheDefault) {
    CCmdLineArgString arg("p", "", "??", 0);
    EXPECT_STREQ(arg.GetValue(), "??");
    EXPECT_TRUE(arg.SetValue(""));
    EXPECT_TRUE(arg.IsGiven());
    EXPECT_STREQ(arg.GetValue(), "");
}

TEST(CmdLineArgString, WithoutChoicesAcceptsAnythingAndShowsNone) {
    CCmdLineArgString arg("x", "", "", 0);
    EXPECT_TRUE(arg.IsValidValue(""));
    EXPECT_TRUE(arg.IsValidValue("anything at all"));
    EXPECT_STREQ(arg.GetChoicesText(), "");
}

TEST(CmdLineArgString, ChoicesCompareWholeTextsIgnoringCase) {
    CCmdLineArgString arg("x", "", "", 0);
    arg.AddChoice("a");
    arg.AddChoice("B");
    EXPECT_TRUE(arg.IsValidValue("b"));
    EXPECT_TRUE(arg.IsValidValue("A"));
    EXPECT_FALSE(arg.IsValidValue("c"));
    EXPECT_FALSE(arg.IsValidValue("ab"));
    EXPECT_FALSE(arg.IsValidValue(""));
    // Storing is not checking: that is the parser's business.
    EXPECT_TRUE(arg.SetValue("zzz"));
    EXPECT_STREQ(arg.GetValue(), "zzz");
}

TEST(CmdLineArgString, ChoicesTextListsValuesInDeclarationOrder) {
    CCmdLineArgString arg("x", "", "", 0);
    arg.AddChoice("one");
    EXPECT_STREQ(arg.GetChoicesText(), "{one}");
    arg.AddChoice("two");
    arg.AddChoice("three");
    EXPECT_STREQ(arg.GetChoicesText(), "{one|two|three}");
}
