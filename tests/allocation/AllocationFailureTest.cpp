// The allocation-failure loop (tests/allocation/FailingAllocation.h): every
// allocation in turn is refused, and each time std::bad_alloc must come out
// cleanly, nothing may leak (the sanitizer build checks) and what was
// complete before the failure must stay exactly as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <new>
#include <string>

#include "app/ParameterSource.h"
#include "app/ProgressLine.h"
#include "app/ValueText.h"
#include "csv/CsvDocument.h"
#include "csv/CsvRow.h"
#include "db/Database.h"
#include "db/Field.h"
#include "db/RecordSet.h"
#include "tests/allocation/FailingAllocation.h"
#include "tests/csv/WrittenText.h"
#include "text/TextBuffer.h"

namespace {

const std::string LONG_TEXT(3000, 'q');
constexpr size_t STEPS = 12;

// Pieces that make the buffer grow several times, some of them its own text.
void AppendPiece(CTextBuffer& buffer, size_t step) {
    if (step % 3 == 0) buffer.AppendText(LONG_TEXT.c_str());
    if (step % 3 == 1) buffer.AppendChar(',');
    if (step % 3 == 2) buffer.AppendText(buffer.Text() + step, 2000);
}

std::string BufferAfter(size_t steps) {
    CTextBuffer buffer("start", 16);
    for (size_t step = 0; step < steps; ++step) AppendPiece(buffer, step);
    return std::string(buffer.Text(), buffer.Length());
}

// Values to quote, a column that first appears in the fourth row, and a
// second value under a name, which the row ignores.
void AddRow(CCsvDocument& doc, size_t index) {
    CCsvRow row = doc.NewRow();
    row.SetValue("id", std::to_string(index).c_str());
    row.SetValue("text", index % 2 == 0 ? LONG_TEXT.c_str() : "say \"hi\", twice\n");
    if (index >= 3) row.SetValue("late", "x");
    row.SetValue("id", "ignored");
    row.Commit();
}

std::string DocumentAfter(size_t rows) {
    CCsvDocument doc(false, ",");
    for (size_t index = 0; index < rows; ++index) AddRow(doc, index);
    return WrittenText(doc, false);
}

// Longer than a field's first buffer, so reading it grows the buffer; a blob
// the SQLite driver gives as text that becomes hex digits.
const char* const QUERY =
    "select 1 as id, printf('%.6000c', 'x') as v, x'00ff' as b "
    "union all select 2, 'say \"hi\", twice', x'' union all select 3, null, x'10'";

// Exports the record set the way the export run does; done counts the rows committed.
void ExportRows(CRecordSet& recordSet, CCsvDocument& doc, size_t& done) {
    CValueText valueText;
    for (; !recordSet.IsEOF(); ++done) {
        CCsvRow row = doc.NewRow();
        for (size_t i = 0; i < recordSet.GetFieldCount(); ++i) {
            CField& field = recordSet.GetField(i);
            size_t length = 0;
            const char* text = valueText.Format(field, length);
            row.SetValue(field.GetName(), text, length);
        }
        recordSet.MoveNext();
        row.Commit();
    }
}

// The first lines of the whole export. REQUIRES: rows <= 3.
std::string ExportedLines(size_t rows) {
    CDatabase database;
    CRecordSet recordSet;
    CCsvDocument doc(false, ",");
    size_t done = 0;
    if (database.Connect("Driver=SQLite3;Database=:memory:") && recordSet.Open(database, QUERY)) {
        ExportRows(recordSet, doc, done);
    }
    const std::string text = WrittenText(doc, false);
    size_t end = 0;
    for (size_t line = 0; line < rows; ++line) end = text.find('\n', end) + 1;
    return text.substr(0, end);
}

}  // namespace

TEST(AllocationFailure, RecordSetExportKeepsEveryCommittedRow) {
    ForEachFailingAllocation([] {
        CDatabase database;
        CRecordSet recordSet;
        CCsvDocument doc(false, ",");
        size_t done = 0;
        try {
            ASSERT_TRUE(database.Connect("Driver=SQLite3;Database=:memory:"));
            ASSERT_TRUE(recordSet.Open(database, QUERY));
            ExportRows(recordSet, doc, done);
        } catch (const std::bad_alloc&) {
            StopFailingAllocations();
            EXPECT_EQ(WrittenText(doc, false), ExportedLines(done)) << done << " rows";
            throw;
        }
    });
    EXPECT_EQ(ExportedLines(3), "1," + std::string(6000, 'x') + ",00ff\n2,\"say \"\"hi\"\", twice\",\n3,,10\n");
}

TEST(AllocationFailure, TextBufferKeepsEveryWholeAppend) {
    ForEachFailingAllocation([] {
        CTextBuffer buffer("start", 16);
        size_t done = 0;
        try {
            for (; done < STEPS; ++done) AppendPiece(buffer, done);
        } catch (const std::bad_alloc&) {
            StopFailingAllocations();
            EXPECT_EQ(std::string(buffer.Text(), buffer.Length()), BufferAfter(done));
            throw;
        }
    });
}

TEST(AllocationFailure, DocumentKeepsEveryCommittedRowAndTakesMore) {
    ForEachFailingAllocation([] {
        CCsvDocument doc(false, ",");
        size_t done = 0;
        try {
            for (; done < STEPS; ++done) AddRow(doc, done);
        } catch (const std::bad_alloc&) {
            StopFailingAllocations();
            // The failed row may have added a column already: the header may differ, the lines not.
            EXPECT_EQ(WrittenText(doc, false), DocumentAfter(done)) << done << " rows";
            AddRow(doc, STEPS);
            CCsvDocument expected(false, ",");
            for (size_t index = 0; index < done; ++index) AddRow(expected, index);
            AddRow(expected, STEPS);
            EXPECT_EQ(WrittenText(doc, true), WrittenText(expected, true)) << done << " rows";
            throw;
        }
    });
}

TEST(AllocationFailure, RowCommitsOnlyTheValuesStoredWhole) {
    const char* const names[] = {"a", "b", "c", "d", "e"};
    ForEachFailingAllocation([&] {
        CCsvDocument doc(false, ",");
        CCsvRow row = doc.NewRow();
        size_t done = 0;
        try {
            for (; done < std::size(names); ++done) row.SetValue(names[done], LONG_TEXT.c_str());
            row.Commit();
        } catch (const std::bad_alloc&) {
            StopFailingAllocations();
            row.Commit();
            CCsvDocument expected(false, ",");
            CCsvRow whole = expected.NewRow();
            for (size_t i = 0; i < doc.ColumnCount(); ++i) whole.SetValue(names[i], i < done ? LONG_TEXT.c_str() : "");
            whole.Commit();
            EXPECT_EQ(WrittenText(doc, false), WrittenText(expected, false)) << done << " values";
            throw;
        }
    });
}

TEST(AllocationFailure, ParameterSubstitutionLeavesTheStatementAsItWas) {
    const std::string values = "1\n" + LONG_TEXT + "\r\n" + LONG_TEXT + LONG_TEXT + "\n";
    const char* const original = "select :p as a, ':p' as b, :p as c from t";
    ForEachFailingAllocation([&] {
        const std::unique_ptr<FILE, int (*)(FILE*)> input(
            fmemopen(const_cast<char*>(values.data()), values.size(), "r"), &std::fclose);
        CParameterSource source(input.get(), false);
        CStr statement(original);
        unsigned failedIndex = 0;
        CParameterSource::EResult result = CParameterSource::END_OF_INPUT;
        try {
            result = SubstituteParameters(statement, ":p", source, failedIndex);
        } catch (const std::bad_alloc&) {
            StopFailingAllocations();
            EXPECT_STREQ(statement.Text(), original);
            throw;
        }
        StopFailingAllocations();
        EXPECT_EQ(result, CParameterSource::VALUE);
        EXPECT_EQ(std::string(statement.Text()),
                  "select 1 as a, '" + LONG_TEXT + "' as b, " + LONG_TEXT + LONG_TEXT + " as c from t");
    });
}

TEST(AllocationFailure, DecimalTextKeepsWhatWasThereBefore) {
    const std::string decimal = "-" + std::string(2500, '9') + ".9999995";
    ForEachFailingAllocation([&] {
        CTextBuffer out("x,", 16);
        try {
            AppendDecimalSixPlaces(decimal.c_str(), out);
        } catch (const std::bad_alloc&) {
            StopFailingAllocations();
            CTextBuffer whole("x,", 16);
            AppendDecimalSixPlaces(decimal.c_str(), whole);
            EXPECT_EQ(std::string(whole.Text(), out.Length()), std::string(out.Text())) << "not a prefix";
            throw;
        }
    });
}

// A line whose thread could not start is simply not shown; nothing throws.
TEST(AllocationFailure, ProgressLineGoesWithoutItsThread) {
    ForEachFailingAllocation([] {
        CProgressLine line;
        line.Start();
        line.CountRecords(1, 1);
        line.End();
        if (StopFailingAllocations()) throw std::bad_alloc();
    });
}
