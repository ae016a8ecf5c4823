// Quotes arbitrary values and reads them back. Input: two values separated by
// the first NUL. Both ways of escaping must agree; a value without CR or LF
// must come back unchanged through SplitField/UnescapeField and through a
// document's ParseLine; and any text at all must parse without harm.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "csv/CsvDocument.h"
#include "csv/CsvField.h"
#include "csv/CsvRow.h"
#include "text/TextBuffer.h"

namespace {

std::string Escaped(const std::string& value) {
    CStr copy(value.c_str());
    EscapeField(copy);
    CTextBuffer direct;
    AppendEscapedField(direct, value.c_str(), value.size(), ",");
    if (std::strcmp(copy.Text(), direct.Text()) != 0) std::abort();
    return copy.Text();
}

void CheckRoundTrip(const std::string& first, const std::string& second) {
    const std::string line = Escaped(first) + "," + Escaped(second) + "\n";
    const char* cursor = line.c_str();
    CStr field;
    for (const std::string* value : {&first, &second}) {
        SplitField(cursor, field, ",");
        UnescapeField(field);
        if (*value != field.Text()) std::abort();
    }
    CCsvDocument document(false, ",");
    document.AddColumn("a");
    document.AddColumn("b");
    CCsvRow row = document.NewRow();
    row.ParseLine(line.c_str());
    if (first != row.GetValue("a") || second != row.GetValue("b")) std::abort();
}

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t nul = input.find('\0');
    const std::string first = input.substr(0, nul);
    const std::string second = nul == std::string::npos ? "" : input.substr(nul + 1).c_str();
    if (!HasLineBreak(first) && !HasLineBreak(second)) {
        CheckRoundTrip(first, second);
    } else {
        Escaped(first);
        Escaped(second);
    }
    CCsvDocument document(false, ",");
    CCsvRow row = document.NewRow();
    row.ParseLine(first.c_str());
    return 0;
}
