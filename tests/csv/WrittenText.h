#ifndef QUILLET_TESTS_CSV_WRITTENTEXT_H
#define QUILLET_TESTS_CSV_WRITTENTEXT_H

#include <cstdio>
#include <cstdlib>
#include <string>

#include "csv/CsvDocument.h"

// What Write puts on a stream, or "<failed>" when it reports failure.
inline std::string WrittenText(const CCsvDocument& doc, bool header) {
    char* data = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&data, &size);
    const bool ok = doc.Write(out, header);
    std::fclose(out);
    std::string text(data, size);
    std::free(data);
    return ok ? text : "<failed>";
}

#endif
