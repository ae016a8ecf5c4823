// Commits rows of seven realistic fields to a CSV document and writes it to
// /dev/null, printing the time per row at two sizes, the CSV text size, the
// peak memory and how many heap blocks the row loop allocated.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "csv/CsvDocument.h"

namespace {

size_t allocationCount = 0;

struct RowTexts {
    char id[24];
    char name[48];
    char amount[64];
    char quantity[24];
    char note[64];
    char stamp[32];
    char day[16];
};

// Values as an export of a typical table would produce them; one note in ten
// holds a comma and double quotes.
void MakeRow(size_t i, RowTexts& t) {
    const int month = static_cast<int>(i % 12) + 1;
    const int dayOfMonth = static_cast<int>(i % 28) + 1;
    std::snprintf(t.id, sizeof t.id, "%zu", i + 1);
    std::snprintf(t.name, sizeof t.name, "Customer name number %019zu", i);
    std::snprintf(t.amount, sizeof t.amount, "%lf", static_cast<double>(i) * 1.37);
    std::snprintf(t.quantity, sizeof t.quantity, "%d", static_cast<int>((i * 7) % 100000));
    if (i % 10 == 0) {
        std::snprintf(t.note, sizeof t.note, "Note %zu, with \"quotes\" inside", i);
    } else {
        std::snprintf(t.note, sizeof t.note, "Note %zu in plain text", i);
    }
    std::snprintf(t.stamp, sizeof t.stamp, "2024-%02d-%02d %02d:%02d:%02d.000", month, dayOfMonth,
                  static_cast<int>(i % 24), static_cast<int>(i % 60), static_cast<int>((i / 60) % 60));
    std::snprintf(t.day, sizeof t.day, "2024-%02d-%02d", month, dayOfMonth);
}

// /dev/null cannot tell how much it was given; this stream discards and counts.
FILE* OpenCountingSink(size_t& count) {
    cookie_io_functions_t functions{};
    functions.write = [](void* cookie, const char*, size_t n) -> ssize_t {
        *static_cast<size_t*>(cookie) += n;
        return static_cast<ssize_t>(n);
    };
    return fopencookie(&count, "w", functions);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The cost of making the values alone, to tell it apart from committing them.
double MakeOnlySeconds(size_t rows) {
    RowTexts t;
    volatile unsigned char sink = 0;
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < rows; ++i) {
        MakeRow(i, t);
        sink = static_cast<unsigned char>(sink + t.note[5]);
    }
    return SecondsSince(start);
}

void Run(size_t rows) {
    const long peakBefore = PeakKilobytes();
    CCsvDocument doc(false, ",");
    RowTexts t;
    const size_t allocationsBefore = allocationCount;
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < rows; ++i) {
        MakeRow(i, t);
        CCsvRow row = doc.NewRow();
        row.SetValue("id", t.id);
        row.SetValue("name", t.name);
        row.SetValue("amount", t.amount);
        row.SetValue("quantity", t.quantity);
        row.SetValue("note", t.note);
        row.SetValue("created", t.stamp);
        row.SetValue("day", t.day);
    }
    const double commitSeconds = SecondsSince(start);
    const size_t allocations = allocationCount - allocationsBefore;

    FILE* out = std::fopen("/dev/null", "w");
    const auto writeStart = std::chrono::steady_clock::now();
    const bool written = doc.Write(out, true) && std::fflush(out) == 0;
    const double writeSeconds = SecondsSince(writeStart);
    std::fclose(out);
    size_t csvBytes = 0;
    FILE* counter = OpenCountingSink(csvBytes);
    doc.Write(counter, true);
    std::fclose(counter);

    const double makeSeconds = MakeOnlySeconds(rows);
    const double csvMegabytes = static_cast<double>(csvBytes) / (1024.0 * 1024.0);
    const double peakMegabytes = static_cast<double>(PeakKilobytes()) / 1024.0;
    std::printf("%zu rows: make+commit %.3f s (make alone %.3f s), commit %.1f ns/row, "
                "write %.3f s%s\n",
                rows, commitSeconds, makeSeconds, (commitSeconds - makeSeconds) * 1e9 / rows,
                writeSeconds, written ? "" : " (write failed)");
    std::printf("    CSV text %.1f MiB, peak RSS %.1f MiB (%.2f x the text; %.1f MiB before), "
                "heap blocks allocated by the row loop: %zu\n",
                csvMegabytes, peakMegabytes, peakMegabytes / csvMegabytes,
                static_cast<double>(peakBefore) / 1024.0, allocations);
}

}  // namespace

void* operator new(size_t size) {
    ++allocationCount;
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }

int main() {
    Run(100000);
    Run(1000000);
    return 0;
}
