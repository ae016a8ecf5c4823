#include "cmdline/CmdLine.h"

#include <gtest/gtest.h>

#include <string>

#include "cmdline/CmdLineArgString.h"
#include "cmdline/CmdLineArgToggle.h"

TEST(CmdLineUsage, EmptySetGivesAnEmptyLine) {
    CCmdLine set;
    EXPECT_STREQ(set.GetUsage(false), "\n");
    EXPECT_STREQ(set.GetUsage(true), "\n");
}

TEST(CmdLineUsage, ExamplesWithoutArgumentsFollowAnEmptyLine) {
    CCmdLine set;
    set.AddExample("run %s once");
    set.AddExample("run twice");
    EXPECT_STREQ(set.GetUsage(true), "\n\nrun %s once\nrun twice\n");
}

TEST(CmdLineUsage, SynopsisItemShowsKindRequirementHintAndChoices) {
    struct Case {
        bool toggle;
        int32_t flags;
        bool choices;
        bool showStates;
        const char* synopsis;
    };
    const Case cases[] = {
        {false, ARG_REQUIRED, false, false, "-x=<string> \n"},
        {false, 0, false, false, "[-x=<string>] \n"},
        {false, ARG_POSITIONAL, false, false, "[<x>] \n"},
        {false, ARG_POSITIONAL | ARG_REQUIRED, false, false, "<x> \n"},
        {false, 0, true, false, "[-x=<string>{a|b}] \n"},
        {false, ARG_POSITIONAL | ARG_REQUIRED, true, false, "<x>{a|b} \n"},
        {true, 0, false, true, "[-x{+|-}] \n"},
        {true, 0, false, false, "[-x] \n"},
        {true, ARG_REQUIRED, false, false, "-x \n"},
        {true, 1 | 8 | 64, false, false, "[-x] \n"},
    };
    for (const Case& c : cases) {
        CCmdLineArgToggle toggle("x", "", false, c.showStates, c.flags);
        CCmdLineArgString text("x", "", "", c.flags);
        if (c.choices) {
            text.AddChoice("a");
            text.AddChoice("b");
        }
        CCmdLine set;
        set.AddArg(c.toggle ? static_cast<CCmdLineArg&>(toggle) : text);
        EXPECT_STREQ(set.GetUsage(false), c.synopsis);
    }
}

TEST(CmdLineUsage, ListAlignsDescriptionsTwoPastTheLongestEntry) {
    CCmdLineArgString connect("connect", "connection string", "", ARG_POSITIONAL | ARG_REQUIRED);
    CCmdLineArgString output("output", "output file", "", 0);
    CCmdLineArgToggle quiet("q", "", false, true, 0);
    CCmdLine set;
    set.AddArg(connect);
    set.AddArg(output);
    set.AddArg(quiet);
    set.AddExample("prog db -q");
    EXPECT_STREQ(set.GetUsage(true),
                 "<connect> [-output=<string>] [-q{+|-}] \n"
                 "\n"
                 "prog db -q\n"
                 "\n"
                 "connect  connection string\n"
                 "-output  output file\n"
                 "-q       \n");
}

TEST(CmdLineUsage, NamedLongestEntryCountsItsDash) {
    CCmdLineArgString a("a", "short", "", 0);
    CCmdLineArgString b("bb", "long", "", ARG_POSITIONAL);
    CCmdLineArgString c("ccc", "longest", "", 0);
    CCmdLine set;
    set.AddArg(a);
    set.AddArg(b);
    set.AddArg(c);
    const std::string usage = set.GetUsage(true);
    EXPECT_EQ(usage.substr(usage.find("\n\n") + 2),
              "-a    short\n"
              "bb    long\n"
              "-ccc  longest\n");
}
