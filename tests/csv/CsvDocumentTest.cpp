#include "csv/CsvDocument.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/csv/WrittenText.h"

namespace {

void AddRow(CCsvDocument& doc, std::initializer_list<std::pair<const char*, const char*>> values) {
    CCsvRow row = doc.NewRow();
    for (const auto& value : values) row.SetValue(value.first, value.second);
}

FILE* InputOf(const std::string& text) {
    FILE* in = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), in);
    std::rewind(in);
    return in;
}

}  // namespace

TEST(CsvDocument, OrdersColumnsByFirstUseNotByEachRowsOrder) {
    CCsvDocument doc(false, ",");
    AddRow(doc, {{"a", "1"}, {"b", "2"}, {"c", "3"}});
    AddRow(doc, {{"b", "4"}, {"a", "5"}, {"c", "6"}});
    AddRow(doc, {{"a", "7"}, {"c", "8"}, {"b", "9"}});
    EXPECT_EQ(WrittenText(doc, true), "a,b,c\n1,2,3\n5,4,6\n7,9,8\n");
}

TEST(CsvDocument, TextMovedToItsTemporaryFileIsWrittenAsIfHeldInMemory) {
    CCsvDocument inMemory(false, ",");
    CCsvDocument spilling(false, ",", 16);
    for (int i = 0; i < 50; ++i) {
        const std::string value = std::to_string(i) + ",\"" + std::string(static_cast<size_t>(i), 'x');
        AddRow(inMemory, {{"id", "row"}, {"v", value.c_str()}});
        AddRow(spilling, {{"id", "row"}, {"v", value.c_str()}});
    }
    EXPECT_EQ(WrittenText(spilling, true), WrittenText(inMemory, true));
    EXPECT_EQ(WrittenText(spilling, false), WrittenText(inMemory, false));
}

TEST(CsvDocument, WritesTheHeaderOnlyWhenAsked) {
    CCsvDocument doc(false, ",");
    AddRow(doc, {{"id", "1"}, {"name", "Smith"}});
    AddRow(doc, {{"id", "2"}, {"name", "O\"Brien"}});
    EXPECT_EQ(WrittenText(doc, true), "id,name\n1,Smith\n2,\"O\"\"Brien\"\n");
    EXPECT_EQ(WrittenText(doc, false), "1,Smith\n2,\"O\"\"Brien\"\n");
}

TEST(CsvDocument, WithoutColumnsWritesOnlyTheHeadersLineEnd) {
    CCsvDocument doc(false, ",");
    EXPECT_EQ(WrittenText(doc, true), "\n");
    EXPECT_EQ(WrittenText(doc, false), "");
    AddRow(doc, {});
    EXPECT_EQ(WrittenText(doc, true), "\n");
}

TEST(CsvDocument, QuotesHeaderNamesLikeValues) {
    CCsvDocument doc(false, ",");
    AddRow(doc, {{"a,b", "1"}, {"line\nbreak", "2"}, {"plain", "3"}});
    EXPECT_EQ(WrittenText(doc, true), "\"a,b\",\"line\nbreak\",plain\n1,2,3\n");
}

TEST(CsvDocument, KeepsEarlierLinesShortWhenALaterRowAddsAColumn) {
    CCsvDocument doc(false, ",");
    AddRow(doc, {{"a", "1"}, {"b", "2"}});
    AddRow(doc, {{"a", "3"}, {"b", "4"}});
    AddRow(doc, {{"a", "5"}, {"b", "6"}, {"c", "7"}});
    EXPECT_EQ(WrittenText(doc, true), "a,b,c\n1,2\n3,4\n5,6,7\n");
}

TEST(CsvDocument, GivesMissingValuesEmptyFields) {
    CCsvDocument doc(false, ",");
    AddRow(doc, {{"a", "1"}, {"b", "2"}});
    AddRow(doc, {{"b", "x"}});
    AddRow(doc, {});
    AddRow(doc, {{"a", "y"}});
    EXPECT_EQ(WrittenText(doc, false), "1,2\n,x\n,\ny,\n");
}

TEST(CsvDocument, KeepsEmptyValuesAndNulBytesOfARowStoredInColumnOrder) {
    CCsvDocument doc(false, ";");
    CCsvRow row = doc.NewRow();
    row.SetValue("a", "");
    row.SetValue("b", "x\0y", 3);
    row.SetValue("b", "not kept");
    row.SetValue("c", "a,b");
    row.Commit();
    EXPECT_EQ(WrittenText(doc, true), std::string("a;b;c\n;x\0y;a,b\n", 15));
}

TEST(CsvDocument, KeepsValuesOfEveryLengthUpToFortyWhole) {
    CCsvDocument doc(false, ",");
    std::string expected;
    for (size_t n = 0; n <= 40; ++n) {
        std::string value;
        for (size_t i = 0; i < n; ++i) value += static_cast<char>('a' + (i * 7 + n) % 26);
        AddRow(doc, {{"before", "<"}, {"v", value.c_str()}, {"after", ">"}});
        expected += "<," + value + ",>\n";
    }
    EXPECT_EQ(WrittenText(doc, false), expected);
}

TEST(CsvDocument, TellsNamesApartByLetterCase) {
    CCsvDocument doc(false, ",");
    AddRow(doc, {{"ID", "1"}, {"id", "2"}});
    EXPECT_EQ(WrittenText(doc, true), "ID,id\n1,2\n");
}

TEST(CsvDocument, GivesDuplicateAddedColumnsTheFirstOnesValue) {
    CCsvDocument doc(false, ",");
    doc.AddColumn("a");
    doc.AddColumn("b");
    doc.AddColumn("a");
    AddRow(doc, {{"a", "1"}, {"b", "2"}, {"a", "3"}});
    EXPECT_EQ(WrittenText(doc, true), "a,b,a\n1,2,1\n");
}

TEST(CsvDocument, WritesLinesInCommitOrderWhenRowsOverlap) {
    CCsvDocument doc(false, ",");
    CCsvRow first = doc.NewRow();
    first.SetValue("a", "1");
    {
        CCsvRow second = doc.NewRow();
        second.SetValue("a", "2");
    }
    first.Commit();
    AddRow(doc, {{"a", "3"}});
    EXPECT_EQ(WrittenText(doc, false), "2\n1\n3\n");
}

TEST(CsvDocument, KeepsEveryLineOfManyRowsOfChangingShape) {
    CCsvDocument doc(false, ",");
    AddRow(doc, {{"id", "id"}, {"text", "text"}, {"extra", "extra"}});
    std::string expected = "id,text,extra\n";
    for (int i = 0; i < 3000; ++i) {
        const std::string number = std::to_string(i);
        const bool quoted = i % 7 == 0;
        const std::string text = quoted ? "x,\"" + number + "\"" : "t" + number;
        CCsvRow row = doc.NewRow();
        if (i % 5 == 0) row.SetValue("extra", "e");
        row.SetValue("text", text.c_str());
        if (i % 3 != 0) row.SetValue("id", number.c_str());
        expected += (i % 3 != 0 ? number : "") + ",";
        expected += quoted ? "\"x,\"\"" + number + "\"\"\"" : text;
        expected += i % 5 == 0 ? ",e\n" : ",\n";
    }
    EXPECT_EQ(WrittenText(doc, false), expected);
}

TEST(CsvDocument, FailsToWriteToANullOrFailingStream) {
    CCsvDocument doc(false, ",");
    AddRow(doc, {{"a", "1"}});
    EXPECT_FALSE(doc.Write(nullptr, true));

    FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_FALSE(doc.Write(full, true));
    EXPECT_FALSE(doc.Write(full, false));
    std::fclose(full);

    FILE* readOnly = std::fopen("/dev/null", "r");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(doc.Write(readOnly, false));
    std::fclose(readOnly);
}

TEST(CsvDocument, ReadsRowsSkippingBlankLinesThenGivesEmptyRows) {
    CCsvDocument doc(true, ",");
    doc.AttachInput(InputOf("id,name\n\n\r\n1,\"O\"\"Brien\"\r\n2,x\n"));
    {
        CCsvRow header = doc.NewRow();
        EXPECT_STREQ(header.GetValue("Field1"), "id");
        EXPECT_STREQ(header.GetValue("Field2"), "name");
    }
    {
        CCsvRow row = doc.NewRow();
        EXPECT_STREQ(row.GetValue("Field1"), "1");
        EXPECT_STREQ(row.GetValue("Field2"), "O\"Brien");
    }
    {
        CCsvRow row = doc.NewRow();
        EXPECT_STREQ(row.GetValue("Field2"), "x");
    }
    for (int i = 0; i < 2; ++i) {
        CCsvRow row = doc.NewRow();
        EXPECT_STREQ(row.GetValue("Field1"), "");
    }
    EXPECT_EQ(doc.ColumnCount(), 2u);
    EXPECT_EQ(WrittenText(doc, false), "");
}

TEST(CsvDocument, ReadLineReportsWhetherALineWasLeft) {
    CCsvDocument doc(true, ",");
    char line[8];
    EXPECT_FALSE(doc.ReadLine(line, sizeof line));
    doc.AttachInput(InputOf("\n\nabcdefghij\n\n"));
    EXPECT_TRUE(doc.ReadLine(line, sizeof line));
    EXPECT_STREQ(line, "abcdefg");
    EXPECT_TRUE(doc.ReadLine(line, sizeof line));
    EXPECT_STREQ(line, "hij\n");
    EXPECT_FALSE(doc.ReadLine(line, sizeof line));
    EXPECT_STREQ(line, "");
}
