#include "app/ParameterSource.h"

#include <sys/types.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "text/TextBuffer.h"

CParameterSource::CParameterSource(FILE* input, bool prompt)
    : input_(input), prompt_(prompt), line(nullptr), lineCapacity(0) {}

CParameterSource::~CParameterSource() { std::free(line); }

CParameterSource::EResult CParameterSource::ReadValue(CStr& value) {
    if (prompt_) std::fputs("Enter value for parameter: ", stderr);
    errno = 0;
    const ssize_t read = getline(&line, &lineCapacity, input_);
    // getline fails alike at the end and when it cannot grow the line; only errno tells them apart.
    const bool outOfMemory = read < 0 && errno == ENOMEM;
    if (prompt_) std::fputs("\n", stderr);
    if (outOfMemory) throw std::bad_alloc();
    if (read < 0) return END_OF_INPUT;
    size_t length = static_cast<size_t>(read);
    // A NUL byte would silently cut the value short inside the statement text.
    if (std::memchr(line, '\0', length) != nullptr) return NUL_BYTE;
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
    value.AssignPrefix(line, length);
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
