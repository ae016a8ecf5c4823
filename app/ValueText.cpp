#include "app/ValueText.h"

#include <cstdlib>

#include "db/Field.h"
#include "db/ValueType.h"
#include "text/NumberText.h"
#include "text/TimeText.h"

namespace {

SDateTimeParts PartsOf(const STimestampValue& stamp) {
    return SDateTimeParts{stamp.year, stamp.month, stamp.day, stamp.hour, stamp.minute, stamp.second, stamp.fraction};
}

}  // namespace

CValueText::CValueText() : small_(), scratch_("", CTextBuffer::DEFAULT_GROW_STEP) {}

const char* CValueText::Format(CField& field, size_t& length) {
    length = 0;
    const bool isNull = field.IsNull();
    if (field.ReadFailed()) return nullptr;
    if (isNull) return "";
    if (field.IsStoredText()) return FormatStoredText(field.GetValueType(), field.GetText(length), length);
    switch (field.GetValueType()) {
        case VALUE_NUMERIC:
            return FormatNumeric(field.GetText(length), length);
        case VALUE_BINARY: {
            const unsigned char* bytes = field.GetBinary(length);
            return FormatBinary(bytes, length);
        }
        case VALUE_INTEGER:
        case VALUE_SMALLINT:
        case VALUE_TINYINT:
        case VALUE_BIGINT:
        case VALUE_BIT:
            return FormatInteger(field, length);
        case VALUE_DOUBLE:
        case VALUE_REAL:
            return Finish(PutDouble(small_, field.GetDouble()), length);
        case VALUE_DATE: {
            const SDateValue date = field.GetDate();
            return Finish(PutDate(small_, date.year, date.month, date.day), length);
        }
        case VALUE_TIME:
            return FormatTime(field.GetText(length), length);
        case VALUE_TIMESTAMP:
            return Finish(PutDateTime(small_, PartsOf(field.GetTimestamp())), length);
        default:
            return field.GetText(length);
    }
}

// A value that is a clean value of its column's kind gets that kind's text;
// anything else is written as it is stored: a blob as hex digits, the rest
// as its text.
const char* CValueText::FormatStoredText(int valueType, const char* value, size_t& length) {
    scratch_.SetText("");
    if (AppendBlobLiteralHex(value, length, scratch_)) return FinishScratch(length);
    switch (valueType) {
        case VALUE_DOUBLE:
        case VALUE_REAL: {
            if (char* end = PutShortDecimal(small_, value, length)) return Finish(end, length);
            if (!IsPlainNumber(value)) return value;
            return Finish(PutDouble(small_, std::strtod(value, nullptr)), length);
        }
        case VALUE_TIME: {
            SDateTimeParts parts{};
            if (!ParseSQLiteTime(value, parts)) return value;
            return Finish(PutTime(small_, parts.hour, parts.minute, parts.second), length);
        }
        case VALUE_TIMESTAMP: {
            SDateTimeParts parts{};
            return ParseSQLiteDateTime(value, parts) ? Finish(PutDateTime(small_, parts), length) : value;
        }
        default:
            return value;
    }
}

const char* CValueText::FormatInteger(CField& field, size_t& length) {
    if (field.IsUnsigned()) return Finish(PutUnsigned(small_, field.GetUnsigned()), length);
    return Finish(PutInteger(small_, field.GetInteger()), length);
}

const char* CValueText::FormatNumeric(const char* value, size_t& length) {
    scratch_.SetText("");
    if (*value != '\0') AppendDecimalSixPlaces(value, scratch_);
    return FinishScratch(length);
}

const char* CValueText::FormatBinary(const unsigned char* bytes, size_t& length) {
    scratch_.SetText("");
    AppendHex(bytes, length, scratch_);
    return FinishScratch(length);
}

// A text that is no time is the value as it is.
const char* CValueText::FormatTime(const char* value, size_t& length) {
    char* end = PutTimeOfText(small_, sizeof small_, value);
    return end != nullptr ? Finish(end, length) : value;
}

const char* CValueText::Finish(char* end, size_t& length) {
    *end = '\0';
    length = static_cast<size_t>(end - small_);
    return small_;
}

const char* CValueText::FinishScratch(size_t& length) {
    length = scratch_.Length();
    return scratch_.Text();
}
