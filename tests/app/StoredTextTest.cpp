#include <gtest/gtest.h>
#include <unistd.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/ValueText.h"
#include "db/Database.h"
#include "db/OdbcApi.h"
#include "db/RecordSet.h"
#include "text/NumberText.h"
#include "text/TimeText.h"

namespace {

// SQLite values are read as the text the driver holds them in. A well-typed
// value must come out exactly as the driver's own conversion to a double or
// a timestamp would give it: the reference here is that conversion, read
// with SQLGetData on the same rows.
class StoredText : public testing::Test {
protected:
    void SetUp() override {
        // In the working folder: the Windows build under wine and the Linux driver
        // it reaches agree on relative paths only.
        std::string pattern = "quillet-stored-XXXXXX";
        const int descriptor = mkstemp(&pattern[0]);
        ASSERT_GE(descriptor, 0);
        close(descriptor);
        file_ = pattern;
        ASSERT_TRUE(database_.Connect(("Driver=SQLite3;Database=" + file_).c_str()));
        Execute("create table v (id integer, r real, ts timestamp)");
    }
    void TearDown() override {
        database_.Disconnect();
        std::remove(file_.c_str());
    }

    void Execute(const std::string& statement) {
        CRecordSet recordSet;
        ASSERT_TRUE(recordSet.Open(database_, statement.c_str())) << recordSet.GetErrorText().Text();
    }

    // Column 2 (r) or 3 (ts) of every row, as the driver converts it to a C type.
    std::vector<std::string> DriverConversions(SQLUSMALLINT column) {
        SQLHSTMT statement = nullptr;
        SQLAllocStmt(database_.GetConnectionHandle(), &statement);
        SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(const_cast<char*>("select * from v order by id")), SQL_NTS);
        std::vector<std::string> texts;
        while (SQL_SUCCEEDED(SQLFetch(statement))) {
            char text[512];
            SQLLEN indicator = 0;
            if (column == 2) {
                double value = 0;
                SQLGetData(statement, column, SQL_C_DOUBLE, &value, sizeof value, &indicator);
                texts.push_back(DoubleToText(value).Text());
            } else {
                TIMESTAMP_STRUCT s{};
                SQLGetData(statement, column, SQL_C_TIMESTAMP, &s, sizeof s, &indicator);
                char* end = text + std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u.", s.year, s.month,
                                                 s.day, s.hour, s.minute, s.second);
                *PutFraction(end, s.fraction) = '\0';
                texts.push_back(text);
            }
        }
        SQLFreeStmt(statement, SQL_DROP);
        return texts;
    }

    std::vector<std::string> Formatted(size_t column) {
        CRecordSet recordSet;
        EXPECT_TRUE(recordSet.Open(database_, "select * from v order by id"));
        CValueText valueText;
        std::vector<std::string> texts;
        for (; !recordSet.IsEOF(); recordSet.MoveNext()) {
            size_t length = 0;
            const char* text = valueText.Format(recordSet.GetField(column), length);
            texts.emplace_back(text, length);
        }
        return texts;
    }

    std::string file_;
    CDatabase database_;
};

TEST_F(StoredText, WellTypedValuesComeOutAsTheDriversOwnConversion) {
    std::mt19937_64 random(20261207);
    std::uniform_int_distribution<int> exponent(-30, 30);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> year(1, 9999), month(1, 12), day(1, 28), hour(0, 23), minute(0, 59);
    std::uniform_int_distribution<uint32_t> fraction(0, 999999999);
    std::string inserts = "insert into v values ";
    for (int id = 0; id < 3000; ++id) {
        const int digits = 1 + id % 9;  // every fraction length SQLite may hold
        const uint32_t scale = static_cast<uint32_t>(std::pow(10.0, digits));
        char row[256];
        std::snprintf(row, sizeof row, "%s(%d, %.17g, '%04d-%02d-%02d %02d:%02d:%02d.%0*" PRIu32 "')",
                      id == 0 ? "" : ",", id, mantissa(random) * std::pow(10.0, exponent(random)), year(random),
                      month(random), day(random), hour(random), minute(random), minute(random), digits,
                      fraction(random) % scale);
        inserts += row;
    }
    Execute(inserts);
    ASSERT_EQ(Formatted(1).size(), 3000u);
    EXPECT_EQ(Formatted(1), DriverConversions(2));
    EXPECT_EQ(Formatted(2), DriverConversions(3));
}

}  // namespace
