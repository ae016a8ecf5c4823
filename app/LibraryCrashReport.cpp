#include "app/LibraryCrashReport.h"

#include <cstring>

#include "app/ProgressLine.h"
#include "db/DriverCallMark.h"

namespace {

const char* const REPORT_LINES[] = {"- The ODBC driver or another library crashed.", "Could not complete the export.",
                                    ""};

}  // namespace

bool IsLibraryFault() { return CDriverCallMark::IsSet(); }

void WriteLibraryCrashReport(void (*writeBytes)(const char* bytes, size_t length), const char* lineEnd) {
    EraseProgressLineInHandler();
    for (const char* line : REPORT_LINES) {
        writeBytes(line, std::strlen(line));
        writeBytes(lineEnd, std::strlen(lineEnd));
    }
}
