#include "db/Field.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DriverTest.h"
#include "db/ValueType.h"

namespace {

struct SColumnCase {
    const char* declaredType;
    const char* literal;
    int valueType;
    const char* rendered;
};

const std::vector<SColumnCase> SQLITE_COLUMNS = {
    {"integer", "-5", VALUE_INTEGER, "-5"},
    {"smallint", "-32768", VALUE_SMALLINT, "-32768"},
    {"tinyint", "255", VALUE_TINYINT, "255"},
    {"bigint", "5000000000", VALUE_BIGINT, "5000000000"},
    {"real", "2.5", VALUE_DOUBLE, "2.5"},
    {"double", "-0.125", VALUE_DOUBLE, "-0.125"},
    {"numeric(10,2)", "2.5", VALUE_DOUBLE, "2.5"},
    {"decimal(10,2)", "'2.50'", VALUE_TEXT, "2.5"},
    {"date", "'2024-01-02'", VALUE_DATE, "2024-01-02"},
    {"time", "'12:34:56'", VALUE_TIME, "12:34:56"},
    {"timestamp", "'2024-01-02 03:04:05.123'", VALUE_TIMESTAMP, "2024-01-02 03:04:05.123"},
    {"bit", "1", VALUE_BIT, "1"},
    {"varchar(20)", "'short text'", VALUE_TEXT, "short text"},
    {"text", "'long text'", VALUE_TEXT, "long text"},
    {"blob", "X'00ff10'", VALUE_BINARY, "X'00FF10'"},
    {"varbinary(10)", "X'0102'", VALUE_BINARY, "X'0102'"},
};

const std::vector<SColumnCase> POSTGRES_COLUMNS = {
    {"char(5)", "'ab'", VALUE_TEXT, "ab"},
    {"varchar(20)", "'short text'", VALUE_TEXT, "short text"},
    {"text", "'long text'", VALUE_TEXT, "long text"},
    {"integer", "-5", VALUE_INTEGER, "-5"},
    {"smallint", "-32768", VALUE_SMALLINT, "-32768"},
    {"bigint", "-5000000000", VALUE_BIGINT, "-5000000000"},
    {"real", "2.5", VALUE_REAL, "2.5"},
    {"float8", "-0.125", VALUE_DOUBLE, "-0.125"},
    {"numeric(22,4)", "123456789012345678.1234", VALUE_NUMERIC, "123456789012345678.1234"},
    {"date", "'2024-01-02'", VALUE_DATE, "2024-01-02"},
    {"time", "'12:34:56'", VALUE_TIME, "12:34:56"},
    {"timestamp", "'2024-01-02 03:04:05.123456'", VALUE_TIMESTAMP, "2024-01-02 03:04:05.123456000"},
    {"bytea", "'\\x00ff10'", VALUE_BINARY, "00ff10"},
    {"uuid", "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'", VALUE_TEXT, "A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11"},
};

const std::vector<SColumnCase> MARIADB_COLUMNS = {
    {"char(5)", "'ab'", VALUE_TEXT, "ab"},
    {"varchar(20)", "'short text'", VALUE_TEXT, "short text"},
    {"longtext", "'long text'", VALUE_TEXT, "long text"},
    {"tinyint", "-128", VALUE_TINYINT, "-128"},
    {"int unsigned", "4294967295", VALUE_INTEGER, "4294967295"},
    {"bigint unsigned", "18446744073709551615", VALUE_BIGINT, "18446744073709551615"},
    {"float", "2.5", VALUE_REAL, "2.5"},
    {"double", "-0.125", VALUE_DOUBLE, "-0.125"},
    {"decimal(65,30)", "12345678901234567890123456789012345.123456789012345678901234567891", VALUE_DECIMAL,
     "12345678901234567890123456789012345.123456789012345678901234567891"},
    {"date", "'2024-01-02'", VALUE_DATE, "2024-01-02"},
    {"time", "'-838:59:59'", VALUE_TIME, "-838:59:59"},
    {"datetime(6)", "'2024-01-02 03:04:05.123456'", VALUE_TIMESTAMP, "2024-01-02 03:04:05.123456000"},
    {"bit(1)", "1", VALUE_BIT, "1"},
    {"longblob", "X'00ff10'", VALUE_BINARY, "00ff10"},
};

const std::vector<SColumnCase>& ColumnsOf(EDriver driver) {
    switch (driver) {
        case EDriver::SQLITE:
            return SQLITE_COLUMNS;
        case EDriver::MARIADB:
            return MARIADB_COLUMNS;
        default:
            return POSTGRES_COLUMNS;
    }
}

class FieldTest : public CDriverTest {
protected:
    // Creates table t with one column c and the given values, one row each,
    // and opens "select c from t order by n" on recordSet.
    void QueryColumn(CRecordSet& recordSet, const std::string& declaredType, const std::vector<std::string>& literals) {
        Execute("create temporary table t (n integer, c " + declaredType + ")");
        for (size_t i = 0; i < literals.size(); ++i) {
            Execute("insert into t values (" + std::to_string(i) + ", " + literals[i] + ")");
        }
        Query(recordSet, "select c from t order by n");
    }

    // The values of the one column, one per row.
    std::vector<std::string> ReadColumn(const std::string& declaredType, const std::vector<std::string>& literals) {
        CRecordSet recordSet;
        QueryColumn(recordSet, declaredType, literals);
        std::vector<std::string> values;
        for (; !recordSet.IsEOF(); recordSet.MoveNext()) {
            CField& field = recordSet.GetField(0);
            EXPECT_FALSE(field.IsNull());
            values.push_back(ValueBytes(field));
            EXPECT_FALSE(field.ReadFailed()) << field.GetErrorText().Text();
        }
        EXPECT_FALSE(recordSet.FetchFailed()) << recordSet.GetErrorText().Text();
        return values;
    }
};

TEST_P(FieldTest, MapsEachColumnTypeTheDriverProduces) {
    const std::vector<SColumnCase>& cases = ColumnsOf(GetParam());
    std::string columns;
    std::string values;
    for (size_t i = 0; i < cases.size(); ++i) {
        columns += (i == 0 ? "c" : ", c") + std::to_string(i) + " " + cases[i].declaredType;
        values += (i == 0 ? "" : ", ") + std::string(cases[i].literal);
    }
    Execute("create temporary table t (" + columns + ")");
    Execute("insert into t values (" + values + ")");
    CRecordSet recordSet;
    Query(recordSet, "select * from t");
    ASSERT_FALSE(recordSet.IsEOF());
    ASSERT_EQ(recordSet.GetFieldCount(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        CField& field = recordSet.GetField(i);
        SCOPED_TRACE(cases[i].declaredType);
        EXPECT_EQ(field.GetName(), "c" + std::to_string(i));
        EXPECT_EQ(field.GetValueType(), cases[i].valueType);
        EXPECT_EQ(RenderValue(field), cases[i].rendered);
        EXPECT_FALSE(field.ReadFailed());
    }
    recordSet.MoveNext();
    EXPECT_TRUE(recordSet.IsEOF());
    EXPECT_FALSE(recordSet.FetchFailed());
}

TEST_P(FieldTest, NullIsNullInBoundAndLongColumns) {
    const std::string binary = BinaryType();
    Execute("create temporary table t (i integer, v varchar(10), l text, b " + binary + ", d date)");
    Execute("insert into t values (null, null, null, null, null)");
    CRecordSet recordSet;
    Query(recordSet, "select * from t");
    ASSERT_FALSE(recordSet.IsEOF());
    for (size_t i = 0; i < recordSet.GetFieldCount(); ++i) {
        CField& field = recordSet.GetField(i);
        SCOPED_TRACE(field.GetName());
        EXPECT_TRUE(field.IsNull());
        EXPECT_STREQ(field.GetValue(), "");
        EXPECT_EQ(field.GetLength(), 0u);
        EXPECT_FALSE(field.ReadFailed());
    }
}

TEST_P(FieldTest, LongTextComesWholeWhateverCameBefore) {
    const std::vector<size_t> lengths = {4095, 4096, 10000, 100000, 12, 5000, 6000, 0, 4097};
    std::vector<std::string> literals;
    for (size_t n : lengths) literals.push_back("'" + PatternText(n) + "'");
    // SQLite does not enforce declared sizes and describes an untyped column as VARCHAR(255).
    for (const char* declaredType : {LongTextType(), "varchar(10)", ""}) {
        SCOPED_TRACE(declaredType);
        Execute("drop table if exists t");
        const std::vector<std::string> values = ReadColumn(declaredType, literals);
        ASSERT_EQ(values.size(), lengths.size());
        for (size_t i = 0; i < lengths.size(); ++i) EXPECT_EQ(values[i], PatternText(lengths[i])) << lengths[i];
        if (!IsSQLite()) break;  // the servers enforce the declared size
    }
}

TEST_P(FieldTest, LongBinaryComesWholeWithASpareByte) {
    std::string bytes(10000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 % 256);
    CRecordSet recordSet;
    QueryColumn(recordSet, BinaryType(), {BinaryLiteral(bytes), BinaryLiteral("\x01\x02"), BinaryLiteral(bytes)});
    for (const std::string& expected : {BinaryAsHeld(bytes), BinaryAsHeld("\x01\x02"), BinaryAsHeld(bytes)}) {
        ASSERT_FALSE(recordSet.IsEOF());
        CField& field = recordSet.GetField(0);
        EXPECT_EQ(field.GetValueType(), VALUE_BINARY);
        EXPECT_EQ(ValueBytes(field), expected);
        EXPECT_EQ(ValueBytes(field), expected) << "asked twice in a row";
        EXPECT_LT(field.GetLength(), field.GetBufferSize());
        EXPECT_EQ(field.GetValue()[field.GetLength()], '\0');
        recordSet.MoveNext();
    }
    EXPECT_TRUE(recordSet.IsEOF());
    EXPECT_FALSE(recordSet.FetchFailed());
}

TEST_P(FieldTest, BigintIsExact) {
    CRecordSet recordSet;
    QueryColumn(recordSet, "bigint", {"5000000000", "-5000000000", "9223372036854775807", "-9223372036854775807"});
    for (const char* expected : {"5000000000", "-5000000000", "9223372036854775807", "-9223372036854775807"}) {
        ASSERT_FALSE(recordSet.IsEOF());
        EXPECT_EQ(recordSet.GetField(0).GetValueType(), VALUE_BIGINT);
        EXPECT_EQ(RenderValue(recordSet.GetField(0)), expected);
        recordSet.MoveNext();
    }
}

TEST_P(FieldTest, MultiByteTextAtFullDeclaredLengthIsWhole) {
    const std::string twoBytes = "\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x84\xc3\x96\xc3\x9c\xc3\x9f\xc3\xa9\xc3\xa8\xc3\xaa";
    std::string fourBytes;
    for (int i = 0; i < 10; ++i) fourBytes += "\xf0\x9f\x98\x80";
    const std::vector<std::string> values = ReadColumn("varchar(10)", {"'" + twoBytes + "'", "'" + fourBytes + "'"});
    EXPECT_EQ(values, (std::vector<std::string>{twoBytes, fourBytes}));
}

TEST_P(FieldTest, OnlyFixedWidthTextLosesTrailingBlanks) {
    const std::vector<std::string> literals = {"'ab'", "'a\t  '", "' a  '", "''"};
    EXPECT_EQ(ReadColumn("varchar(10)", literals), (std::vector<std::string>{"ab", "a\t  ", " a  ", ""}));
    if (!IsPostgres()) return;  // SQLite has no fixed-width text type
    Execute("drop table t");
    EXPECT_EQ(ReadColumn("char(10)", literals), (std::vector<std::string>{"ab", "a\t", " a", ""}));
}

// Such columns are left unbound: their values are read with SQLGetData.
TEST_P(FieldTest, ColumnsOfUnknownSizeAreReadWhole) {
    if (IsMariaDB()) GTEST_SKIP() << "MariaDB describes every column with its size";
    const std::string text = PatternText(5000);
    CRecordSet recordSet;
    if (IsPostgres()) {
        ASSERT_TRUE(database.Connect((connectionString + ";MaxVarcharSize=0").c_str()));
        Query(recordSet, "select '" + text + "'::varchar as v, 'ab   '::bpchar as c");
    } else {
        Execute("create temporary table t (v varchar(0), c char(0))");
        Execute("insert into t values ('" + text + "', 'ab   ')");
        Query(recordSet, "select v, c from t");
    }
    ASSERT_FALSE(recordSet.IsEOF());
    EXPECT_FALSE(recordSet.GetField(0).IsBound());
    EXPECT_FALSE(recordSet.GetField(1).IsBound());
    EXPECT_EQ(ValueBytes(recordSet.GetField(0)), text);
    EXPECT_EQ(ValueBytes(recordSet.GetField(1)), IsPostgres() ? "ab" : "ab   ");
}

INSTANTIATE_TEST_SUITE_P(Drivers, FieldTest, testing::ValuesIn(AllDrivers()), DriverName);

// The test driver never splits a UTF-8 character, so most of its cut pieces
// are shorter than their room; the installed drivers fill every piece.
TEST(Field, ShortPiecesFromTheDriverMakeTheWholeValue) {
    std::string expected;
    while (expected.size() < 5000) expected += "x\xe2\x82\xac";
    CDatabase database;
    ASSERT_TRUE(database.Connect("Driver=" QUILLET_TEST_DRIVER)) << database.GetErrorText().Text();
    for (const std::string table : {"short_pieces", "short_pieces_no_total"}) {
        SCOPED_TRACE(table);
        CRecordSet recordSet;
        ASSERT_TRUE(recordSet.Open(database, ("select * from " + table).c_str()));
        ASSERT_FALSE(recordSet.IsEOF());
        EXPECT_EQ(ValueBytes(recordSet.GetField(0)), expected);
        EXPECT_FALSE(recordSet.GetField(0).ReadFailed());
    }
}

}  // namespace
