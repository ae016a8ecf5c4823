#include "cmdline/CmdLine.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "cmdline/CmdLineArgString.h"
#include "cmdline/CmdLineArgToggle.h"

namespace {

template <size_t N>
bool ParseAll(CCmdLine& set, const char* (&elements)[N]) {
    return set.Parse(static_cast<int>(N), elements);
}

}  // namespace

TEST(CmdLine, ProgramNameAloneLeavesTheRequiredArgumentMissing) {
    CCmdLineArgString connect("connect", "", "", ARG_POSITIONAL | ARG_REQUIRED);
    CCmdLine set;
    set.AddArg(connect);
    const char* argv[] = {"prog"};
    EXPECT_FALSE(ParseAll(set, argv));
    EXPECT_STREQ(set.GetErrorText(), "Missing required argument: connect\n\n");
}

TEST(CmdLine, ArgTextIsNullPastTheLastElementAndBeforeParsing) {
    CCmdLine set;
    EXPECT_EQ(set.GetArgText(0), nullptr);
    CCmdLineArgString t("t", "", "", 0);
    set.AddArg(t);
    const char* argv[] = {"prog", "-t=1"};
    ASSERT_TRUE(ParseAll(set, argv));
    EXPECT_STREQ(set.GetArgText(0), "prog");
    EXPECT_STREQ(set.GetArgText(1), "-t=1");
    EXPECT_EQ(set.GetArgText(2), nullptr);
}

TEST(CmdLine, NamesMatchIgnoringCaseAfterEitherPrefix) {
    CCmdLineArgString t("t", "", "", 0);
    CCmdLineArgString s("s", "", "", 0);
    CCmdLine set;
    set.AddArg(t);
    set.AddArg(s);
    const char* argv[] = {"prog", "-T=x", "/s=y"};
    ASSERT_TRUE(ParseAll(set, argv));
    EXPECT_STREQ(t.GetValue(), "x");
    EXPECT_STREQ(s.GetValue(), "y");
    EXPECT_STREQ(set.GetErrorText(), "");
}

TEST(CmdLine, ValueFollowsTheNameAfterOneOptionalSeparator) {
    struct Case {
        const char* element;
        const char* value;
    };
    const Case cases[] = {{"-t=abc", "abc"}, {"-t:abc", "abc"}, {"-tabc", "abc"},
                          {"-t==abc", "=abc"}, {"-t:=abc", "=abc"}, {"-t", ""},
                          {"-t=", ""}, {"/t:", ""}, {"-table", "able"}};
    for (const Case& c : cases) {
        CCmdLineArgString t("t", "", "default", 0);
        CCmdLine set;
        set.AddArg(t);
        const char* argv[] = {"prog", c.element};
        ASSERT_TRUE(ParseAll(set, argv)) << c.element;
        EXPECT_TRUE(t.IsGiven()) << c.element;
        EXPECT_STREQ(t.GetValue(), c.value) << c.element;
    }
}

TEST(CmdLine, FirstRegisteredOfTwoMatchingNamesWins) {
    CCmdLineArgString s("s", "", "", 0);
    CCmdLineArgString se("se", "", "", 0);
    CCmdLine shortFirst;
    shortFirst.AddArg(s);
    shortFirst.AddArg(se);
    const char* argv[] = {"prog", "-se=1", "-se=2"};
    ASSERT_TRUE(ParseAll(shortFirst, argv));
    // The second element finds s taken and falls through to se.
    EXPECT_STREQ(s.GetValue(), "e=1");
    EXPECT_STREQ(se.GetValue(), "2");

    CCmdLineArgString s2("s", "", "", 0);
    CCmdLineArgString se2("se", "", "", 0);
    CCmdLine longFirst;
    longFirst.AddArg(se2);
    longFirst.AddArg(s2);
    const char* argv2[] = {"prog", "-se=1"};
    ASSERT_TRUE(ParseAll(longFirst, argv2));
    EXPECT_STREQ(se2.GetValue(), "1");
    EXPECT_FALSE(s2.IsGiven());
}

TEST(CmdLine, RepeatedOptionIsRejectedAndStopsTheParse) {
    CCmdLineArgString t("t", "", "", 0);
    CCmdLineArgToggle f("f", "", false, false, 0);
    CCmdLine set;
    set.AddArg(t);
    set.AddArg(f);
    const char* argv[] = {"prog", "-t=a", "-t=b", "-f"};
    EXPECT_FALSE(ParseAll(set, argv));
    EXPECT_STREQ(set.GetErrorText(), "Invalid argument: -t=b\n\n");
    EXPECT_STREQ(t.GetValue(), "a");
    EXPECT_FALSE(f.IsGiven());
}

TEST(CmdLine, ToggleElementsSetStateByFirstValueCharacter) {
    struct Case {
        const char* element;
        bool accepted;
        bool state;
    };
    const Case cases[] = {{"-f", true, true},   {"-f+", true, true},  {"-f-", true, false},
                          {"-f=-", true, false}, {"-f:+", true, true}, {"-f+x", true, true},
                          {"-fx", false, false}};
    for (const Case& c : cases) {
        CCmdLineArgToggle f("f", "", !c.state, false, 0);
        CCmdLine set;
        set.AddArg(f);
        const char* argv[] = {"prog", c.element};
        EXPECT_EQ(ParseAll(set, argv), c.accepted) << c.element;
        if (c.accepted) {
            EXPECT_EQ(f.GetState(), c.state) << c.element;
        }
    }
}

TEST(CmdLine, PrefixCharacterAloneMatchesNoNamedArgument) {
    for (const char* element : {"-", "/"}) {
        CCmdLineArgString t("t", "", "", 0);
        CCmdLine set;
        set.AddArg(t);
        const char* argv[] = {"prog", element};
        EXPECT_FALSE(ParseAll(set, argv)) << element;
        EXPECT_EQ(set.GetErrorText(), std::string("Invalid argument: ") + element + "\n\n");
    }
}

TEST(CmdLine, PositionalElementsFillPositionalArgumentsInOrder) {
    CCmdLineArgString a("a", "", "", ARG_POSITIONAL);
    CCmdLineArgString t("t", "", "", 0);
    CCmdLineArgString b("b", "", "", ARG_POSITIONAL);
    CCmdLine set;
    set.AddArg(a);
    set.AddArg(t);
    set.AddArg(b);
    const char* argv[] = {"prog", "x", "-t=1", "y", "z%s"};
    EXPECT_FALSE(ParseAll(set, argv));
    EXPECT_STREQ(a.GetValue(), "x");
    EXPECT_STREQ(b.GetValue(), "y");
    EXPECT_STREQ(set.GetErrorText(), "Invalid argument: z%s\n\n");
}

TEST(CmdLine, EmptyElementIsPositional) {
    CCmdLineArgString a("a", "", "default", ARG_POSITIONAL | ARG_REQUIRED);
    CCmdLine set;
    set.AddArg(a);
    const char* argv[] = {"prog", ""};
    ASSERT_TRUE(ParseAll(set, argv));
    EXPECT_TRUE(a.IsGiven());
    EXPECT_STREQ(a.GetValue(), "");
}

TEST(CmdLine, PositionalValueOutsideTheChoicesIsNotOfferedToTheNext) {
    CCmdLineArgString mode("mode", "", "", ARG_POSITIONAL);
    CCmdLineArgString rest("rest", "", "", ARG_POSITIONAL);
    mode.AddChoice("fast");
    CCmdLine set;
    set.AddArg(mode);
    set.AddArg(rest);
    const char* argv[] = {"prog", "slow"};
    EXPECT_FALSE(ParseAll(set, argv));
    EXPECT_FALSE(rest.IsGiven());
    EXPECT_STREQ(set.GetErrorText(), "Invalid argument: slow\n\n");
}

TEST(CmdLine, PositionalArgumentCannotBeGivenByName) {
    CCmdLineArgString connect("connect", "", "", ARG_POSITIONAL);
    CCmdLine alone;
    alone.AddArg(connect);
    const char* argv[] = {"prog", "-connect=x"};
    EXPECT_FALSE(ParseAll(alone, argv));

    // A named argument whose name starts the rest takes the element instead.
    CCmdLineArgString connect2("connect", "", "", ARG_POSITIONAL);
    CCmdLineArgString c("c", "", "", 0);
    CCmdLine withNamed;
    withNamed.AddArg(connect2);
    withNamed.AddArg(c);
    EXPECT_TRUE(ParseAll(withNamed, argv));
    EXPECT_FALSE(connect2.IsGiven());
    EXPECT_STREQ(c.GetValue(), "onnect=x");
}

TEST(CmdLine, ElementStartingWithSlashIsNeverPositional) {
    CCmdLineArgString path("path", "", "", ARG_POSITIONAL);
    CCmdLine set;
    set.AddArg(path);
    const char* argv[] = {"prog", "/tmp/file"};
    EXPECT_FALSE(ParseAll(set, argv));
    EXPECT_FALSE(path.IsGiven());
}

TEST(CmdLine, ExclusiveConflictNamesTheFirstTwoGivenMembersAndBeatsMissing) {
    CCmdLineArgString req("req", "", "", ARG_POSITIONAL | ARG_REQUIRED);
    CCmdLineArgString a("a", "", "", 0);
    CCmdLineArgString b("b", "", "", 0);
    CCmdLineArgString c("c", "", "", 0);
    CCmdLine set;
    set.AddArg(req);
    set.AddArg(a);
    set.AddArg(b);
    set.AddArg(c);
    set.AddExclusiveGroup({&a, &b});
    set.AddExclusiveGroup({&a, &b, &c});
    const char* argv[] = {"prog", "-c", "-b"};
    EXPECT_FALSE(ParseAll(set, argv));
    EXPECT_STREQ(set.GetErrorText(), "Exclusive arguments: b and c\n\n");
}

TEST(CmdLine, DependentWithoutItsPrerequisiteIsReported) {
    CCmdLineArgString user("user", "", "", 0);
    CCmdLineArgString password("password", "", "", 0);
    CCmdLineArgString role("role", "", "", 0);
    CCmdLine set;
    set.AddArg(user);
    set.AddArg(password);
    set.AddArg(role);
    set.AddDependency(password, role);
    set.AddDependency(user, password);
    set.AddDependency(user, role);
    const char* argv[] = {"prog", "-role=r", "-password=p"};
    EXPECT_FALSE(ParseAll(set, argv));
    // The dependents of one prerequisite are checked in declaration order.
    EXPECT_STREQ(set.GetErrorText(), "password is invalid without user\n\n");
}

TEST(CmdLine, SecondParseRepeatsOnlyAnElementFailure) {
    CCmdLineArgString req("req", "", "", ARG_POSITIONAL | ARG_REQUIRED);
    CCmdLine missing;
    missing.AddArg(req);
    const char* none[] = {"prog"};
    EXPECT_FALSE(ParseAll(missing, none));
    EXPECT_TRUE(ParseAll(missing, none));

    CCmdLineArgString t("t", "", "", 0);
    CCmdLine invalid;
    invalid.AddArg(t);
    const char* bad[] = {"prog", "-x"};
    const char* good[] = {"prog", "-t=1"};
    EXPECT_FALSE(ParseAll(invalid, bad));
    EXPECT_FALSE(ParseAll(invalid, good));
    EXPECT_FALSE(t.IsGiven());
    EXPECT_STREQ(invalid.GetErrorText(), "Invalid argument: -x\n\n");
}

TEST(CmdLine, MegabyteElementsAreTakenAndReportedWhole) {
    CCmdLineArgString s("s", "", "", 0);
    CCmdLine set;
    set.AddArg(s);
    const std::string value(1 << 20, 'v');
    const std::string accepted = "-s=" + value;
    const std::string rejected = "-x" + value;
    const char* argv[] = {"prog", accepted.c_str(), rejected.c_str()};
    EXPECT_FALSE(ParseAll(set, argv));
    EXPECT_EQ(std::string(s.GetValue()), value);
    EXPECT_EQ(std::string(set.GetErrorText()), "Invalid argument: " + rejected + "\n\n");
}

TEST(CmdLine, RejectedElementShowsNoPassword) {
    const std::pair<const char*, const char*> cases[] = {
        {"Driver=x;PWD=very-secret", "Driver=x;PWD=***"},
        {"DSN=d;uid=u;pwd=p w;Database=db", "DSN=d;uid=u;pwd=***;Database=db"},
        {"Password=a=b;x=1;", "Password=***;x=1;"},
        {"SSLPassword=s;;passwd=", "SSLPassword=***;;passwd=***"},
        {"Driver={a;b};PWD={p;w}}d};UID=u", "Driver={a;b};PWD=***;UID=u"},
        {"PWD={unclosed;x", "PWD=***"},
        {"-s=select pwd=1;PWD", "-s=select pwd=1;PWD"},
    };
    for (const auto& c : cases) {
        CCmdLine set;
        const char* argv[] = {"prog", c.first};
        EXPECT_FALSE(ParseAll(set, argv));
        EXPECT_EQ(std::string(set.GetErrorText()), std::string("Invalid argument: ") + c.second + "\n\n");
    }
}
