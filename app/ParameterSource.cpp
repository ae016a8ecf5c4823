#include "app/ParameterSource.h"

#include <cstring>

#include "text/TextBuffer.h"

namespace {

const char UTF8_BOM[] = "\xEF\xBB\xBF";
constexpr size_t UTF8_BOM_LENGTH = sizeof UTF8_BOM - 1;

}  // namespace

CParameterSource::CParameterSource(FILE* input, bool prompt) : input_(input), prompt_(prompt), atStart_(true) {}

// Byte by byte, as a NUL byte inside the line must be seen. A NUL byte
// would silently cut the value short inside the statement text; the rest of
// its line is never read, as it may not end (/dev/zero).
CParameterSource::EResult CParameterSource::ReadLine() {
    line_.clear();
    int c = 0;
    while ((c = std::getc(input_)) != EOF) {
        if (c == '\0') return NUL_BYTE;
        line_.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    // Notepad and PowerShell 5.1 start a file saved as UTF-8 with this mark.
    if (atStart_ && line_.compare(0, UTF8_BOM_LENGTH, UTF8_BOM) == 0) line_.erase(0, UTF8_BOM_LENGTH);
    atStart_ = false;
    return line_.empty() ? END_OF_INPUT : VALUE;
}

CParameterSource::EResult CParameterSource::ReadValue(CStr& value) {
    if (prompt_) std::fputs("Enter value for parameter: ", stderr);
    const EResult result = ReadLine();
    if (prompt_) std::fputs("\n", stderr);
    if (result != VALUE) return result;
    size_t length = line_.size();
    while (length > 0 && (line_[length - 1] == '\n' || line_[length - 1] == '\r')) --length;
    value.AssignPrefix(line_.data(), length);
    return VALUE;
}

bool HoldsParameters(const char* statement, const char* identifier) {
    return identifier[0] != '\0' && std::strstr(statement, identifier) != nullptr;
}

CParameterSource::EResult SubstituteParameters(CStr& statement, const char* identifier,
                                               CParameterSource& source, unsigned& failedIndex) {
    if (!HoldsParameters(statement.Text(), identifier)) return CParameterSource::VALUE;
    const size_t idLength = std::strlen(identifier);
    const char* text = statement.Text();
    const char* found = std::strstr(text, identifier);

    CTextBuffer buffer("", CTextBuffer::DEFAULT_GROW_STEP);
    const char* position = text;
    CStr value;
    unsigned index = 0;
    while (found != nullptr) {
        buffer.AppendText(position, static_cast<size_t>(found - position));
        position = found + idLength;
        ++index;
        const CParameterSource::EResult result = source.ReadValue(value);
        if (result != CParameterSource::VALUE) {
            failedIndex = index;
            return result;
        }
        buffer.AppendText(value.Text());
        found = std::strstr(position, identifier);
    }
    buffer.AppendText(position);
    statement.Assign(buffer.Text());
    return CParameterSource::VALUE;
}
