#ifndef QUILLET_TEXT_NUMBERTEXT_H
#define QUILLET_TEXT_NUMBERTEXT_H

#include <cstdint>

#include "text/Str.h"

// Decimal digits, "-" before negative values, nothing else.
CStr IntToText(int32_t value);
CStr Int64ToText(int64_t value);
// Fixed point with exactly six decimals, as "%lf" writes it; never an exponent.
CStr DoubleToText(double value);

#endif
