#include "app/ExportRun.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/ExitStatus.h"
#include "app/ExportCmdLine.h"
#include "app/LibraryCrashReport.h"
#include "app/ParameterSource.h"
#include "app/ValueText.h"
#include "csv/CsvDocument.h"
#include "csv/CsvRow.h"
#include "db/Database.h"
#include "db/Field.h"
#include "db/RecordSet.h"
#include "text/FilePtr.h"

namespace {

// The CSV bytes and the parameter lines pass exactly: Windows' text mode
// would turn every LF written into CR LF, also inside a value, and end the
// input at a Ctrl-Z. Files are opened in binary mode for the same reason.
void UseBinaryStandardStreams() {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
}

// The statement's own line ends are echoed as they are: standard error's
// text mode would turn a CR LF inside it into CR CR LF. One write, as a
// console decodes the UTF-8 of each write on its own.
void EchoVerbatim(const char* text) {
#ifdef _WIN32
    std::fflush(stderr);
    const int mode = _setmode(_fileno(stderr), _O_BINARY);
    _write(_fileno(stderr), text, static_cast<unsigned>(std::strlen(text)));
    if (mode != -1) _setmode(_fileno(stderr), mode);
#else
    std::fputs(text, stderr);
#endif
}

// fopen happily opens a directory for reading; only the first read fails.
FILE* OpenInputFile(const char* name) {
    FILE* file = std::fopen(name, "rb");
    struct stat info;
    if (file != nullptr && fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

// Result columns that share a name are all exported: a later column whose
// name is taken gets "_2", "_3", ... appended, skipping any name that some
// column of the result has of its own.
std::vector<CStr> UniqueColumnNames(CRecordSet& recordSet) {
    std::set<std::string> taken;
    for (size_t i = 0; i < recordSet.GetFieldCount(); ++i) taken.insert(recordSet.GetField(i).GetName());
    std::set<std::string> used;
    std::vector<CStr> names;
    for (size_t i = 0; i < recordSet.GetFieldCount(); ++i) {
        const std::string name = recordSet.GetField(i).GetName();
        std::string unique = name;
        for (unsigned suffix = 2; used.count(unique) != 0 || (unique != name && taken.count(unique) != 0);
             ++suffix) {
            unique = name + "_" + std::to_string(suffix);
        }
        used.insert(unique);
        names.emplace_back(unique.c_str());
    }
    return names;
}

class CExportRun {
public:
    explicit CExportRun(const CExportCmdLine& cmdLine) : options(cmdLine) {}

    int Run();

private:
    bool OpenStreams();
    bool Connect();
    bool BuildStatement();
    bool OpenRecordSet();
    bool ExportRows(CCsvDocument& document);
    bool WriteDocument(const CCsvDocument& document);

    FILE* Input() const { return inputFile ? inputFile.get() : stdin; }
    FILE* Output() const { return outputFile ? outputFile.get() : stdout; }

    const CExportCmdLine& options;
    FilePtr inputFile;
    FilePtr outputFile;
    CDatabase database;
    CStr statement;
    CRecordSet recordSet;
    unsigned long long records = 0;
    CStr readError;  // why not every row could be read
};

int CExportRun::Run() {
    if (!OpenStreams() || !Connect() || !BuildStatement() || !OpenRecordSet()) return EXIT_STATUS_FAILURE;
    CCsvDocument document(false, ",");
    const bool complete = ExportRows(document);
    if (!WriteDocument(document)) return EXIT_STATUS_FAILURE;
    std::fprintf(stderr, "%llu record(s) written\n", records);
    if (complete) return EXIT_STATUS_OK;
    std::fprintf(stderr, "- %s\n", readError.Text());
    std::fputs("Could not read all records.\n\n", stderr);
    return EXIT_STATUS_FAILURE;
}

bool CExportRun::OpenStreams() {
    UseBinaryStandardStreams();
    if (options.argInputFile.IsGiven()) {
        inputFile.reset(OpenInputFile(options.argInputFile.GetValue()));
        if (!inputFile) {
            std::fprintf(stderr, "Could not open input file '%s'.\n\n", options.argInputFile.GetValue());
            return false;
        }
    }
    if (options.argOutputFile.IsGiven()) {
        outputFile.reset(std::fopen(options.argOutputFile.GetValue(), "wb"));
        if (!outputFile) {
            std::fprintf(stderr, "Could not create output file '%s'.\n\n", options.argOutputFile.GetValue());
            return false;
        }
    }
    return true;
}

bool CExportRun::Connect() {
    if (database.Connect(options.argConnect.GetValue())) return true;
    std::fprintf(stderr, "- %s\n", database.GetErrorText().Text());
    std::fputs("Could not open the database.\n\n", stderr);
    return false;
}

bool CExportRun::BuildStatement() {
    statement.Assign(options.argSelect.GetValue());
    if (statement.IsEmpty()) statement.Assign("select * from ").Append(options.argTable.GetValue());
    CParameterSource source(Input(), !inputFile);
    unsigned failedIndex = 0;
    const CParameterSource::EResult result =
        SubstituteParameters(statement, options.argParamId.GetValue(), source, failedIndex);
    inputFile.reset();
    if (result == CParameterSource::END_OF_INPUT) {
        std::fprintf(stderr, "Missing value for parameter %u.\n\n", failedIndex);
        return false;
    }
    if (result == CParameterSource::NUL_BYTE) {
        std::fprintf(stderr, "The value for parameter %u holds a NUL byte.\n\n", failedIndex);
        return false;
    }
    return true;
}

bool CExportRun::OpenRecordSet() {
    if (recordSet.Open(database, statement.Text())) return true;
    EchoVerbatim(statement.Text());
    std::fputs("\n", stderr);
    std::fprintf(stderr, "- %s\n", recordSet.GetErrorText().Text());
    std::fputs("Could not open the recordset.\n\n", stderr);
    return false;
}

// Returns false when a row or a value could not be read; the rows before it stay.
bool CExportRun::ExportRows(CCsvDocument& document) {
    const std::vector<CStr> names = UniqueColumnNames(recordSet);
    for (const CStr& name : names) document.AddColumn(name.Text());
    CValueText valueText;
    const size_t columns = names.size();
    while (!recordSet.IsEOF()) {
        CCsvRow row = document.NewRow();
        for (size_t i = 0; i < columns; ++i) {
            CField& field = recordSet.GetField(i);
            size_t length = 0;
            const char* text = valueText.Format(field, length);
            if (text == nullptr) {
                readError = field.GetErrorText();
                row.Discard();
                return false;
            }
            row.SetValue(names[i].Text(), text, length);
        }
        recordSet.MoveNext();
        ++records;
        // Here, not in the row's destructor, so that running out of memory
        // while storing the line ends the run with its message.
        row.Commit();
    }
    if (recordSet.FetchFailed()) {
        readError = recordSet.GetErrorText();
        return false;
    }
    if (recordSet.HasMoreResults()) {
        readError.Assign("The statement returned more than one result; only the first was written.");
        return false;
    }
    return true;
}

bool CExportRun::WriteDocument(const CCsvDocument& document) {
    bool written = document.Write(Output(), options.argFieldNames.GetState());
    written = std::fflush(Output()) == 0 && written && std::ferror(Output()) == 0;
    if (outputFile) written = std::fclose(outputFile.release()) == 0 && written;
    if (written) return true;
    if (options.argOutputFile.IsGiven()) {
        std::fprintf(stderr, "Could not write output file '%s'.\n\n", options.argOutputFile.GetValue());
    } else {
        std::fputs("Could not write the output.\n\n", stderr);
    }
    return false;
}

}  // namespace

int RunExport(const CExportCmdLine& options) {
    // The run's ODBC calls, the releases at its end included, all happen in here.
    const CDriverCallScope driverCalls;
    CExportRun run(options);
    return run.Run();
}
