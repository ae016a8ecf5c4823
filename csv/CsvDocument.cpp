#include "csv/CsvDocument.h"

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

bool IsLineBreakOrEnd(char c) { return c == '\0' || c == '\n' || c == '\r'; }

bool WriteAll(FILE* out, const char* text, size_t n) {
    return n == 0 || std::fwrite(text, 1, n, out) == n;
}

}  // namespace

CCsvDocument::CCsvDocument(bool readingMode, const char* separatorText)
    : reading(readingMode),
      input(nullptr),
      rowText("", CTextBuffer::DEFAULT_GROW_STEP),
      defaultColumnName("Field"),
      separator(separatorText),
      separatorLength(separator.Length()) {}

CCsvDocument::~CCsvDocument() {
    if (input != nullptr) std::fclose(input);
    input = nullptr;
}

void CCsvDocument::AttachInput(FILE* stream) {
    if (input != nullptr) std::fclose(input);
    input = stream;
}

CCsvRow CCsvDocument::NewRow() {
    if (!reading) return CCsvRow(*this);
    char line[LINE_BUFFER_SIZE];
    ReadLine(line, sizeof line);
    return CCsvRow(*this, line);
}

void CCsvDocument::AddColumn(const char* name) {
    const size_t column = columns.size();
    columns.emplace_back(name);
    const auto entry = columnIndex.emplace(std::string_view(columns.back().Text()), column);
    firstWithName.push_back(entry.first->second);
}

size_t CCsvDocument::FindColumn(const char* name, size_t hint) const {
    if (hint < columns.size() && std::strcmp(columns[hint].Text(), name) == 0) {
        return firstWithName[hint];
    }
    const auto found = columnIndex.find(std::string_view(name));
    return found == columnIndex.end() ? NO_COLUMN : found->second;
}

std::unique_ptr<CCsvRow::Values> CCsvDocument::LendValues() {
    if (spareValues != nullptr) return std::move(spareValues);
    return std::make_unique<CCsvRow::Values>();
}

void CCsvDocument::TakeBackValues(std::unique_ptr<CCsvRow::Values> returned) {
    if (spareValues != nullptr) return;
    returned->Clear();
    spareValues = std::move(returned);
}

void CCsvDocument::AppendRow(const CCsvRow& row) {
    if (reading) return;
    for (size_t column = 0; column < columns.size(); ++column) {
        if (column != 0) rowText.AppendText(separator.Text(), separatorLength);
        size_t length = 0;
        const char* value = row.ValueAt(firstWithName[column], length);
        AppendEscapedField(rowText, value, length, separator.Text());
    }
    rowText.AppendText(LINE_END, LINE_END_LENGTH);
}

bool CCsvDocument::WriteHeader(FILE* out) const {
    CTextBuffer line;
    for (size_t column = 0; column < columns.size(); ++column) {
        if (column != 0) line.AppendText(separator.Text(), separatorLength);
        AppendEscapedField(line, columns[column].Text(), columns[column].Length(), separator.Text());
    }
    line.AppendText(LINE_END, LINE_END_LENGTH);
    return WriteAll(out, line.Text(), line.Length());
}

bool CCsvDocument::Write(FILE* out, bool header) const {
    if (out == nullptr) return false;
    if (header && !WriteHeader(out)) return false;
    // Lines committed while there were no columns are empty; they stay unwritten.
    if (columns.empty()) return true;
    return WriteAll(out, rowText.Text(), rowText.Length());
}

bool CCsvDocument::ReadLine(char* buffer, size_t size) {
    buffer[0] = '\0';
    if (input == nullptr) return false;
    while (!std::feof(input)) {
        if (std::fgets(buffer, static_cast<int>(size), input) == nullptr) {
            // At the end, or on a read error, which would otherwise repeat forever.
            buffer[0] = '\0';
            break;
        }
        if (!IsLineBreakOrEnd(buffer[0])) break;
    }
    return !IsLineBreakOrEnd(buffer[0]);
}
