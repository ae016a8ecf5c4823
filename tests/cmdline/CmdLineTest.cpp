#include "cmdline/CmdLine.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cmdline/CmdLineArgString.h"
#include "cmdline/CmdLineArgToggle.h"

namespace {

// An argument set and the arguments a test makes for it, registered in the
// order made. Renew starts an empty set; the earlier sets and their
// arguments live on until the test ends.
class CmdLine : public testing::Test {
protected:
    CCmdLineArgString& String(const char* name, int32_t flags = 0, const char* defaultValue = "") {
        return Register(std::make_unique<CCmdLineArgString>(name, "", defaultValue, flags));
    }
    CCmdLineArgToggle& Toggle(const char* name, bool defaultState = false) {
        return Register(std::make_unique<CCmdLineArgToggle>(name, "", defaultState, false, 0));
    }
    template <size_t N>
    bool Parse(const char* (&elements)[N]) {
        return set_->Parse(static_cast<int>(N), elements);
    }
    void Renew() {
        earlierSets_.push_back(std::move(set_));
        set_ = std::make_unique<CCmdLine>();
    }

    std::vector<std::unique_ptr<CCmdLineArg>> args_;
    std::vector<std::unique_ptr<CCmdLine>> earlierSets_;
    std::unique_ptr<CCmdLine> set_ = std::make_unique<CCmdLine>();

private:
    template <typename T>
    T& Register(std::unique_ptr<T> arg) {
        T& registered = *arg;
        args_.push_back(std::move(arg));
        set_->AddArg(registered);
        return registered;
    }
};

TEST_F(CmdLine, ProgramNameAloneLeavesTheRequiredArgumentMissing) {
    String("connect", ARG_POSITIONAL | ARG_REQUIRED);
    const char* argv[] = {"prog"};
    EXPECT_FALSE(Parse(argv));
    EXPECT_STREQ(set_->GetErrorText(), "Missing required argument: connect\n\n");
}

TEST_F(CmdLine, ArgTextIsNullPastTheLastElementAndBeforeParsing) {
    EXPECT_EQ(set_->GetArgText(0), nullptr);
    String("t");
    const char* argv[] = {"prog", "-t=1"};
    ASSERT_TRUE(Parse(argv));
    EXPECT_STREQ(set_->GetArgText(0), "prog");
    EXPECT_STREQ(set_->GetArgText(1), "-t=1");
    EXPECT_EQ(set_->GetArgText(2), nullptr);
}

TEST_F(CmdLine, NamesMatchIgnoringCaseAfterEitherPrefix) {
    CCmdLineArgString& t = String("t");
    CCmdLineArgString& s = String("s");
    const char* argv[] = {"prog", "-T=x", "/s=y"};
    ASSERT_TRUE(Parse(argv));
    EXPECT_STREQ(t.GetValue(), "x");
    EXPECT_STREQ(s.GetValue(), "y");
    EXPECT_STREQ(set_->GetErrorText(), "");
}

TEST_F(CmdLine, ValueFollowsTheNameAfterOneOptionalSeparator) {
    struct Case {
        const char* element;
        const char* value;
    };
    const Case cases[] = {{"-t=abc", "abc"}, {"-t:abc", "abc"}, {"-tabc", "abc"},
                          {"-t==abc", "=abc"}, {"-t:=abc", "=abc"}, {"-t", ""},
                          {"-t=", ""}, {"/t:", ""}, {"-table", "able"}};
    for (const Case& c : cases) {
        Renew();
        CCmdLineArgString& t = String("t", 0, "default");
        const char* argv[] = {"prog", c.element};
        ASSERT_TRUE(Parse(argv)) << c.element;
        EXPECT_TRUE(t.IsGiven()) << c.element;
        EXPECT_STREQ(t.GetValue(), c.value) << c.element;
    }
}

TEST_F(CmdLine, FirstRegisteredOfTwoMatchingNamesWins) {
    CCmdLineArgString& s = String("s");
    CCmdLineArgString& se = String("se");
    const char* argv[] = {"prog", "-se=1", "-se=2"};
    ASSERT_TRUE(Parse(argv));
    // The second element finds s taken and falls through to se.
    EXPECT_STREQ(s.GetValue(), "e=1");
    EXPECT_STREQ(se.GetValue(), "2");

    Renew();
    CCmdLineArgString& se2 = String("se");
    CCmdLineArgString& s2 = String("s");
    const char* argv2[] = {"prog", "-se=1"};
    ASSERT_TRUE(Parse(argv2));
    EXPECT_STREQ(se2.GetValue(), "1");
    EXPECT_FALSE(s2.IsGiven());
}

TEST_F(CmdLine, RepeatedOptionIsRejectedAndStopsTheParse) {
    CCmdLineArgString& t = String("t");
    CCmdLineArgToggle& f = Toggle("f");
    const char* argv[] = {"prog", "-t=a", "-t=b", "-f"};
    EXPECT_FALSE(Parse(argv));
    EXPECT_STREQ(set_->GetErrorText(), "Invalid argument: -t=b\n\n");
    EXPECT_STREQ(t.GetValue(), "a");
    EXPECT_FALSE(f.IsGiven());
}

TEST_F(CmdLine, ToggleElementsSetStateByFirstValueCharacter) {
    struct Case {
        const char* element;
        bool accepted;
        bool state;
    };
    const Case cases[] = {{"-f", true, true},   {"-f+", true, true},  {"-f-", true, false},
                          {"-f=-", true, false}, {"-f:+", true, true}, {"-f+x", true, true},
                          {"-fx", false, false}};
    for (const Case& c : cases) {
        Renew();
        CCmdLineArgToggle& f = Toggle("f", !c.state);
        const char* argv[] = {"prog", c.element};
        EXPECT_EQ(Parse(argv), c.accepted) << c.element;
        if (c.accepted) {
            EXPECT_EQ(f.GetState(), c.state) << c.element;
        }
    }
}

TEST_F(CmdLine, PrefixCharacterAloneMatchesNoNamedArgument) {
    for (const char* element : {"-", "/"}) {
        Renew();
        String("t");
        const char* argv[] = {"prog", element};
        EXPECT_FALSE(Parse(argv)) << element;
        EXPECT_EQ(set_->GetErrorText(), std::string("Invalid argument: ") + element + "\n\n");
    }
}

TEST_F(CmdLine, PositionalElementsFillPositionalArgumentsInOrder) {
    CCmdLineArgString& a = String("a", ARG_POSITIONAL);
    String("t");
    CCmdLineArgString& b = String("b", ARG_POSITIONAL);
    const char* argv[] = {"prog", "x", "-t=1", "y", "z%s"};
    EXPECT_FALSE(Parse(argv));
    EXPECT_STREQ(a.GetValue(), "x");
    EXPECT_STREQ(b.GetValue(), "y");
    EXPECT_STREQ(set_->GetErrorText(), "Invalid argument: z%s\n\n");
}

TEST_F(CmdLine, EmptyElementIsPositional) {
    CCmdLineArgString& a = String("a", ARG_POSITIONAL | ARG_REQUIRED, "default");
    const char* argv[] = {"prog", ""};
    ASSERT_TRUE(Parse(argv));
    EXPECT_TRUE(a.IsGiven());
    EXPECT_STREQ(a.GetValue(), "");
}

TEST_F(CmdLine, PositionalValueOutsideTheChoicesIsNotOfferedToTheNext) {
    CCmdLineArgString& mode = String("mode", ARG_POSITIONAL);
    CCmdLineArgString& rest = String("rest", ARG_POSITIONAL);
    mode.AddChoice("fast");
    const char* argv[] = {"prog", "slow"};
    EXPECT_FALSE(Parse(argv));
    EXPECT_FALSE(rest.IsGiven());
    EXPECT_STREQ(set_->GetErrorText(), "Invalid argument: slow\n\n");
}

TEST_F(CmdLine, PositionalArgumentCannotBeGivenByName) {
    String("connect", ARG_POSITIONAL);
    const char* argv[] = {"prog", "-connect=x"};
    EXPECT_FALSE(Parse(argv));

    // A named argument whose name starts the rest takes the element instead.
    Renew();
    CCmdLineArgString& connect = String("connect", ARG_POSITIONAL);
    CCmdLineArgString& c = String("c");
    EXPECT_TRUE(Parse(argv));
    EXPECT_FALSE(connect.IsGiven());
    EXPECT_STREQ(c.GetValue(), "onnect=x");
}

TEST_F(CmdLine, ElementStartingWithSlashIsNeverPositional) {
    CCmdLineArgString& path = String("path", ARG_POSITIONAL);
    const char* argv[] = {"prog", "/tmp/file"};
    EXPECT_FALSE(Parse(argv));
    EXPECT_FALSE(path.IsGiven());
}

TEST_F(CmdLine, ExclusiveConflictNamesTheFirstTwoGivenMembersAndBeatsMissing) {
    String("req", ARG_POSITIONAL | ARG_REQUIRED);
    CCmdLineArgString& a = String("a");
    CCmdLineArgString& b = String("b");
    CCmdLineArgString& c = String("c");
    set_->AddExclusiveGroup({&a, &b});
    set_->AddExclusiveGroup({&a, &b, &c});
    const char* argv[] = {"prog", "-c", "-b"};
    EXPECT_FALSE(Parse(argv));
    EXPECT_STREQ(set_->GetErrorText(), "Exclusive arguments: b and c\n\n");
}

TEST_F(CmdLine, DependentWithoutItsPrerequisiteIsReported) {
    CCmdLineArgString& user = String("user");
    CCmdLineArgString& password = String("password");
    CCmdLineArgString& role = String("role");
    set_->AddDependency(password, role);
    set_->AddDependency(user, password);
    set_->AddDependency(user, role);
    const char* argv[] = {"prog", "-role=r", "-password=p"};
    EXPECT_FALSE(Parse(argv));
    // The dependents of one prerequisite are checked in declaration order.
    EXPECT_STREQ(set_->GetErrorText(), "password is invalid without user\n\n");
}

TEST_F(CmdLine, SecondParseRepeatsOnlyAnElementFailure) {
    String("req", ARG_POSITIONAL | ARG_REQUIRED);
    const char* none[] = {"prog"};
    EXPECT_FALSE(Parse(none));
    EXPECT_TRUE(Parse(none));

    Renew();
    CCmdLineArgString& t = String("t");
    const char* bad[] = {"prog", "-x"};
    const char* good[] = {"prog", "-t=1"};
    EXPECT_FALSE(Parse(bad));
    EXPECT_FALSE(Parse(good));
    EXPECT_FALSE(t.IsGiven());
    EXPECT_STREQ(set_->GetErrorText(), "Invalid argument: -x\n\n");
}

TEST_F(CmdLine, MegabyteElementsAreTakenAndReportedWhole) {
    CCmdLineArgString& s = String("s");
    const std::string value(1 << 20, 'v');
    const std::string accepted = "-s=" + value;
    const std::string rejected = "-x" + value;
    const char* argv[] = {"prog", accepted.c_str(), rejected.c_str()};
    EXPECT_FALSE(Parse(argv));
    EXPECT_EQ(std::string(s.GetValue()), value);
    EXPECT_EQ(std::string(set_->GetErrorText()), "Invalid argument: " + rejected + "\n\n");
}

// A program's own view of a rejected element: upper case.
class CShoutingCmdLine : public CCmdLine {
protected:
    CStr ShowRejected(const char* element) const override {
        std::string shown(element);
        for (char& c : shown) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return CStr(shown.c_str());
    }
};

TEST_F(CmdLine, RejectedElementIsShownAsTypedUnlessTheProgramShowsItOtherwise) {
    const char* argv[] = {"prog", "Driver=x;PWD=p"};
    EXPECT_FALSE(Parse(argv));
    EXPECT_STREQ(set_->GetErrorText(), "Invalid argument: Driver=x;PWD=p\n\n");
    CShoutingCmdLine shouting;
    EXPECT_FALSE(shouting.Parse(2, argv));
    EXPECT_STREQ(shouting.GetErrorText(), "Invalid argument: DRIVER=X;PWD=P\n\n");
}

}  // namespace
