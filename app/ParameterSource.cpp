#include "app/ParameterSource.h"

#include <cstring>

#include "text/TextBuffer.h"

CParameterSource::CParameterSource(FILE* input, bool prompt) : input_(input), prompt_(prompt) {}

// Byte by byte, as a NUL byte inside the line must be seen.
bool CParameterSource::ReadLine() {
    line.clear();
    int c = 0;
    while ((c = std::getc(input_)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return !line.empty();
}

CParameterSource::EResult CParameterSource::ReadValue(CStr& value) {
    if (prompt_) std::fputs("Enter value for parameter: ", stderr);
    const bool read = ReadLine();
    if (prompt_) std::fputs("\n", stderr);
    if (!read) return END_OF_INPUT;
    // A NUL byte would silently cut the value short inside the statement text.
    if (line.find('\0') != std::string::npos) return NUL_BYTE;
    size_t length = line.size();
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
    value.AssignPrefix(line.data(), length);
    return VALUE;
}

CParameterSource::EResult SubstituteParameters(CStr& statement, const char* identifier,
                                               CParameterSource& source, unsigned& failedIndex) {
    const size_t idLength = std::strlen(identifier);
    const char* text = statement.Text();
    const char* found = idLength == 0 ? nullptr : std::strstr(text, identifier);
    if (found == nullptr) return CParameterSource::VALUE;

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
