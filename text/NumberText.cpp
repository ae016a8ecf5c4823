#include "text/NumberText.h"

#include <cinttypes>
#include <cstdio>

CStr IntToText(int32_t value) {
    CStr result;
    CStr::FromInt(result, value);
    return result;
}

CStr Int64ToText(int64_t value) {
    CStr result;
    char* out = result.Reserve(23);
    std::snprintf(out, 24, "%" PRId64, value);
    return result;
}

CStr DoubleToText(double value) {
    // Sized first: the fixed-point text of 1e300 has over 300 digits.
    const int needed = std::snprintf(nullptr, 0, "%lf", value);
    CStr result;
    if (needed <= 0) return result;
    char* out = result.Reserve(static_cast<size_t>(needed));
    std::snprintf(out, static_cast<size_t>(needed) + 1, "%lf", value);
    return result;
}
