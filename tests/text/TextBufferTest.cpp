#include "text/TextBuffer.h"

#include <gtest/gtest.h>

#include <string>

TEST(TextBuffer, StartsWithGrowStepOfSlack) {
    CTextBuffer b("", 1024);
    EXPECT_STREQ(b.Text(), "");
    EXPECT_EQ(b.Length(), 0u);
    EXPECT_EQ(b.Capacity(), 1025u);
}

TEST(TextBuffer, GrowsOnlyWhenFullThenByStepOrDouble) {
    CTextBuffer b("", 1024);
    const std::string kilo(1024, 'x');
    b.AppendText(kilo.c_str());
    EXPECT_EQ(b.Capacity(), 1025u);
    b.AppendChar('y');
    EXPECT_EQ(b.Capacity(), 2050u);
    EXPECT_EQ(b.Length(), 1025u);
    EXPECT_EQ(std::string(b.Text()), kilo + "y");
    // Past a few steps doubling wins over the fixed step.
    const std::string more(1100, 'z');
    b.AppendText(more.c_str());
    EXPECT_EQ(b.Capacity(), 4100u);
}

TEST(TextBuffer, NothingAppendedLeavesEverything) {
    CTextBuffer b("ab", 1024);
    const size_t capacity = b.Capacity();
    b.AppendChar('\0').AppendText(nullptr).AppendText("").AppendText("xyz", 0);
    EXPECT_STREQ(b.Text(), "ab");
    EXPECT_EQ(b.Length(), 2u);
    EXPECT_EQ(b.Capacity(), capacity);
}

TEST(TextBuffer, SetTextReusesALargeEnoughArray) {
    CTextBuffer b("", 1024);
    b.AppendText(std::string(1025, 'x').c_str());
    ASSERT_EQ(b.Capacity(), 2050u);
    b.SetText("0123456789");
    EXPECT_EQ(b.Capacity(), 2050u);
    EXPECT_STREQ(b.Text(), "0123456789");
    b.SetText(std::string(3000, 'q').c_str());
    EXPECT_EQ(b.Capacity(), 4025u);
    EXPECT_EQ(b.Length(), 3000u);
}

TEST(TextBuffer, AppendsItsOwnTextAcrossAGrowth) {
    CTextBuffer b("", 4);
    b.AppendText("abcd");
    b.AppendText(b.Text());
    b.AppendText(b.Text() + 2);
    EXPECT_STREQ(b.Text(), "abcdabcdcdabcd");
    b.SetText(b.Text() + 10);
    EXPECT_STREQ(b.Text(), "abcd");
}

TEST(TextBuffer, ManySmallAppendsKeepEveryByte) {
    CTextBuffer b("", 1024);
    std::string expected;
    for (int i = 0; i < 100000; ++i) {
        const char piece[] = {static_cast<char>('a' + i % 26), ',', '\0'};
        b.AppendText(piece);
        expected += piece;
    }
    EXPECT_EQ(b.Length(), expected.size());
    EXPECT_EQ(std::string(b.Text()), expected);
    EXPECT_LT(b.Capacity(), 2 * expected.size() + 2048);
}

TEST(TextBuffer, ATextOfManyMegabytesKeepsEveryByte) {
    CTextBuffer b("", 1024);
    std::string expected;
    for (int i = 0; expected.size() < (size_t{5} << 20); ++i) {
        const std::string piece(1000, static_cast<char>('a' + i % 26));
        b.AppendText(piece.c_str(), piece.size());
        expected += piece;
    }
    EXPECT_EQ(std::string(b.Text(), b.Length()), expected);
}

TEST(TextBuffer, TruncateCutsBackToASavedLengthAndKeepsTheArray) {
    CTextBuffer b("line 1\n", 1024);
    const size_t saved = b.Length();
    b.AppendText("half a li");
    const size_t capacity = b.Capacity();
    b.Truncate(saved);
    EXPECT_STREQ(b.Text(), "line 1\n");
    EXPECT_EQ(b.Length(), saved);
    EXPECT_EQ(b.Capacity(), capacity);
}
