#include "text/Str.h"

#include <gtest/gtest.h>

#include <climits>

TEST(Str, NullSourceGivesEmptyTextNotNull) {
    CStr s(nullptr);
    ASSERT_NE(s.Text(), nullptr);
    EXPECT_STREQ(s.Text(), "");
    s.Assign("x").Assign(nullptr);
    EXPECT_STREQ(s.Text(), "");
}

TEST(Str, SelfAssignmentKeepsTheText) {
    CStr s("abc");
    const char* held = s.Text();
    s.Assign(s.Text());
    EXPECT_EQ(s.Text(), held);
    s.AssignFrom(s);
    EXPECT_STREQ(s.Text(), "abc");
    s = s;
    EXPECT_STREQ(s.Text(), "abc");
}

TEST(Str, SourceInsideTheHeldTextIsCopiedBeforeFreeing) {
    CStr s("abcdef");
    s.Assign(s.Text() + 3);
    EXPECT_STREQ(s.Text(), "def");
    s.Assign("abcdef").Append(s.Text() + 4);
    EXPECT_STREQ(s.Text(), "abcdefef");
    s.AssignPrefix(s.Text() + 1, 3);
    EXPECT_STREQ(s.Text(), "bcd");
}

TEST(Str, PrefixAssignmentPadsAndBounds) {
    CStr s;
    s.AssignPrefix("abc", 5);
    EXPECT_STREQ(s.Text(), "abc");
    s.AssignPrefix("abcdef", 2);
    EXPECT_STREQ(s.Text(), "ab");
    s.AssignPrefix(nullptr, 5);
    EXPECT_STREQ(s.Text(), "");
}

TEST(Str, AssignCharOfNulGivesEmptyText) {
    CStr s("x");
    s.AssignChar('y');
    EXPECT_STREQ(s.Text(), "y");
    s.AssignChar('\0');
    EXPECT_STREQ(s.Text(), "");
}

TEST(Str, AppendOfNothingLeavesTheText) {
    CStr s("ab");
    s.Append("").Append(nullptr);
    EXPECT_STREQ(s.Text(), "ab");
    s.Append("cd");
    EXPECT_STREQ(s.Text(), "abcd");
    CStr empty;
    empty.Append("x");
    EXPECT_STREQ(empty.Text(), "x");
}

TEST(Str, SubstringBounds) {
    const CStr s("abcdef");
    CStr r("old");
    s.Substring(r, 4, 10);
    EXPECT_STREQ(r.Text(), "ef");
    s.Substring(r, 6, 1);
    EXPECT_STREQ(r.Text(), "");
    s.Substring(r, 0, 0);
    EXPECT_STREQ(r.Text(), "");
    CStr("").Substring(r, 0, 3);
    EXPECT_STREQ(r.Text(), "");
    CStr self("abcdef");
    self.Substring(self, 1, 2);
    EXPECT_STREQ(self.Text(), "bc");
}

TEST(Str, FromIntCoversTheWholeRange) {
    CStr r;
    CStr::FromInt(r, 0);
    EXPECT_STREQ(r.Text(), "0");
    CStr::FromInt(r, INT_MIN);
    EXPECT_STREQ(r.Text(), "-2147483648");
    CStr::FromInt(r, INT_MAX);
    EXPECT_STREQ(r.Text(), "2147483647");
}

TEST(Str, CopiesAreIndependentAndMovesLeaveNothingShared) {
    CStr a("one");
    CStr b(a);
    b.Append("!");
    EXPECT_STREQ(a.Text(), "one");
    CStr c(std::move(b));
    EXPECT_STREQ(c.Text(), "one!");
    a = std::move(c);
    EXPECT_STREQ(a.Text(), "one!");
}

TEST(Str, ComparesAsUnsignedBytes) {
    EXPECT_TRUE(CStr("ID") < CStr("id"));
    EXPECT_TRUE(CStr("z") < CStr("\xc3\xa9"));
    EXPECT_TRUE(CStr("a") == CStr("a"));
    EXPECT_FALSE(CStr("a") == CStr("A"));
}
