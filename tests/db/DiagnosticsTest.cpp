#include "db/Diagnostics.h"

#include <gtest/gtest.h>

#include <string>

#include "DriverTest.h"
#include "db/RecordSet.h"

namespace {

class DiagnosticsTest : public CDriverTest {};

// The message of a line: what follows "[state] native - ".
std::string FirstMessage(const std::string& text) {
    const size_t start = text.find(" - ") + 3;
    return text.substr(start, text.find('\n') - start);
}

// Every driver rejects this statement with a message that quotes the long name.
const std::string LONG_NAME_STATEMENT = "select 1 from '" + std::string(300, 'y') + "'";

TEST_P(DiagnosticsTest, MessageLongerThanItsBufferIsCutTo255Characters) {
    CRecordSet recordSet;
    ASSERT_FALSE(recordSet.Open(database, LONG_NAME_STATEMENT.c_str()));
    const std::string text = recordSet.GetErrorText().Text();
    EXPECT_EQ(FirstMessage(text).size(), 255u) << text;
}

// Reading stops at the first call that fails, one past the last record: the
// records stay with the handle and read the same again, and a handle without
// any gives the empty text.
TEST_P(DiagnosticsTest, RecordsReadAgainGiveTheSameText) {
#ifdef QUILLET_IODBC
    if (IsSQLite()) GTEST_SKIP() << "iODBC: the SQLite driver's records are gone once read, and a warning stays";
#endif
    CRecordSet recordSet;
    ASSERT_FALSE(recordSet.Open(database, LONG_NAME_STATEMENT.c_str()));
    const std::string first = recordSet.GetErrorText().Text();
    EXPECT_NE(first, "");
    EXPECT_EQ(recordSet.GetErrorText().Text(), first);

    Query(recordSet, "select 1");
    EXPECT_STREQ(recordSet.GetErrorText().Text(), "");
    EXPECT_STREQ(recordSet.GetErrorText().Text(), "");
}

INSTANTIATE_TEST_SUITE_P(Drivers, DiagnosticsTest, testing::ValuesIn(AllDrivers()), DriverName);

}  // namespace
