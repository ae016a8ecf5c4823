#include "db/Database.h"

#include <gtest/gtest.h>

#include <string>

#include "DriverTest.h"
#include "db/RecordSet.h"

namespace {

std::string ErrorText(const CDatabase& database) { return database.GetErrorText().Text(); }

TEST(Database, NeverConnectedHasNoErrorText) {
    CDatabase database;
    EXPECT_FALSE(database.IsConnected());
    EXPECT_EQ(ErrorText(database), "");
}

TEST(Database, FailedConnectionIsReportedByTheDriversDiagnostics) {
    CDatabase database;
    EXPECT_FALSE(database.Connect("Driver=SQLite3;Database=/nonexistent-folder/x.db"));
    EXPECT_FALSE(database.IsConnected());
    EXPECT_EQ(ErrorText(database), "[S1000] 14 - [SQLite]connect failed");

    // The PostgreSQL driver's message runs over two lines and ends in a line end of its own.
    EXPECT_FALSE(database.Connect("Driver=PostgreSQL ANSI;Server=127.0.0.1;Port=1;Database=x;Uid=x"));
    const std::string text = ErrorText(database);
    EXPECT_EQ(text.find("[08001] 101 - connection to server at \"127.0.0.1\", port 1 failed: Connection refused\n\t"),
              0u)
        << text;
    EXPECT_EQ(text.back(), '?') << text;

    EXPECT_FALSE(database.Connect("Driver=NoSuchDriver"));
#ifdef QUILLET_IODBC
    EXPECT_EQ(ErrorText(database).substr(ErrorText(database).find('\n') + 1),
              "[IM003] 0 - [iODBC][Driver Manager]Specified driver could not be loaded");
#else
    EXPECT_EQ(ErrorText(database),
              "[01000] 0 - [unixODBC][Driver Manager]Can't open lib 'NoSuchDriver' : file not found");
#endif
}

// The length of a connection string travels as a signed 16-bit value.
TEST(Database, ConnectionStringLengthIsCheckedBeforeTheDriverSeesIt) {
    // Relative: the Windows build under wine and the Linux driver agree on it.
    const std::string file = "quillet-db-length.db";
    const std::string head = "Driver=SQLite3;Database=" + file + ";Padding=";
    const std::string refusal = "The connection string is longer than 32767 bytes.";
    const struct {
        size_t length;
        bool connects;
    } cases[] = {{32766, true}, {32767, true}, {32768, false}, {65536 + 100, false}, {1000000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string connectionString = head + std::string(c.length - head.size(), 'x');
        CDatabase database;
        EXPECT_EQ(database.Connect(connectionString.c_str()), c.connects) << ErrorText(database);
        EXPECT_EQ(database.IsConnected(), c.connects);
        if (!c.connects) {
            EXPECT_EQ(ErrorText(database), refusal);
        }
    }
    std::remove(file.c_str());
}

class DatabaseTest : public CDriverTest {};

TEST_P(DatabaseTest, SecondConnectStartsAfresh) {
    Execute("create temporary table t (a integer)");
    ASSERT_TRUE(database.Connect(connectionString.c_str())) << ErrorText(database);
    EXPECT_TRUE(database.IsConnected());
    // Temporary tables live as long as their connection: this is a new one.
    CRecordSet recordSet;
    EXPECT_FALSE(recordSet.Open(database, "select a from t"));
    recordSet.Close();
    Execute("create temporary table t (a integer)");
    EXPECT_FALSE(database.Connect("Driver=NoSuchDriver"));
    EXPECT_FALSE(database.IsConnected());
    ASSERT_TRUE(database.Connect(connectionString.c_str())) << ErrorText(database);
    Execute("create temporary table t (a integer)");
}

INSTANTIATE_TEST_SUITE_P(Drivers, DatabaseTest, testing::ValuesIn(AllDrivers()), DriverName);

}  // namespace
