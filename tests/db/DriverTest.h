#ifndef QUILLET_TESTS_DB_DRIVERTEST_H
#define QUILLET_TESTS_DB_DRIVERTEST_H

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "db/Database.h"
#include "db/Field.h"
#include "db/RecordSet.h"

// The real drivers the database tests run against; PostgreSQL also with a
// server-side cursor that brings the result in chunks of 100 rows.
enum class EDriver { SQLITE, POSTGRESQL, POSTGRESQL_CHUNKED, MARIADB };

// Every driver, for INSTANTIATE_TEST_SUITE_P with testing::ValuesIn.
const std::vector<EDriver>& AllDrivers();

std::string DriverName(const testing::TestParamInfo<EDriver>& info);
void PrintTo(EDriver driver, std::ostream* out);

// A test body written once and run per driver: SQLite on a fresh database
// file, PostgreSQL and MariaDB on the servers named by QUILLET_PG_CONNECT and
// QUILLET_MARIADB_CONNECT (skipped when unset). Each test starts connected;
// tables are temporary, so tests never see each other's data.
class CDriverTest : public testing::TestWithParam<EDriver> {
protected:
    void SetUp() override;
    void TearDown() override;

    bool IsSQLite() const { return GetParam() == EDriver::SQLITE; }
    bool IsPostgres() const { return GetParam() == EDriver::POSTGRESQL || GetParam() == EDriver::POSTGRESQL_CHUNKED; }
    bool IsMariaDB() const { return GetParam() == EDriver::MARIADB; }
    // Runs a statement that returns no rows; fails the test when it cannot run.
    void Execute(const std::string& statement);
    // Opens a query on recordSet; fails the test when it cannot open.
    void Query(CRecordSet& recordSet, const std::string& statement);
    // A literal of these bytes for a binary column, and that column's type.
    std::string BinaryLiteral(const std::string& bytes) const;
    const char* BinaryType() const { return IsPostgres() ? "bytea" : IsMariaDB() ? "longblob" : "blob"; }
    // The bytes of a binary value as the field holds them: the SQLite driver
    // gives its stored text X'...'.
    std::string BinaryAsHeld(const std::string& bytes) const;
    // A text type without a length limit.
    const char* LongTextType() const { return IsMariaDB() ? "longtext" : "text"; }

    std::string connectionString;
    CDatabase database;

private:
    std::string databaseFile;
};

// The bytes of the current value of a text or binary field.
std::string ValueBytes(CField& field);
// The current value as text, rendered by the field's value type: integers in
// decimal, floating point with "%g", dates and timestamps as ISO text with the
// timestamp's fraction in nanoseconds, binary in lower-case hex; the driver's
// text for stored text.
std::string RenderValue(CField& field);
// Text of n characters whose content tells each position apart.
std::string PatternText(size_t n);

#endif
