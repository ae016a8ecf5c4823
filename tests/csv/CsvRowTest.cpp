#include "csv/CsvRow.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "csv/CsvDocument.h"
#include "tests/csv/WrittenText.h"

TEST(CsvRow, GetsTheFirstValueStoredUnderANameOrEmptyText) {
    CCsvDocument doc(false, ",");
    CCsvRow row = doc.NewRow();
    row.SetValue("id", "1");
    row.SetValue("id", "2");
    row.SetValue("none", nullptr);
    EXPECT_STREQ(row.GetValue("id"), "1");
    EXPECT_STREQ(row.GetValue("ID"), "");
    EXPECT_STREQ(row.GetValue("none"), "");
    EXPECT_EQ(doc.ColumnCount(), 2u);
}

TEST(CsvRow, StartsWithoutTheValuesOfTheRowBefore) {
    CCsvDocument doc(false, ",");
    {
        CCsvRow row = doc.NewRow();
        row.SetValue("a", "1");
        row.SetValue("b", "2");
    }
    CCsvRow row = doc.NewRow();
    EXPECT_STREQ(row.GetValue("a"), "");
    row.SetValue("a", "3");
    EXPECT_STREQ(row.GetValue("a"), "3");
    EXPECT_STREQ(row.GetValue("b"), "");
}

TEST(CsvRow, AppendsOneLineWhenCommittedThenEnded) {
    CCsvDocument doc(false, ",");
    {
        CCsvRow row = doc.NewRow();
        row.SetValue("a", "1");
        row.Commit();
        row.Commit();
        row.SetValue("a", "2");
    }
    EXPECT_EQ(WrittenText(doc, false), "1\n");
}

TEST(CsvRow, AppendsNothingWhenDiscarded) {
    CCsvDocument doc(false, ",");
    {
        CCsvRow row = doc.NewRow();
        row.SetValue("a", "1");
        row.Discard();
    }
    {
        CCsvRow row = doc.NewRow();
        row.SetValue("a", "2");
    }
    EXPECT_EQ(WrittenText(doc, false), "2\n");
}

TEST(CsvRow, AppendsNothingWhenEndedByAnException) {
    CCsvDocument doc(false, ",");
    try {
        CCsvRow row = doc.NewRow();
        row.SetValue("a", "1");
        throw std::runtime_error("the second value could not be read");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(WrittenText(doc, false), "");
}

TEST(CsvRow, AppendsOneLineWhenMoved) {
    CCsvDocument doc(false, ",");
    {
        CCsvRow first = doc.NewRow();
        first.SetValue("a", "1");
        CCsvRow moved(std::move(first));
        CCsvRow assigned = doc.NewRow();
        assigned.SetValue("a", "2");
        assigned = std::move(moved);
        EXPECT_STREQ(assigned.GetValue("a"), "1");
    }
    EXPECT_EQ(WrittenText(doc, false), "2\n1\n");
}

TEST(CsvRow, ParseLineNamesTheFieldsOfADocumentWithoutColumns) {
    CCsvDocument doc(false, ",");
    CCsvRow row = doc.NewRow();
    row.ParseLine("x,,y\n");
    ASSERT_EQ(doc.ColumnCount(), 3u);
    EXPECT_STREQ(doc.ColumnName(0), "Field1");
    EXPECT_STREQ(doc.ColumnName(2), "Field3");
    EXPECT_STREQ(row.GetValue("Field1"), "x");
    EXPECT_STREQ(row.GetValue("Field2"), "");
    EXPECT_STREQ(row.GetValue("Field3"), "y");

    row.ParseLine("p,q,r,s\n");
    EXPECT_EQ(doc.ColumnCount(), 3u);
    EXPECT_STREQ(row.GetValue("Field3"), "r");

    row.ParseLine("u,v");
    EXPECT_STREQ(row.GetValue("Field2"), "v");
    EXPECT_STREQ(row.GetValue("Field3"), "");
}

TEST(CsvRow, ParseLineTakesATrailingSeparatorAsAFieldOnlyBeforeALineBreak) {
    CCsvDocument withoutBreak(false, ",");
    withoutBreak.NewRow().ParseLine("x,y,");
    EXPECT_EQ(withoutBreak.ColumnCount(), 2u);

    CCsvDocument withBreak(false, ",");
    CCsvRow row = withBreak.NewRow();
    row.ParseLine("x,y,\n");
    EXPECT_EQ(withBreak.ColumnCount(), 3u);
    EXPECT_STREQ(row.GetValue("Field3"), "");
}

TEST(CsvRow, ParseLineMatchesFieldsToKnownColumnsByPosition) {
    CCsvDocument doc(false, ";");
    doc.AddColumn("id");
    doc.AddColumn("name");
    CCsvRow row = doc.NewRow();
    row.ParseLine("7;\"O\"\"Brien; Jr\";extra\n");
    EXPECT_STREQ(row.GetValue("id"), "7");
    EXPECT_STREQ(row.GetValue("name"), "O\"Brien; Jr");
    EXPECT_EQ(doc.ColumnCount(), 2u);
}

TEST(CsvRow, ParseLineRunsAnUnbalancedQuoteToTheLineEnd) {
    CCsvDocument doc(false, ",");
    CCsvRow row = doc.NewRow();
    row.ParseLine("a,\"b,c\n");
    EXPECT_EQ(doc.ColumnCount(), 2u);
    EXPECT_STREQ(row.GetValue("Field2"), "b,c");
}

TEST(CsvRow, ParseLineOfABlankLineLeavesTheRowEmpty) {
    CCsvDocument doc(false, ",");
    CCsvRow row = doc.NewRow();
    row.ParseLine("a,b\n");
    for (const char* blank : {"", "\n", "\r\n", "\rx,y"}) {
        row.ParseLine(blank);
        EXPECT_STREQ(row.GetValue("Field1"), "");
    }
    EXPECT_EQ(doc.ColumnCount(), 2u);
}
