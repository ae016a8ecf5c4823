// Runs whole exports in process against the scripted test driver
// (tests/driver/ScriptedDriver.cpp), loaded through the driver manager; each
// input is the driver's script. Whatever the driver answers, the run ends with
// status 1 and a message, or with status 0 and a CSV that holds exactly the
// rows and values the driver delivered. Status 1 is allowed only when the
// script lies or fails somewhere.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "app/ExitStatus.h"
#include "app/ExportCmdLine.h"
#include "app/ExportRun.h"
#include "tests/driver/DriverScript.h"

namespace {

using CCsvRecord = std::vector<std::string>;

// In TMPDIR, which scripts/fuzz.sh points at a folder it removes afterwards.
std::string TempPath(const char* suffix) {
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/quillet-fuzz-" +
           std::to_string(getpid()) + suffix;
}

void Check(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "violated: %s\n", what);
    std::abort();
}

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return static_cast<bool>(file) || file.eof();
}

// RFC 4180 with LF line ends, as Quillet writes it; false for malformed text.
bool ParseCsv(const std::string& text, std::vector<CCsvRecord>& records) {
    size_t i = 0;
    while (i < text.size()) {
        CCsvRecord record;
        for (;;) {
            std::string field;
            if (i < text.size() && text[i] == '"') {
                for (++i;; ++i) {
                    if (i >= text.size()) return false;
                    if (text[i] != '"') {
                        field += text[i];
                    } else if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += text[++i];
                    } else {
                        ++i;
                        break;
                    }
                }
            } else {
                while (i < text.size() && text[i] != ',' && text[i] != '\n') field += text[i++];
            }
            record.push_back(field);
            if (i >= text.size()) return false;
            if (text[i++] == '\n') break;
            if (text[i - 1] != ',') return false;
        }
        records.push_back(record);
    }
    return true;
}

bool IsLie(const SScriptCell& cell) {
    return cell.length == LENGTH_HUGE || cell.length == LENGTH_LONGER || cell.length == LENGTH_SHORTER ||
           cell.length == LENGTH_NEGATIVE || cell.length == LENGTH_UNWRITTEN;
}

bool Fails(const SScriptFault& fault) { return fault.returnCode != 0 && fault.returnCode != 1; }

bool HasFailingFault(const SDriverScript& script, EScriptCall call) {
    for (const SScriptFault& fault : script.faults) {
        if (Fails(fault) && (fault.call == call || call == CALL_COUNT)) return true;
    }
    return false;
}

// Whether the driver lies about a length or fails a call somewhere.
bool IsHostile(const SDriverScript& script) {
    if (HasFailingFault(script, CALL_COUNT)) return true;
    for (const SScriptResult& result : script.results) {
        for (const std::vector<SScriptCell>& row : result.rows) {
            for (const SScriptCell& cell : row) {
                if (IsLie(cell)) return true;
            }
        }
    }
    return false;
}

// A text piece shorter than its room and marked SQL_NO_TOTAL ends at its
// terminator, so its length is lost when the value holds a NUL byte.
bool IsAmbiguous(const SScriptCell& cell) {
    return cell.length == LENGTH_NO_TOTAL && cell.piece != 0 && cell.bytes.find('\0') != std::string::npos;
}

// The texts the CSV may hold for a cell; none when any text may stand.
std::vector<std::string> AcceptedTexts(const SScriptColumn& column, const SScriptCell& cell,
                                       const SDriverScript& script) {
    const EValueKind kind = KindOf(column.sqlType);
    if (IsLie(cell) || IsAmbiguous(cell) || kind == KIND_OTHER) return {};
    if (cell.length == LENGTH_NULL) return {""};
    char hex[3];
    switch (kind) {
        case KIND_INTEGER:
            return {column.isUnsigned ? std::to_string(IntegerOf(cell))
                                      : std::to_string(static_cast<int64_t>(IntegerOf(cell)))};
        case KIND_BIT:
            return {std::to_string(IntegerOf(cell) & 0xff)};
        case KIND_BINARY: {
            std::string text;
            for (unsigned char c : cell.bytes) {
                std::snprintf(hex, sizeof hex, "%02x", c);
                text += hex;
            }
            return {text};
        }
        case KIND_PADDED_TEXT: {
            std::string text = cell.bytes;
            while (!text.empty() && text.back() == ' ') text.pop_back();
            // A column the driver failed to describe is read as text of unknown kind.
            if (HasFailingFault(script, CALL_DESCRIBE_COL)) return {text, cell.bytes};
            return {text};
        }
        default:
            return {cell.bytes};
    }
}

const SScriptResult* ExportedResult(const SDriverScript& script, bool& laterResult) {
    const SScriptResult* exported = nullptr;
    laterResult = false;
    for (const SScriptResult& result : script.results) {
        if (result.columns.empty()) continue;
        if (exported != nullptr) laterResult = true;
        if (exported == nullptr) exported = &result;
    }
    return exported;
}

void CheckCleanExport(const SDriverScript& script, const std::string& csv) {
    bool laterResult = false;
    const SScriptResult* exported = ExportedResult(script, laterResult);
    Check(!laterResult || HasFailingFault(script, CALL_MORE_RESULTS), "a second result passed unseen");
    std::vector<CCsvRecord> records;
    // A driver that answers "no data" when it executes or counts columns
    // has no result to export, or another one.
    if (HasFailingFault(script, CALL_EXECUTE) || HasFailingFault(script, CALL_NUM_RESULT_COLS)) {
        Check(ParseCsv(csv, records) || csv == "\n", "the CSV is malformed");
        return;
    }
    if (exported == nullptr) {
        Check(csv.empty() || csv == "\n", "an export without columns wrote rows");
        return;
    }
    Check(ParseCsv(csv, records), "the CSV is malformed");
    Check(!records.empty() && records[0].size() == exported->columns.size(), "the header has the wrong columns");
    const size_t rows = records.size() - 1;
    Check(rows == exported->rows.size() || (rows < exported->rows.size() && HasFailingFault(script, CALL_FETCH)),
          "rows were lost or added");
    for (size_t r = 0; r < rows; ++r) {
        Check(records[r + 1].size() == exported->columns.size(), "a row has the wrong number of fields");
        for (size_t c = 0; c < exported->columns.size(); ++c) {
            const std::vector<std::string> accepted = AcceptedTexts(exported->columns[c], exported->rows[r][c], script);
            bool found = accepted.empty();
            for (const std::string& text : accepted) found = found || text == records[r + 1][c];
            if (!found) {
                std::fprintf(stderr, "row %zu, column %zu: %zu bytes written, %zu expected\n", r, c,
                             records[r + 1][c].size(), accepted[0].size());
            }
            Check(found, "a value differs from the one the driver delivered");
        }
    }
}

// Runs the export with its standard error sent to a file; returns the
// status. The stream is swapped, not the descriptor, so that the fuzzer's and
// the sanitizers' own reports still reach the console.
int RunWithStderrTo(const std::string& connect, const std::string& output, const std::string& errors) {
    const std::string out = "-o=" + output;
    const char* argv[] = {"quillet", connect.c_str(), "-s=select 1", "-f", out.c_str()};
    CExportCmdLine options;
    Check(options.Parse(5, argv), "the command line parses");
    FILE* const console = stderr;
    stderr = std::fopen(errors.c_str(), "wb");
    Check(stderr != nullptr, "the file for standard error opens");
    int status = EXIT_STATUS_FAILURE;
    try {
        status = RunExport(options);
    } catch (const std::bad_alloc&) {
        std::fputs("Out of memory.\n\n", stderr);
    }
    std::fclose(stderr);
    stderr = console;
    return status;
}

}  // namespace

// As tests/lsan.supp has it for the tests: after a driver's answer such as
// SQL_STILL_EXECUTING from a call never made asynchronous, the driver manager
// refuses to free the statement and the connection, and their memory in it
// and in the driver stays. Quillet's own allocations are still checked.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libodbc.so\nleak:libquillet_scripteddriver.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string scriptPath = TempPath(".script");
    static const std::string outputPath = TempPath(".csv");
    static const std::string errorPath = TempPath(".err");
    {
        std::ofstream script(scriptPath, std::ios::binary | std::ios::trunc);
        script.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::remove(outputPath.c_str());
    const std::string connect = "Driver=" QUILLET_SCRIPTED_DRIVER ";Script=" + scriptPath;
    const int status = RunWithStderrTo(connect, outputPath, errorPath);
    const SDriverScript script = DecodeDriverScript(data, size);
    std::string errors;
    std::string csv;
    ReadFile(errorPath, errors);
    ReadFile(outputPath, csv);
    Check(status == EXIT_STATUS_OK || status == EXIT_STATUS_FAILURE, "the status is 0 or 1");
    if (status == EXIT_STATUS_FAILURE) {
        Check(!errors.empty(), "a failure says why");
        bool laterResult = false;
        ExportedResult(script, laterResult);
        Check(IsHostile(script) || laterResult, "an honest driver's export failed");
    } else {
        CheckCleanExport(script, csv);
    }
    return 0;
}
