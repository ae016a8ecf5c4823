#ifndef QUILLET_APP_PARAMETERSOURCE_H
#define QUILLET_APP_PARAMETERSOURCE_H

#include <cstdio>
#include <string>

#include "text/Str.h"

// Hands out parameter values, one input line each, however long the line.
// The line end (any run of CR and LF at its end) is not part of the value,
// nor is a UTF-8 byte-order mark at the very start of the input.
// With prompting on, every read is announced on standard error and followed
// by a line end there, for a person typing the values at the console.
class CParameterSource {
public:
    enum EResult { VALUE, END_OF_INPUT, NUL_BYTE };

    CParameterSource(FILE* input, bool prompt);
    CParameterSource(const CParameterSource&) = delete;
    CParameterSource& operator=(const CParameterSource&) = delete;

    // Throws std::bad_alloc when the line does not fit in memory.
    EResult ReadValue(CStr& value);

private:
    // The next line with its line end into `line_`: END_OF_INPUT at the end
    // of the input before any byte of a line, NUL_BYTE at a NUL byte.
    EResult ReadLine();

    FILE* input_;
    bool prompt_;
    bool atStart_;  // no byte read yet
    std::string line_;
};

// Whether SubstituteParameters would read any value for `statement`.
bool HoldsParameters(const char* statement, const char* identifier);

// Replaces every occurrence of `identifier` in `statement`, left to right, by
// the next value of `source`. Inserted values are never searched again. An
// empty identifier leaves the statement as it is and reads nothing.
// On END_OF_INPUT or NUL_BYTE the statement is unchanged and `failedIndex`
// numbers the occurrence (from 1) that got no value.
CParameterSource::EResult SubstituteParameters(CStr& statement, const char* identifier,
                                               CParameterSource& source, unsigned& failedIndex);

#endif
