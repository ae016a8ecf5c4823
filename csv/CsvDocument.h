#ifndef QUILLET_CSV_CSVDOCUMENT_H
#define QUILLET_CSV_CSVDOCUMENT_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "csv/CsvRow.h"
#include "csv/SpillFile.h"
#include "text/FilePtr.h"
#include "text/Str.h"
#include "text/TextBuffer.h"

// An in-memory CSV table. Columns come into being, in order, the first time
// a row stores a value under a new name (names compare byte-wise, case
// counts). Every committed row becomes one line of text, with as many fields
// as there were columns at that moment; Write puts the optional header line
// and all lines on a stream in one piece. The lines are kept in memory up to
// a limit; each time they reach it, they move to a temporary file.
//
// In reading mode every new row is instead filled from the next non-blank
// line of the attached input; once the input is exhausted rows come out empty.
class CCsvDocument {
public:
    static constexpr size_t NO_COLUMN = static_cast<size_t>(-1);
    static constexpr size_t LINE_BUFFER_SIZE = 16384;
    // Lines end as the platform's text files do (CR LF on Windows, LF
    // elsewhere); a CR or LF inside a quoted value stays as stored.
    static const char LINE_END[];
    static constexpr size_t DEFAULT_MEMORY_LIMIT = size_t{256} << 20;

    CCsvDocument(bool readingMode, const char* separatorText, size_t memoryLimit = DEFAULT_MEMORY_LIMIT);
    CCsvDocument(const CCsvDocument&) = delete;
    CCsvDocument& operator=(const CCsvDocument&) = delete;
    ~CCsvDocument();

    // The document owns the stream from now on and closes it; a stream
    // attached earlier is closed first.
    void AttachInput(FILE* stream);

    CCsvRow NewRow();
    // Appends a column without looking for an equal name: a duplicate shares
    // the values of the first column of that name.
    void AddColumn(const char* name);
    // Ignored in reading mode. When memory runs out it throws std::bad_alloc
    // and the text keeps only the lines before. False when the lines could
    // not move to the temporary file; GetErrorText says why, and from then
    // on every append and Write fails.
    bool AppendRow(const CCsvRow& row);
    // False when the stream is null or takes fewer bytes than written to it.
    // Neither closes the stream nor flushes what it wrote last. The lines go
    // out in pieces, each added to `written` (when given) once it is out,
    // for a reader on another thread.
    bool Write(FILE* out, bool header, std::atomic<uint64_t>* written = nullptr) const;
    // The bytes of all lines committed, in memory and moved to the file.
    uint64_t TextLength() const { return spill_.Length() + rowText_.Length(); }
    const char* GetErrorText() const { return spill_.GetErrorText(); }
    // Reads the next line that does not begin with NUL, CR or LF, line end
    // kept, cut at size - 1 characters; false when there is none.
    // REQUIRES: size >= 2.
    bool ReadLine(char* buffer, size_t size);

    size_t ColumnCount() const { return columns_.size(); }
    const char* ColumnName(size_t column) const { return columns_[column].Text(); }

    // What the document's rows read and borrow of it.

    // The first column of that name, or NO_COLUMN. The column at `hint` is
    // checked before the index.
    size_t FindColumn(const char* name, size_t hint) const {
        // The export names each column by the document's own text of its name.
        if (hint < columns_.size() && columns_[hint].Text() == name) return firstWithName_[hint];
        return FindColumnByName(name, hint);
    }
    // The first column with the name of the column at this position.
    size_t FirstWithName(size_t column) const { return firstWithName_[column]; }
    const char* Separator() const { return separator_.Text(); }
    // Columns read from a line without a header are named this and their number.
    const char* DefaultColumnName() const { return defaultColumnName_.Text(); }
    // Value storage for a new row, handed back when the row ends.
    std::unique_ptr<CCsvRow::Values> LendValues();
    void TakeBackValues(std::unique_ptr<CCsvRow::Values> returned) noexcept;

private:
    size_t FindColumnByName(const char* name, size_t hint) const;
    void AppendLine(const CCsvRow& row);
    bool AppendPlainLine(const CCsvRow& row);
    bool WriteHeader(FILE* out) const;

    bool reading_;
    FilePtr input_;
    CTextBuffer rowText_;
    size_t memoryLimit_;
    CSpillFile spill_;
    std::vector<CStr> columns_;
    CStr defaultColumnName_;
    CStr separator_;
    size_t separatorLength_;
    // Keys view the texts held by `columns_`; a CStr keeps its array when the
    // vector moves it, so the views stay valid.
    std::unordered_map<std::string_view, size_t> columnIndex_;
    std::vector<size_t> firstWithName_;
    bool sharesNames_ = false;  // some column has the name of an earlier one
    std::unique_ptr<CCsvRow::Values> spareValues_;
};

#endif
