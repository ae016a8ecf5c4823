// The per-value path of an export without a driver: one row of the benchmark
// table's seven values (integer id, varchar name, double amount, integer
// quantity, text note of which one in ten needs quoting, timestamp, date)
// turned into text as the export turns them and committed to a CSV document.
// Values come as bound C values (PostgreSQL, MariaDB) or as the text SQLite
// stores. Prints the time per row; nothing judges it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "csv/CsvDocument.h"
#include "csv/CsvRow.h"
#include "text/NumberText.h"
#include "text/TimeText.h"

namespace {

const char* const COLUMNS[] = {"id", "name", "amount", "qty", "note", "created", "day"};
constexpr size_t COLUMN_COUNT = sizeof COLUMNS / sizeof COLUMNS[0];
constexpr size_t ROWS_PER_DOCUMENT = 1000000;

struct SRowTexts {
    char name[48];
    char note[64];
    char amount[32];
    char created[32];
    char day[16];
};

// The row of the benchmark table numbered i, as bench/benchmark.py makes it.
void MakeTexts(size_t i, SRowTexts& t) {
    std::snprintf(t.name, sizeof t.name, "customer-%08zu", i);
    if (i % 10 == 0) {
        std::snprintf(t.note, sizeof t.note, "Note %zu, with a comma and a \"quoted\" word", i);
    } else {
        std::snprintf(t.note, sizeof t.note, "Plain note for row %zu", i);
    }
    std::snprintf(t.amount, sizeof t.amount, "%.15g", static_cast<double>(i) * 1.37 + 0.25);
    std::snprintf(t.created, sizeof t.created, "2020-%02zu-%02zu %02zu:%02zu:%02zu", i % 12 + 1, i % 28 + 1,
                  i % 24, i % 60, (i / 60) % 60);
    std::snprintf(t.day, sizeof t.day, "2020-%02zu-%02zu", i % 12 + 1, i % 28 + 1);
}

// A document with the table's columns; a fresh one every million rows keeps
// the memory of a long run at that of a 1,000,000-row export.
class CDocumentCycle {
public:
    CCsvDocument& Next() {
        if (document_ == nullptr || ++rows_ == ROWS_PER_DOCUMENT) {
            document_.reset();
            document_ = std::make_unique<CCsvDocument>(false, ",");
            for (const char* column : COLUMNS) document_->AddColumn(column);
            rows_ = 0;
        }
        return *document_;
    }

private:
    std::unique_ptr<CCsvDocument> document_;
    size_t rows_ = 0;
};

void StoreText(CCsvRow& row, const CCsvDocument& document, size_t column, const char* text) {
    row.SetValue(document.ColumnName(column), text, std::strlen(text));
}

void StoreFormatted(CCsvRow& row, const CCsvDocument& document, size_t column, const char* start, char* end) {
    *end = '\0';
    row.SetValue(document.ColumnName(column), start, static_cast<size_t>(end - start));
}

// Bound values: integers, a double, date and timestamp parts, and texts.
void BM_BoundValueRow(benchmark::State& state) {
    CDocumentCycle documents;
    SRowTexts texts[10];
    for (size_t i = 0; i < 10; ++i) MakeTexts(i + 1, texts[i]);
    char small[MAX_DOUBLE_TEXT + 1];
    size_t i = 0;
    for (auto _ : state) {
        CCsvDocument& document = documents.Next();
        const SRowTexts& t = texts[i % 10];
        CCsvRow row = document.NewRow();
        StoreFormatted(row, document, 0, small, PutInteger(small, static_cast<int64_t>(i)));
        StoreText(row, document, 1, t.name);
        StoreFormatted(row, document, 2, small, PutDouble(small, static_cast<double>(i) * 1.37 + 0.25));
        StoreFormatted(row, document, 3, small, PutInteger(small, static_cast<int64_t>(i * 7919 % 1000)));
        StoreText(row, document, 4, t.note);
        const SDateTimeParts stamp{2020, 1 + static_cast<unsigned>(i % 12), 1 + static_cast<unsigned>(i % 28),
                                   static_cast<unsigned>(i % 24), static_cast<unsigned>(i % 60), 0, 0};
        StoreFormatted(row, document, 5, small, PutDateTime(small, stamp));
        StoreFormatted(row, document, 6, small, PutDate(small, 2020, stamp.month, stamp.day));
        benchmark::DoNotOptimize(row.Commit());
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BoundValueRow);

// Values as SQLite stores them: each read from its text when it is clean.
void BM_StoredTextRow(benchmark::State& state) {
    CDocumentCycle documents;
    SRowTexts texts[10];
    char ids[10][24];
    for (size_t i = 0; i < 10; ++i) {
        MakeTexts(i + 1, texts[i]);
        std::snprintf(ids[i], sizeof ids[i], "%zu", i + 1);
    }
    char small[MAX_DOUBLE_TEXT + 1];
    size_t i = 0;
    for (auto _ : state) {
        CCsvDocument& document = documents.Next();
        const SRowTexts& t = texts[i % 10];
        CCsvRow row = document.NewRow();
        StoreText(row, document, 0, ids[i % 10]);
        StoreText(row, document, 1, t.name);
        StoreFormatted(row, document, 2, small, PutShortDecimal(small, t.amount, std::strlen(t.amount)));
        StoreText(row, document, 3, ids[i % 10]);
        StoreText(row, document, 4, t.note);
        SDateTimeParts parts{};
        if (ParseSQLiteDateTime(t.created, parts)) StoreFormatted(row, document, 5, small, PutDateTime(small, parts));
        if (ParseSQLiteDateTime(t.day, parts)) {
            StoreFormatted(row, document, 6, small, PutDate(small, parts.year, parts.month, parts.day));
        }
        benchmark::DoNotOptimize(row.Commit());
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StoredTextRow);

}  // namespace

BENCHMARK_MAIN();
