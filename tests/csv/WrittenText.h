#ifndef QUILLET_TESTS_CSV_WRITTENTEXT_H
#define QUILLET_TESTS_CSV_WRITTENTEXT_H

#include <cstdio>
#include <cstring>
#include <string>

#include "csv/CsvDocument.h"

// Written CSV with LF line ends, so that one expected text serves every
// platform: each line end outside quotes must be the platform's, and a bare
// LF there, where the platform's is CR LF, shows as "<bare LF>".
inline std::string WithLfLineEnds(const std::string& text) {
    const size_t lineEndLength = std::strlen(CCsvDocument::LINE_END);
    std::string lf;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') quoted = !quoted;
        if (!quoted && text.compare(i, lineEndLength, CCsvDocument::LINE_END) == 0) {
            lf += '\n';
            i += lineEndLength - 1;
        } else {
            lf += !quoted && text[i] == '\n' ? std::string("<bare LF>") : std::string(1, text[i]);
        }
    }
    return lf;
}

// What Write puts on a stream, or "<failed>" when it reports failure.
inline std::string WrittenText(const CCsvDocument& doc, bool header) {
    FILE* out = std::tmpfile();
    const bool ok = doc.Write(out, header);
    std::string text;
    if (out != nullptr) {
        std::rewind(out);
        char chunk[4096];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, out)) > 0) text.append(chunk, n);
        std::fclose(out);
    }
    return ok ? WithLfLineEnds(text) : "<failed>";
}

#endif
