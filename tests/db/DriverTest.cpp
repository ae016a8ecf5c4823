#include "DriverTest.h"

#include <unistd.h>

#include <cctype>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "db/ValueType.h"
#include "text/NumberText.h"
#include "text/TextBuffer.h"

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
    char text[128];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

std::string Hex(const std::string& bytes) {
    CTextBuffer hex;
    AppendHex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), hex);
    return std::string(hex.Text(), hex.Length());
}

}  // namespace

const std::vector<EDriver>& AllDrivers() {
    static const std::vector<EDriver> drivers = {EDriver::SQLITE, EDriver::POSTGRESQL, EDriver::POSTGRESQL_CHUNKED,
                                                 EDriver::MARIADB};
    return drivers;
}

std::string DriverName(const testing::TestParamInfo<EDriver>& info) {
    switch (info.param) {
        case EDriver::SQLITE:
            return "SQLite";
        case EDriver::POSTGRESQL:
            return "PostgreSQL";
        case EDriver::POSTGRESQL_CHUNKED:
            return "PostgreSQLChunked";
        default:
            return "MariaDB";
    }
}

void PrintTo(EDriver driver, std::ostream* out) { *out << DriverName(testing::TestParamInfo<EDriver>(driver, 0)); }

void CDriverTest::SetUp() {
    if (!IsSQLite()) {
        const char* variable = IsMariaDB() ? "QUILLET_MARIADB_CONNECT" : "QUILLET_PG_CONNECT";
        const char* connect = std::getenv(variable);
        if (connect == nullptr || connect[0] == '\0') GTEST_SKIP() << variable << " is not set";
#ifdef QUILLET_IODBC
        if (IsMariaDB()) GTEST_SKIP() << "iODBC: the MariaDB driver is built for unixODBC's 2-byte wide characters";
#endif
        connectionString = connect;
        if (GetParam() == EDriver::POSTGRESQL_CHUNKED) {
            if (connectionString.back() != ';') connectionString += ';';
            connectionString += "UseDeclareFetch=1;Fetch=100";
        }
    } else {
        // In the working folder: the Windows build under wine and the Linux driver
        // it reaches agree on relative paths only.
        std::string pattern = "quillet-db-XXXXXX";
        const int descriptor = mkstemp(&pattern[0]);
        ASSERT_GE(descriptor, 0);
        close(descriptor);
        databaseFile = pattern;
        connectionString = "Driver=SQLite3;Database=" + databaseFile;
    }
    ASSERT_TRUE(database.Connect(connectionString.c_str())) << database.GetErrorText().Text();
}

void CDriverTest::TearDown() {
    database.Disconnect();
    if (!databaseFile.empty()) std::remove(databaseFile.c_str());
}

void CDriverTest::Execute(const std::string& statement) {
    CRecordSet recordSet;
    ASSERT_TRUE(recordSet.Open(database, statement.c_str())) << statement << "\n" << recordSet.GetErrorText().Text();
}

void CDriverTest::Query(CRecordSet& recordSet, const std::string& statement) {
    ASSERT_TRUE(recordSet.Open(database, statement.c_str())) << statement << "\n" << recordSet.GetErrorText().Text();
}

std::string CDriverTest::BinaryLiteral(const std::string& bytes) const {
    return IsPostgres() ? "'\\x" + Hex(bytes) + "'::bytea" : "X'" + Hex(bytes) + "'";
}

std::string CDriverTest::BinaryAsHeld(const std::string& bytes) const {
    if (!IsSQLite()) return bytes;
    std::string upper = Hex(bytes);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return "X'" + upper + "'";
}

std::string ValueBytes(CField& field) {
    size_t length = 0;
    if (field.GetValueType() == VALUE_BINARY && !field.IsStoredText()) {
        const unsigned char* bytes = field.GetBinary(length);
        return std::string(bytes, bytes + length);
    }
    const char* text = field.GetText(length);
    return std::string(text, length);
}

std::string RenderValue(CField& field) {
    if (field.IsNull()) return "NULL";
    if (field.IsStoredText()) return ValueBytes(field);
    switch (field.GetValueType()) {
        case VALUE_INTEGER:
        case VALUE_SMALLINT:
        case VALUE_TINYINT:
        case VALUE_BIGINT:
        case VALUE_BIT:
            if (field.IsUnsigned()) return Format("%" PRIu64, field.GetUnsigned());
            return Format("%" PRId64, field.GetInteger());
        case VALUE_REAL:
        case VALUE_DOUBLE:
            return Format("%g", field.GetDouble());
        case VALUE_DATE: {
            const SDateValue d = field.GetDate();
            return Format("%04d-%02u-%02u", d.year, d.month, d.day);
        }
        case VALUE_TIMESTAMP: {
            const STimestampValue s = field.GetTimestamp();
            return Format("%04d-%02u-%02u %02u:%02u:%02u.%09" PRIu32, s.year, s.month, s.day, s.hour, s.minute,
                          s.second, s.fraction);
        }
        case VALUE_BINARY:
            return Hex(ValueBytes(field));
        default:
            return ValueBytes(field);
    }
}

std::string PatternText(size_t n) {
    std::string text(n, ' ');
    for (size_t i = 0; i < n; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
    return text;
}
