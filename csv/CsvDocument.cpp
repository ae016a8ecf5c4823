#include "csv/CsvDocument.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "csv/CsvField.h"

#ifdef _WIN32
const char CCsvDocument::LINE_END[] = "\r\n";
#else
const char CCsvDocument::LINE_END[] = "\n";
#endif

namespace {

constexpr size_t LINE_END_LENGTH = sizeof CCsvDocument::LINE_END - 1;

bool WriteAll(FILE* out, const char* text, size_t n) {
    return n == 0 || std::fwrite(text, 1, n, out) == n;
}

constexpr size_t WRITE_PIECE = size_t{1} << 20;

// In one piece unless someone counts the bytes as they go out.
bool WriteCounted(FILE* out, const char* text, size_t n, std::atomic<uint64_t>* written) {
    if (written == nullptr) return WriteAll(out, text, n);
    for (size_t done = 0; done < n;) {
        const size_t piece = std::min(n - done, WRITE_PIECE);
        if (!WriteAll(out, text + done, piece)) return false;
        done += piece;
        written->fetch_add(piece, std::memory_order_relaxed);
    }
    return true;
}

// Room for one more element, growing geometrically; after it a push_back cannot throw.
template <typename T>
void ReserveOneMore(std::vector<T>& items) {
    if (items.size() == items.capacity()) items.reserve(2 * items.size() + 1);
}

}  // namespace

CCsvDocument::CCsvDocument(bool readingMode, const char* separatorText, size_t memoryLimit)
    : reading_(readingMode),
      rowText_("", CTextBuffer::DEFAULT_GROW_STEP),
      memoryLimit_(memoryLimit),
      defaultColumnName_("Field"),
      separator_(separatorText),
      separatorLength_(separator_.Length()) {}

CCsvDocument::~CCsvDocument() = default;

void CCsvDocument::AttachInput(FILE* stream) { input_.reset(stream); }

CCsvRow CCsvDocument::NewRow() {
    if (!reading_) return CCsvRow(*this);
    char line[LINE_BUFFER_SIZE];
    ReadLine(line, sizeof line);
    return CCsvRow(*this, line);
}

void CCsvDocument::AddColumn(const char* name) {
    // Everything that may fail comes first, so the column list, its index and
    // firstWithName never disagree when memory runs out.
    CStr fresh(name);
    ReserveOneMore(columns_);
    ReserveOneMore(firstWithName_);
    const auto entry = columnIndex_.emplace(std::string_view(fresh.Text()), columns_.size());
    columns_.push_back(std::move(fresh));
    firstWithName_.push_back(entry.first->second);
    if (!entry.second) sharesNames_ = true;
}

size_t CCsvDocument::FindColumnByName(const char* name, size_t hint) const {
    if (hint < columns_.size() && std::strcmp(columns_[hint].Text(), name) == 0) {
        return firstWithName_[hint];
    }
    const auto found = columnIndex_.find(std::string_view(name));
    return found == columnIndex_.end() ? NO_COLUMN : found->second;
}

std::unique_ptr<CCsvRow::Values> CCsvDocument::LendValues() {
    if (spareValues_ != nullptr) return std::move(spareValues_);
    return std::make_unique<CCsvRow::Values>();
}

void CCsvDocument::TakeBackValues(std::unique_ptr<CCsvRow::Values> returned) noexcept {
    if (spareValues_ != nullptr) return;
    returned->Clear();
    spareValues_ = std::move(returned);
}

bool CCsvDocument::AppendRow(const CCsvRow& row) {
    if (reading_) return true;
    if (*spill_.GetErrorText() != '\0') return false;
    const size_t committed = rowText_.Length();
    try {
        AppendLine(row);
    } catch (...) {
        // A line that could not be stored whole is not stored at all.
        rowText_.Truncate(committed);
        throw;
    }
    if (rowText_.Length() < memoryLimit_) return true;
    if (!spill_.Append(rowText_.Text(), rowText_.Length())) return false;
    rowText_.Truncate(0);
    return true;
}

// The line is written straight into room asked for once: the most its
// fields can take when every one is quoted. Each value is written once
// unless columns share a name.
void CCsvDocument::AppendLine(const CCsvRow& row) {
    if (AppendPlainLine(row)) return;
    size_t room = LINE_END_LENGTH + columns_.size() * (separatorLength_ + EscapedFieldBound(0));
    if (!sharesNames_) {
        room += 2 * row.StoredBytes();
    } else {
        for (size_t column = 0; column < columns_.size(); ++column) {
            size_t length = 0;
            row.ValueAt(firstWithName_[column], length);
            room += EscapedFieldBound(length);
        }
    }
    char* const start = rowText_.AppendRoom(room);
    char* out = start;
    for (size_t column = 0; column < columns_.size(); ++column) {
        if (column != 0) {
            std::memcpy(out, separator_.Text(), separatorLength_);
            out += separatorLength_;
        }
        size_t length = 0;
        const char* value = row.ValueAt(firstWithName_[column], length);
        out = PutEscapedField(out, value, length, separator_.Text(), separatorLength_);
    }
    std::memcpy(out, LINE_END, LINE_END_LENGTH);
    rowText_.Extend(static_cast<size_t>(out + LINE_END_LENGTH - start));
}

// The usual row of an export: a value for each column, stored in column
// order, a one-character separator and nothing to quote. The stored bytes are
// then the line once the NUL after each value becomes the separator, and the
// last one the line end; one look at all of them tells whether any needs quotes.
bool CCsvDocument::AppendPlainLine(const CCsvRow& row) {
    const CCsvRow::Values* stored = row.StoredValues();
    if (separatorLength_ != 1 || sharesNames_ || stored == nullptr || stored->inOrder != columns_.size()) {
        return false;
    }
    const size_t length = stored->bytes.Length();
    const char* values = stored->bytes.Text();
    if (length == 0 || NeedsQuotes(values, length, separator_.Text(), 1)) return false;
    const size_t lineLength = length - 1 + LINE_END_LENGTH;
    // Unused room until Extend takes the line in.
    char* const out = rowText_.AppendRoom(lineLength);
    std::memcpy(out, values, length);
    const char separator = separator_.Text()[0];
    const CCsvRow::Values::Slot* const last = stored->slots.data() + columns_.size() - 1;
    for (const CCsvRow::Values::Slot* slot = stored->slots.data(); slot != last; ++slot) {
        out[slot->offset + slot->length] = separator;
    }
    std::memcpy(out + length - 1, LINE_END, LINE_END_LENGTH);
    rowText_.Extend(lineLength);
    return true;
}

bool CCsvDocument::WriteHeader(FILE* out) const {
    CTextBuffer line;
    for (size_t column = 0; column < columns_.size(); ++column) {
        if (column != 0) line.AppendText(separator_.Text(), separatorLength_);
        AppendEscapedField(line, columns_[column].Text(), columns_[column].Length(), separator_.Text());
    }
    line.AppendText(LINE_END, LINE_END_LENGTH);
    return WriteAll(out, line.Text(), line.Length());
}

bool CCsvDocument::Write(FILE* out, bool header, std::atomic<uint64_t>* written) const {
    if (out == nullptr) return false;
    if (*spill_.GetErrorText() != '\0') return false;
    if (header && !WriteHeader(out)) return false;
    // Lines committed while there were no columns are empty; they stay unwritten.
    if (columns_.empty()) return true;
    // The file's lines go out below the stream's buffer, so that buffer is emptied first.
    if (spill_.Length() > 0 && (std::fflush(out) != 0 || !spill_.CopyTo(out, written))) return false;
    return WriteCounted(out, rowText_.Text(), rowText_.Length(), written);
}

bool CCsvDocument::ReadLine(char* buffer, size_t size) {
    buffer[0] = '\0';
    if (!input_) return false;
    while (!std::feof(input_.get())) {
        if (std::fgets(buffer, static_cast<int>(size), input_.get()) == nullptr) {
            // At the end, or on a read error, which would otherwise repeat forever.
            buffer[0] = '\0';
            break;
        }
        if (!IsLineBreakOrEnd(buffer[0])) break;
    }
    return !IsLineBreakOrEnd(buffer[0]);
}
