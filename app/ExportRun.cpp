#include "app/ExportRun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/ExitStatus.h"
#include "app/ExportCmdLine.h"
#include "app/ParameterSource.h"
#include "app/ProgressLine.h"
#include "app/TerminalText.h"
#include "app/ValueText.h"
#include "csv/CsvDocument.h"
#include "csv/CsvRow.h"
#include "db/Database.h"
#include "db/Field.h"
#include "db/RecordSet.h"
#include "db/SecretMask.h"
#include "text/FilePtr.h"

namespace {

#ifndef QUILLET_DOCUMENT_MEMORY_LIMIT
#define QUILLET_DOCUMENT_MEMORY_LIMIT CCsvDocument::DEFAULT_MEMORY_LIMIT
#endif
// The CSV text kept in memory before it moves to a temporary file; a test
// build sets a small one, so that its exports of a few rows move too.
constexpr size_t DOCUMENT_MEMORY_LIMIT = QUILLET_DOCUMENT_MEMORY_LIMIT;

// The CSV bytes and the parameter lines pass exactly: Windows' text mode
// would turn every LF written into CR LF, also inside a value, and end the
// input at a Ctrl-Z. Files are opened in binary mode for the same reason.
void UseBinaryStandardStreams() {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
}

// A new output file may be read and written by all that the umask allows;
// Windows knows only whether a file may be written.
#ifdef _WIN32
constexpr int OPEN_BINARY = _O_BINARY;
constexpr int NEW_FILE_MODE = _S_IREAD | _S_IWRITE;
#else
constexpr int OPEN_BINARY = 0;
constexpr int NEW_FILE_MODE = 0666;
#endif

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

// Where a regular file lives, however its path was spelled (a link, "./").
struct SFileId {
    unsigned long long volume;
    unsigned long long index;
};

// False for anything but a regular file: only a regular file is emptied by
// its opening for writing, and a terminal, say, may well be both the input
// and the output. False too for a closed descriptor.
bool GetRegularFileId(int descriptor, SFileId& id) {
    struct stat info;
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) return false;
#ifdef _WIN32
    // Windows' stat numbers no file: st_ino is always 0.
    BY_HANDLE_FILE_INFORMATION file;
    if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)), &file)) return false;
    id = {file.dwVolumeSerialNumber, (static_cast<unsigned long long>(file.nFileIndexHigh) << 32) | file.nFileIndexLow};
#else
    id = {static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)};
#endif
    return true;
}

// As fopen(name, "wb"), but the file is emptied only after comparing the
// open descriptors, which leaves no moment for the path to change. The input
// is looked at first: closed, its number may go to the output file.
FILE* CreateOutputFile(const char* name, FILE* parameters, bool& isParameterFile) {
    SFileId input = {};
    const bool inputIsFile = parameters != nullptr && GetRegularFileId(fileno(parameters), input);
    const int descriptor = open(name, O_WRONLY | O_CREAT | OPEN_BINARY, NEW_FILE_MODE);
    if (descriptor < 0) return nullptr;
    SFileId output = {};
    isParameterFile = inputIsFile && GetRegularFileId(descriptor, output) && input.volume == output.volume &&
                      input.index == output.index;
    struct stat info;
    const bool regular = fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
    const bool emptied = !isParameterFile && (!regular || ftruncate(descriptor, 0) == 0);
    FILE* file = emptied ? fdopen(descriptor, "wb") : nullptr;
    if (file == nullptr) close(descriptor);
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
    explicit CExportRun(const CExportCmdLine& cmdLine) : options_(cmdLine), secrets_(cmdLine.argConnect.GetValue()) {}

    int Run();

private:
    bool OpenStreams();
    void StartProgress() {
        if (CProgressLine::IsWanted()) progress_.Start();
    }
    bool Connect();
    void ComposeStatement();
    bool SubstituteValues();
    bool OpenRecordSet();
    bool ExportRows(CCsvDocument& document);
    bool WriteDocument(const CCsvDocument& document);
    bool CloseOutputFile(bool written);
    // Diagnostics may quote the connection string, and values from the database.
    CStr Shown(const CStr& diagnostics) const { return ForStandardError(secrets_.Apply(diagnostics.Text()).Text()); }

    FILE* Input() const { return inputFile_ ? inputFile_.get() : stdin; }
    FILE* ParameterInput() const;
    FILE* Output() const { return outputFile_ ? outputFile_.get() : stdout; }

    const CExportCmdLine& options_;
    CSecretMask secrets_;
    FilePtr inputFile_;
    FilePtr outputFile_;
    CDatabase database_;
    CStr statement_;
    CRecordSet recordSet_;
    unsigned long long records_ = 0;
    CStr readError_;  // why not every row could be read
    // Ended before any message of the run is written.
    CProgressLine progress_;
};

int CExportRun::Run() {
    ComposeStatement();
    if (!OpenStreams()) return EXIT_STATUS_FAILURE;
    // Never before the parameter values are read, as it would cross the prompts.
    if (!HoldsParameters(statement_.Text(), options_.argParamId.GetValue())) StartProgress();
    if (!Connect() || !SubstituteValues()) return EXIT_STATUS_FAILURE;
    StartProgress();
    if (!OpenRecordSet()) return EXIT_STATUS_FAILURE;
    CCsvDocument document(false, ",", DOCUMENT_MEMORY_LIMIT);
    const bool complete = ExportRows(document);
    if (!WriteDocument(document)) return EXIT_STATUS_FAILURE;
    std::fprintf(stderr, "%llu record(s) written\n", records_);
    if (complete) return EXIT_STATUS_OK;
    std::fprintf(stderr, "- %s\n", Shown(readError_).Text());
    std::fputs("Could not read all records.\n\n", stderr);
    return EXIT_STATUS_FAILURE;
}

bool CExportRun::OpenStreams() {
    UseBinaryStandardStreams();
    if (options_.argInputFile.IsGiven()) {
        inputFile_.reset(OpenInputFile(options_.argInputFile.GetValue()));
        if (!inputFile_) {
            std::fprintf(stderr, "Could not open input file '%s'.\n\n", options_.argInputFile.GetValue());
            return false;
        }
    }
    if (options_.argOutputFile.IsGiven()) {
        bool isParameterFile = false;
        outputFile_.reset(CreateOutputFile(options_.argOutputFile.GetValue(), ParameterInput(), isParameterFile));
        if (!outputFile_) {
            if (isParameterFile) std::fputs("- The output file is the parameter file.\n", stderr);
            std::fprintf(stderr, "Could not create output file '%s'.\n\n", options_.argOutputFile.GetValue());
            return false;
        }
    }
    return true;
}

// Standard input counts only when the statement will read from it: output
// may well go to the file it comes from otherwise.
FILE* CExportRun::ParameterInput() const {
    if (inputFile_) return inputFile_.get();
    return HoldsParameters(statement_.Text(), options_.argParamId.GetValue()) ? stdin : nullptr;
}

bool CExportRun::Connect() {
    if (database_.Connect(options_.argConnect.GetValue())) return true;
    progress_.End();
    std::fprintf(stderr, "- %s\n", Shown(database_.GetErrorText()).Text());
    std::fputs("Could not open the database.\n\n", stderr);
    return false;
}

void CExportRun::ComposeStatement() {
    statement_.Assign(options_.argSelect.GetValue());
    if (statement_.IsEmpty()) statement_.Assign("select * from ").Append(options_.argTable.GetValue());
}

bool CExportRun::SubstituteValues() {
    CParameterSource source(Input(), !inputFile_);
    unsigned failedIndex = 0;
    const CParameterSource::EResult result =
        SubstituteParameters(statement_, options_.argParamId.GetValue(), source, failedIndex);
    inputFile_.reset();
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
    if (recordSet_.Open(database_, statement_.Text())) {
        progress_.StartReading();
        return true;
    }
    progress_.End();
    EchoVerbatim(ForStandardError(statement_.Text()).Text());
    std::fputs("\n", stderr);
    std::fprintf(stderr, "- %s\n", Shown(recordSet_.GetErrorText()).Text());
    std::fputs("Could not open the recordset.\n\n", stderr);
    return false;
}

// Returns false when a row or a value could not be read; the rows before it stay.
bool CExportRun::ExportRows(CCsvDocument& document) {
    const std::vector<CStr> names = UniqueColumnNames(recordSet_);
    for (const CStr& name : names) document.AddColumn(name.Text());
    CValueText valueText;
    const size_t columns = names.size();
    while (!recordSet_.IsEOF()) {
        CCsvRow row = document.NewRow();
        for (size_t i = 0; i < columns; ++i) {
            CField& field = recordSet_.GetField(i);
            size_t length = 0;
            const char* text = valueText.Format(field, length);
            if (text == nullptr) {
                readError_ = field.GetErrorText();
                row.Discard();
                return false;
            }
            row.SetValue(document.ColumnName(i), text, length);
        }
        recordSet_.MoveNext();
        ++records_;
        // Here, not in the row's destructor, so that running out of memory
        // while storing the line ends the run with its message.
        if (!row.Commit()) return false;
        progress_.CountRecords(records_, document.TextLength());
    }
    if (recordSet_.FetchFailed()) {
        readError_ = recordSet_.GetErrorText();
        return false;
    }
    if (recordSet_.HasMoreResults()) {
        readError_.Assign("The statement returned more than one result; only the first was written.");
        return false;
    }
    return true;
}

bool CExportRun::WriteDocument(const CCsvDocument& document) {
    // CSV written to the terminal itself would mix with the line.
    if (CProgressLine::WritesToTerminal(Output())) progress_.End();
    std::atomic<uint64_t>* progressBytes = progress_.StartWriting(document.TextLength());
    bool written = document.Write(Output(), options_.argFieldNames.GetState(), progressBytes);
    written = std::fflush(Output()) == 0 && written && std::ferror(Output()) == 0;
    if (outputFile_) written = CloseOutputFile(written);
    progress_.End();
    if (written) return true;
    // The temporary file's folder comes from the environment.
    if (*document.GetErrorText() != '\0') {
        std::fprintf(stderr, "- %s\n", ForStandardError(document.GetErrorText()).Text());
    }
    if (options_.argOutputFile.IsGiven()) {
        std::fprintf(stderr, "Could not write output file '%s'.\n\n", options_.argOutputFile.GetValue());
    } else {
        std::fputs("Could not write the output.\n\n", stderr);
    }
    return false;
}

// A partial export must never look like a complete one: after any failure
// the file is emptied, through a descriptor kept past the close, so that the
// close's last try to flush cannot fill it again.
bool CExportRun::CloseOutputFile(bool written) {
    FILE* file = outputFile_.release();
    const int kept = dup(fileno(file));
    written = std::fclose(file) == 0 && written;
    if (kept == -1) return written;
    if (!written) {
        const int ignored = ftruncate(kept, 0);
        (void)ignored;
    }
    close(kept);
    return written;
}

}  // namespace

int RunExport(const CExportCmdLine& options) {
    CExportRun run(options);
    return run.Run();
}
