#include "db/RecordSet.h"

#include <gtest/gtest.h>

#include <string>

#include "DriverTest.h"
#include "db/Database.h"
#include "db/ValueType.h"

namespace {

class RecordSetTest : public CDriverTest {};

const size_t LONGEST_TEXT = 9000;

// The length of the text in row x of SeriesQuery: up and down at random.
size_t TextLength(int x) { return static_cast<size_t>(x) * 7919 % LONGEST_TEXT; }

// Rows 1 to n with x, a bigint and a text of TextLength(x) characters,
// written so that SQLite and PostgreSQL both run it.
std::string SeriesQuery(int n) {
    return "with recursive s(x) as (select 1 union all select x + 1 from s where x < " + std::to_string(n) +
           ") select x, x * 5000000000 as big, substr('" + PatternText(LONGEST_TEXT) + "', 1, x * 7919 % " +
           std::to_string(LONGEST_TEXT) + ") as txt from s order by x";
}

TEST_P(RecordSetTest, WalksEveryRowInOrderThenStaysAtTheEnd) {
    CRecordSet recordSet;
    Query(recordSet, SeriesQuery(250));
    ASSERT_EQ(recordSet.GetFieldCount(), 3u);
    EXPECT_STREQ(recordSet.GetField(0).GetName(), "x");
    EXPECT_STREQ(recordSet.GetField(1).GetName(), "big");
    EXPECT_STREQ(recordSet.GetField(2).GetName(), "txt");
    int rows = 0;
    for (; !recordSet.IsEOF(); recordSet.MoveNext()) {
        ++rows;
        ASSERT_EQ(RenderValue(recordSet.GetField(0)), std::to_string(rows));
        ASSERT_EQ(RenderValue(recordSet.GetField(1)), std::to_string(rows * 5000000000LL));
        ASSERT_EQ(ValueBytes(recordSet.GetField(2)), PatternText(TextLength(rows)));
    }
    EXPECT_EQ(rows, 250);
    recordSet.MoveNext();
    EXPECT_TRUE(recordSet.IsEOF());
    EXPECT_FALSE(recordSet.FetchFailed()) << recordSet.GetErrorText().Text();
}

TEST_P(RecordSetTest, QueryWithoutRowsIsEmptyButKnowsItsColumns) {
    Execute("create temporary table t (a integer, b varchar(5))");
    CRecordSet recordSet;
    Query(recordSet, "select a, b from t");
    EXPECT_TRUE(recordSet.IsEOF());
    EXPECT_FALSE(recordSet.FetchFailed());
    ASSERT_EQ(recordSet.GetFieldCount(), 2u);
    EXPECT_STREQ(recordSet.GetField(1).GetName(), "b");
}

TEST_P(RecordSetTest, StatementThatIsNotAQueryOpensAsAnEmptyResult) {
    CRecordSet recordSet;
    Query(recordSet, "create temporary table t (a integer)");
    EXPECT_TRUE(recordSet.IsEOF());
    EXPECT_FALSE(recordSet.FetchFailed()) << recordSet.GetErrorText().Text();
    EXPECT_EQ(recordSet.GetFieldCount(), 0u);
    Query(recordSet, "insert into t values (1)");
    EXPECT_TRUE(recordSet.IsEOF());
    EXPECT_FALSE(recordSet.FetchFailed());
}

TEST_P(RecordSetTest, SyntaxErrorFailsWithTheStatementsDiagnostics) {
    CRecordSet recordSet;
    EXPECT_FALSE(recordSet.Open(database, "selec 1"));
    const std::string text = recordSet.GetErrorText().Text();
    EXPECT_EQ(text.find(IsPostgres() ? "[42601] " : IsMariaDB() ? "[37000] 1064 - " : "[S1000] "), 0u) << text;
    const char* syntaxError = IsMariaDB() ? "error in your SQL syntax" : "syntax error";
    EXPECT_NE(text.find(syntaxError), std::string::npos) << text;
    EXPECT_EQ(text.find(syntaxError, text.find(syntaxError) + 1), std::string::npos) << "one set of diagnostics";
    EXPECT_NE(text.back(), '\n');
    EXPECT_TRUE(recordSet.IsEOF());
}

TEST_P(RecordSetTest, SecondOpenReplacesTheFirstResult) {
    Execute("create temporary table t (a integer, b varchar(5))");
    Execute("insert into t values (1, 'one')");
    CRecordSet recordSet;
    Query(recordSet, SeriesQuery(3));
    ASSERT_EQ(recordSet.GetFieldCount(), 3u);
    Query(recordSet, "select b from t");
    ASSERT_EQ(recordSet.GetFieldCount(), 1u);
    EXPECT_STREQ(recordSet.GetField(0).GetName(), "b");
    ASSERT_FALSE(recordSet.IsEOF());
    EXPECT_EQ(RenderValue(recordSet.GetField(0)), "one");
    recordSet.MoveNext();
    EXPECT_TRUE(recordSet.IsEOF());
    EXPECT_FALSE(recordSet.FetchFailed());
}

// An error the driver meets while producing the result is reported at
// Open, or by a failed fetch after the rows before it; it never looks like
// the end of the result. Only a server-side cursor meets it after rows have
// arrived; without one the drivers read the whole result on execution.
TEST_P(RecordSetTest, ErrorWhileReadingTheResultIsNeverItsEnd) {
    CRecordSet recordSet;
    if (!IsPostgres()) {
        EXPECT_FALSE(recordSet.Open(database,
                                    "with recursive s(x) as (select 1 union all select x + 1 from s "
                                    "where x < 1000) select case when x = 500 then "
                                    "abs(-9223372036854775807 - 1) else x end from s"));
        const std::string expected = IsMariaDB() ? "[22003] 1690 - " : "[S1000] 1 - [SQLite]integer overflow (1)";
        EXPECT_EQ(std::string(recordSet.GetErrorText().Text()).substr(0, expected.size()), expected);
        return;
    }
    const char* statement = "select case when x = 500 then 1 / (x - 500) else x end from generate_series(1, 1000) x";
    if (GetParam() == EDriver::POSTGRESQL) {
        EXPECT_FALSE(recordSet.Open(database, statement));
        EXPECT_EQ(std::string(recordSet.GetErrorText().Text()),
                  std::string("[22012] 1 - ERROR: division by zero;\nError while executing the query"));
        return;
    }
    Query(recordSet, statement);
    int rows = 0;
    for (; !recordSet.IsEOF(); recordSet.MoveNext())
        ASSERT_EQ(RenderValue(recordSet.GetField(0)), std::to_string(++rows));
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 500);
    EXPECT_TRUE(recordSet.FetchFailed());
    EXPECT_EQ(std::string(recordSet.GetErrorText().Text()),
              std::string("[22012] 1 - ERROR: division by zero;\nError while fetching the next result"));
    recordSet.MoveNext();
    EXPECT_TRUE(recordSet.FetchFailed());
    EXPECT_TRUE(recordSet.IsEOF());
}

TEST_P(RecordSetTest, ColumnNameIsCutTo999Characters) {
    if (!IsSQLite()) GTEST_SKIP() << "PostgreSQL and MariaDB limit names to 63 bytes and 256 characters below U+10000";
    const auto repeated = [](const std::string& character, size_t count) {
        std::string text;
        while (count-- > 0) text += character;
        return text;
    };
    // Cut at 999 bytes, before a UTF-8 character that does not fit whole.
    const struct { std::string name; size_t kept; } cases[] = {
        {PatternText(1200), 999}, {repeated("\xc3\xa9", 600), 998}, {repeated("\xe2\x82\xac", 400), 999},
        {repeated("\xf0\x9f\x98\x80", 300), 996},
    };
    for (const auto& c : cases) {
        CRecordSet recordSet;
        Query(recordSet, "select 1 as \"" + c.name + "\"");
        ASSERT_EQ(recordSet.GetFieldCount(), 1u);
        EXPECT_EQ(recordSet.GetField(0).GetName(), c.name.substr(0, c.kept)) << c.kept;
    }
}

INSTANTIATE_TEST_SUITE_P(Drivers, RecordSetTest, testing::ValuesIn(AllDrivers()), DriverName);

TEST(RecordSet, OpenOnADatabaseNeverConnectedFails) {
    CDatabase database;
    CRecordSet recordSet;
    EXPECT_FALSE(recordSet.Open(database, "select 1"));
    EXPECT_EQ(std::string(recordSet.GetErrorText().Text()), std::string(""));
    EXPECT_TRUE(recordSet.IsEOF());
    EXPECT_EQ(recordSet.GetFieldCount(), 0u);
}

}  // namespace
