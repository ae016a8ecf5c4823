#include "csv/CsvField.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Escaped(const char* value, const char* separator = ",") {
    CStr text(value);
    EscapeField(text, separator);
    return text.Text();
}

std::string Unescaped(const char* value) {
    CStr text(value);
    UnescapeField(text);
    return text.Text();
}

std::vector<std::string> Split(const char* line, const char* separator) {
    std::vector<std::string> fields;
    const char* cursor = line;
    CStr field;
    while (*cursor != '\0') {
        SplitField(cursor, field, separator);
        fields.emplace_back(field.Text());
    }
    return fields;
}

}  // namespace

TEST(CsvField, QuotesOnlyCommasQuotesAndLineBreaks) {
    const struct {
        const char* value;
        const char* field;
    } table[] = {
        {"abc", "abc"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"x,\"y\"", "\"x,\"\"y\"\"\""},
        {"a;b", "a;b"},
        {" x ", " x "},
        {"a\tb", "a\tb"},
        {"a\nb", "\"a\nb\""},
        {"a\rb", "\"a\rb\""},
        {"a\r\n\"b\"", "\"a\r\n\"\"b\"\"\""},
        {"\n", "\"\n\""},
        {"\xff\xfe", "\xff\xfe"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(Escaped(row.value), row.field) << "value: " << row.value;
    }
}

TEST(CsvField, FindsASpecialCharacterAtAnyPositionOfAValueOfAnyLength) {
    // Bytes that differ from a special character in one bit only stay plain.
    const std::string nearMisses = "\xac\xa2\x8d\x8a-.#*+0";
    for (size_t length = 1; length <= 100; ++length) {
        std::string plain;
        while (plain.size() < length) plain += nearMisses;
        plain.resize(length);
        ASSERT_EQ(Escaped(plain.c_str()), plain) << "length " << length;
        for (const char special : {',', '"', '\r', '\n'}) {
            for (size_t position = 0; position < length; ++position) {
                std::string value = plain;
                value[position] = special;
                EXPECT_EQ(Escaped(value.c_str()).front(), '"')
                    << "position " << position << " of " << length << ": " << int(special);
            }
        }
    }
}

TEST(CsvField, QuotesEveryCharacterOfAnotherSeparator) {
    EXPECT_EQ(Escaped("a,b;", ";"), "\"a,b;\"");
    EXPECT_EQ(Escaped("a|", "|;"), "\"a|\"");
}

TEST(CsvField, UnescapeRemovesEndQuotesAndUndoublesInnerPairs) {
    const struct {
        const char* field;
        const char* value;
    } table[] = {
        {"\"a,b\"", "a,b"},
        {"\"say \"\"hi\"\"\"", "say \"hi\""},
        {"\"\"\"\"", "\""},
        {"\"\"", ""},
        {"\"", ""},
        {"\"abc", "abc"},
        {"abc\"", "abc"},
        {"a\"\"b", "a\"b"},
        {"a\"b", "a\"b"},
        {"a\"\"\"b", "a\"\"b"},
        {"abc", "abc"},
        {"", ""},
    };
    for (const auto& row : table) {
        EXPECT_EQ(Unescaped(row.field), row.value) << "field: " << row.field;
    }
}

TEST(CsvField, SplitCutsAtTheSeparatorOutsideQuotesAndKeepsTheQuotes) {
    EXPECT_EQ(Split("1,\"a,b\",3", ","), (std::vector<std::string>{"1", "\"a,b\"", "3"}));
    EXPECT_EQ(Split("a;;b;c", ";;"), (std::vector<std::string>{"a", "b;c"}));
    EXPECT_EQ(Split("a,b", ""), (std::vector<std::string>{"a,b"}));
}

TEST(CsvField, SplitEndsAFieldAtALineBreakEvenInsideQuotes) {
    const char* line = "\"a\nb\",c";
    const char* cursor = line;
    CStr field;
    SplitField(cursor, field, ",");
    EXPECT_STREQ(field.Text(), "\"a");
    EXPECT_EQ(cursor, line + 3);
}

TEST(CsvField, SplitMovesTheCursorPastWhatEndedTheField) {
    const char* line = "a,\rb";
    const char* cursor = line;
    CStr field;
    SplitField(cursor, field, ",");
    EXPECT_EQ(cursor, line + 2);
    SplitField(cursor, field, ",");
    EXPECT_STREQ(field.Text(), "");
    EXPECT_EQ(cursor, line + 3);
    SplitField(cursor, field, ",");
    EXPECT_STREQ(field.Text(), "b");
    EXPECT_EQ(cursor, line + 4);
    SplitField(cursor, field, ",");
    EXPECT_STREQ(field.Text(), "");
    EXPECT_EQ(cursor, line + 4);
}
