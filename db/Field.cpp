#include "db/Field.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "db/Diagnostics.h"
#include "db/OdbcApi.h"
#include "db/ValueType.h"
#include "text/Allocation.h"

static_assert(std::is_same<SQLLEN, std::ptrdiff_t>::value, "the indicator must be an SQLLEN");
static_assert(sizeof(SDateValue) == sizeof(DATE_STRUCT) && offsetof(SDateValue, year) == offsetof(DATE_STRUCT, year) &&
                  offsetof(SDateValue, month) == offsetof(DATE_STRUCT, month) &&
                  offsetof(SDateValue, day) == offsetof(DATE_STRUCT, day),
              "SDateValue must match DATE_STRUCT");
static_assert(sizeof(STimestampValue) == sizeof(TIMESTAMP_STRUCT) &&
                  offsetof(STimestampValue, year) == offsetof(TIMESTAMP_STRUCT, year) &&
                  offsetof(STimestampValue, month) == offsetof(TIMESTAMP_STRUCT, month) &&
                  offsetof(STimestampValue, day) == offsetof(TIMESTAMP_STRUCT, day) &&
                  offsetof(STimestampValue, hour) == offsetof(TIMESTAMP_STRUCT, hour) &&
                  offsetof(STimestampValue, minute) == offsetof(TIMESTAMP_STRUCT, minute) &&
                  offsetof(STimestampValue, second) == offsetof(TIMESTAMP_STRUCT, second) &&
                  offsetof(STimestampValue, fraction) == offsetof(TIMESTAMP_STRUCT, fraction),
              "STimestampValue must match TIMESTAMP_STRUCT");

namespace {

// The first buffer of a text or binary column; longer values grow it.
constexpr size_t INITIAL_VARIABLE_BUFFER = 4096;
// Room per declared character: a UTF-8 character takes up to four bytes.
constexpr size_t BYTES_PER_CHARACTER = 4;

struct SColumnMapping {
    SQLSMALLINT cType;
    int valueType;
    size_t fixedSize;  // 0 for text and binary
};

// Every integer is fetched 64 bits wide: drivers describe wider values than
// the declared type holds (SQLite's INTEGER is 64-bit, MariaDB's unsigned
// columns exceed the signed range), and a narrower request wraps silently.
SColumnMapping MapInteger(int valueType, bool isUnsigned) {
    return {static_cast<SQLSMALLINT>(isUnsigned ? SQL_C_UBIGINT : SQL_C_SBIGINT), valueType, sizeof(SQLBIGINT)};
}

SColumnMapping MapSqlType(int sqlType, bool isUnsigned) {
    switch (sqlType) {
        case SQL_INTEGER:
            return MapInteger(VALUE_INTEGER, isUnsigned);
        case SQL_SMALLINT:
            return MapInteger(VALUE_SMALLINT, isUnsigned);
        case SQL_TINYINT:
            return MapInteger(VALUE_TINYINT, isUnsigned);
        case SQL_BIGINT:
            return MapInteger(VALUE_BIGINT, isUnsigned);
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return {SQL_C_DOUBLE, VALUE_DOUBLE, sizeof(SQLDOUBLE)};
        case SQL_REAL:
            return {SQL_C_FLOAT, VALUE_REAL, sizeof(SQLREAL)};
        case SQL_DATE:
        case SQL_TYPE_DATE:
            return {SQL_C_DATE, VALUE_DATE, sizeof(DATE_STRUCT)};
        // The time structure holds only a time of day; MariaDB's TIME runs
        // from -838:59:59 to 838:59:59, which only its text gives.
        case SQL_TIME:
        case SQL_TYPE_TIME:
            return {SQL_C_CHAR, VALUE_TIME, 0};
        case SQL_TIMESTAMP:
        case SQL_TYPE_TIMESTAMP:
            return {SQL_C_TIMESTAMP, VALUE_TIMESTAMP, sizeof(TIMESTAMP_STRUCT)};
        case SQL_BIT:
            return {SQL_C_BIT, VALUE_BIT, sizeof(SQLCHAR)};
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return {SQL_C_BINARY, VALUE_BINARY, 0};
        // Decimal values stay text: a double cannot hold 18 digits and decimals.
        case SQL_NUMERIC:
            return {SQL_C_CHAR, VALUE_NUMERIC, 0};
        case SQL_DECIMAL:
            return {SQL_C_CHAR, VALUE_DECIMAL, 0};
        default:
            return {SQL_C_CHAR, VALUE_TEXT, 0};
    }
}

size_t InitialBufferSize(const SColumnMapping& mapping, size_t columnSize) {
    if (mapping.fixedSize != 0) return mapping.fixedSize + 1;
    const size_t perUnit = mapping.cType == SQL_C_CHAR ? BYTES_PER_CHARACTER : 1;
    if (columnSize == 0 || columnSize >= INITIAL_VARIABLE_BUFFER / perUnit) return INITIAL_VARIABLE_BUFFER;
    return columnSize * perUnit + 1;
}

// Binary values get no terminator from the driver; the byte kept back lets
// the buffer always end in a spare NUL.
SQLLEN BufferLengthFor(SQLSMALLINT cType, size_t bufferSize) {
    return static_cast<SQLLEN>(cType == SQL_C_BINARY ? bufferSize - 1 : bufferSize);
}

// DB2's 64-bit Linux driver writes only the low 32 bits of a length. Lengths
// start as UNWRITTEN_INDICATOR, whose upper half is all ones: a length that
// still has that half and means nothing as a whole is its lower half.
SQLLEN WrittenLength(SQLLEN length) {
    const bool upperHalfUntouched = static_cast<uint64_t>(length) >> 32 == 0xffffffffu;
    return upperHalfUntouched && length < INT32_MIN ? static_cast<int32_t>(length) : length;
}

// A length the driver tells is trusted for the buffer's growth only this far
// at a time: drivers that believe a declared size of gigabytes (MySQL's JSON,
// Firebird's blobs) would otherwise have a short value allocate all of it.
constexpr size_t MOST_TRUSTED_GROWTH = size_t{1} << 20;

}  // namespace

CField::CField(void* statement, unsigned short columnNumber, const SColumnDescription& column)
    : statement_(statement),
      columnNumber_(columnNumber),
      name_(column.name),
      cType_(SQL_C_CHAR),
      valueType_(VALUE_TEXT),
      fixedSize_(0),
      columnSize_(column.columnSize),
      removesTrailingBlanks_(column.sqlType == SQL_CHAR || column.sqlType == SQL_WCHAR),
      isUnsigned_(column.isUnsigned),
      storedText_(column.storedText),
      isBit_(false),
      isFloat_(false),
      isCharText_(false),
      bound_(false),
      bufferSize_(0),
      indicator_(0),
      loaded_(false),
      isNull_(false),
      failed_(false),
      valueLength_(0) {
    static_assert(UNWRITTEN_INDICATOR == SQL_NO_TOTAL, "the mark is a length no value has");
    SColumnMapping mapping = MapSqlType(column.sqlType, column.isUnsigned);
    if (storedText_) {
        mapping.cType = SQL_C_CHAR;
        mapping.fixedSize = 0;
    }
    cType_ = mapping.cType;
    isBit_ = cType_ == SQL_C_BIT;
    isFloat_ = cType_ == SQL_C_FLOAT;
    isCharText_ = cType_ == SQL_C_CHAR;
    valueType_ = mapping.valueType;
    fixedSize_ = mapping.fixedSize;
    bufferSize_ = InitialBufferSize(mapping, column.columnSize);
    buffer_ = std::make_unique<char[]>(bufferSize_);
}

CField::~CField() = default;

bool CField::WantsBinding(bool readsInAnyOrder) const {
    return fixedSize_ != 0 || (readsInAnyOrder && columnSize_ != 0);
}

bool CField::Bind() {
    const SQLRETURN result = CallDriver(SQLBindCol, statement_, columnNumber_, cType_, buffer_.get(),
                                        BufferLengthFor(cType_, bufferSize_), &indicator_);
    bound_ = IsSuccess(result);
    return bound_;
}

const char* CField::GetValue() {
    Load();
    return isNull_ || failed_ ? "" : buffer_.get();
}

const char* CField::GetText(size_t& length) {
    const char* value = GetValue();
    length = valueLength_;
    return value;
}

const unsigned char* CField::GetBinary(size_t& length) {
    return reinterpret_cast<const unsigned char*>(GetText(length));
}

// Every bound value of an export is taken here.
inline void CField::TakeBoundValue() {
    const SQLLEN length = WrittenLength(indicator_);
    if (length == SQL_NULL_DATA) {
        isNull_ = true;
    } else if (fixedSize_ != 0) {
        valueLength_ = fixedSize_;
    } else if (length >= 0 && static_cast<size_t>(length) < bufferSize_ &&
               IsWholeBoundValue(static_cast<size_t>(length))) {
        valueLength_ = static_cast<size_t>(length);
        buffer_[valueLength_] = '\0';
    } else {
        RecoverCutValue(length > 0 ? static_cast<size_t>(length) : 0);
    }
}

void CField::LoadValue() {
    loaded_ = true;
    isNull_ = false;
    failed_ = false;
    valueLength_ = 0;
    if (bound_) {
        TakeBoundValue();
    } else if (fixedSize_ != 0) {
        ReadFixedSize();
    } else {
        ReadPieces(0);
    }
    if (removesTrailingBlanks_ && !isNull_ && !failed_) RemoveTrailingBlanks();
}

// The fetch cut the value (or could not tell its length). The column is
// unbound, its buffer may then grow, the value is read whole with SQLGetData
// and the grown buffer is bound again for later rows. SQLite and PostgreSQL
// both read an unbound column from its start after a fetch.
void CField::RecoverCutValue(size_t expectedLength) {
    if (!IsSuccess(CallDriver(SQLBindCol, statement_, columnNumber_, cType_, nullptr, 0, nullptr))) {
        Fail();
        return;
    }
    bound_ = false;
    ReadPieces(expectedLength);
    Bind();
}

void CField::ReadFixedSize() {
    SQLLEN available = UNWRITTEN_INDICATOR;
    const SQLRETURN result = CallDriver(SQLGetData, statement_, columnNumber_, cType_, buffer_.get(),
                                        BufferLengthFor(cType_, bufferSize_), &available);
    if (!IsSuccess(result)) {
        Fail();
    } else if (WrittenLength(available) == SQL_NULL_DATA) {
        isNull_ = true;
    } else {
        valueLength_ = fixedSize_;
    }
}

namespace {

// A cut piece of a value read in pieces. A driver may return one shorter than
// its room, to keep a multi-byte character whole, so the piece is counted as
// long as it may be (full, or as long as the driver says) until the next call
// tells its real length: what the driver had left before it less what it has
// left after it. A driver that tells neither (SQL_NO_TOTAL) leaves the length
// the piece holds by its own marks.
struct SCutPiece {
    bool waiting = false;  // whether a cut piece waits for its length
    size_t start = 0;
    size_t capacity = 0;
    size_t counted = 0;
    size_t held = 0;
    SQLLEN leftBefore = SQL_NO_TOTAL;

    // The piece's real length, or more than counted when the driver's lengths
    // disagree with the bytes kept.
    size_t Length(SQLLEN leftAfter) const {
        if (leftBefore >= 0 && leftAfter >= 0 && leftBefore > leftAfter) {
            return static_cast<size_t>(leftBefore - leftAfter);
        }
        return std::min(held, counted);
    }
};

// A text piece ends at its terminator, which a full piece puts at
// piece[capacity] (the caller marks that byte beforehand); a binary piece has
// no mark and counts as full.
size_t LengthHeld(const char* piece, size_t capacity, bool isText) {
    if (!isText || piece[capacity] == '\0') return capacity;
    const void* terminator = std::memchr(piece, '\0', capacity);
    return terminator != nullptr ? static_cast<size_t>(static_cast<const char*>(terminator) - piece) : capacity;
}

}  // namespace

// Reads a text or binary value into the buffer, growing it as needed. Each
// piece goes where the one before it may end at the latest, and moves back
// once that one's real length is known.
// REQUIRES: the column is not bound, since the buffer may be replaced.
void CField::ReadPieces(size_t expectedLength) {
    if (expectedLength >= bufferSize_) Grow(std::min(expectedLength, MOST_TRUSTED_GROWTH) + 1, 0);
    const bool isText = cType_ == SQL_C_CHAR;
    size_t total = 0;
    SCutPiece cut;
    // While the driver gives pieces far shorter than counted, rooms stay near
    // their size: each would otherwise count as full and double the buffer.
    size_t roomLimit = SIZE_MAX;
    for (;;) {
        const size_t room = std::min(bufferSize_ - total, roomLimit);
        buffer_[total + room - 1] = '\1';  // only a full text piece puts its terminator here
        SQLLEN available = UNWRITTEN_INDICATOR;
        const SQLRETURN result = CallDriver(SQLGetData, statement_, columnNumber_, cType_, buffer_.get() + total,
                                            BufferLengthFor(cType_, room), &available);
        available = WrittenLength(available);
        const bool delivered = IsSuccess(result) && available != SQL_NULL_DATA;
        if (cut.waiting && (delivered || IsNoData(result))) {
            size_t length = cut.Length(delivered ? available : SQL_NO_TOTAL);
            if (length > cut.counted && delivered) {
                Fail("The ODBC driver gave the pieces of a value with lengths that disagree.");
                return;
            }
            // After the last piece nothing is left and nothing was overwritten:
            // the told length stands.
            if (IsNoData(result) && cut.leftBefore >= 0 && static_cast<size_t>(cut.leftBefore) <= cut.capacity) {
                length = static_cast<size_t>(cut.leftBefore);
            } else {
                length = std::min(length, cut.counted);
            }
            if (delivered && length < cut.counted) {
                std::memmove(buffer_.get() + cut.start + length, buffer_.get() + total, room);
            }
            roomLimit = length < cut.counted / 2 ? std::max(2 * length, INITIAL_VARIABLE_BUFFER) : SIZE_MAX;
            total = cut.start + length;
            cut.waiting = false;
        }
        if (IsNoData(result)) break;
        if (!IsSuccess(result)) {
            Fail();
            return;
        }
        if (available == SQL_NULL_DATA) {
            isNull_ = true;
            break;
        }
        if (available < 0 && available != SQL_NO_TOTAL) {
            Fail("The ODBC driver gave a length that no value has.");
            return;
        }
        // A piece holds at most room - 1 value bytes: text needs its terminator,
        // binary keeps the spare byte. SQL_NO_TOTAL counts as a cut piece; the
        // reading then ends at SQL_NO_DATA. So does a piece with information
        // whose length fits: the driver may have kept back some of it.
        const size_t capacity = room - 1;
        if (available >= 0 && static_cast<size_t>(available) <= capacity && result == SQL_SUCCESS) {
            total += static_cast<size_t>(available);
            break;
        }
        const size_t held = LengthHeld(buffer_.get() + total, capacity, isText);
        const size_t told = available >= 0 ? static_cast<size_t>(available) : held;
        const size_t counted = std::min(told, capacity);
        cut = SCutPiece{true, total, capacity, counted, held, available};
        total += counted;
        // Past an untold rest the next piece gets room for many characters: a
        // driver that keeps characters whole gives nothing into a room too
        // small for the next one.
        const size_t rest = available >= 0 ? std::max<size_t>(told - counted, 1) : INITIAL_VARIABLE_BUFFER;
        Grow(total + std::min(rest, MOST_TRUSTED_GROWTH) + 1, total);
    }
    valueLength_ = total;
    buffer_[total] = '\0';
}

// REQUIRES: the column is not bound.
void CField::Grow(size_t needed, size_t keep) {
    // A piece shorter than its room leaves room enough for the next.
    if (needed <= bufferSize_) return;
    const size_t size = GrownCapacity(bufferSize_, needed, 0);
    std::unique_ptr<char[]> grown = std::make_unique<char[]>(size);
    std::memcpy(grown.get(), buffer_.get(), keep);
    buffer_ = std::move(grown);
    bufferSize_ = size;
}

// Fixed-width text arrives padded with blanks; only the space character is padding.
void CField::RemoveTrailingBlanks() {
    while (valueLength_ > 0 && buffer_[valueLength_ - 1] == ' ') buffer_[--valueLength_] = '\0';
}

void CField::Fail(const char* reason) {
    failed_ = true;
    valueLength_ = 0;
    if (reason != nullptr) {
        errorText_.Assign(reason);
        return;
    }
    errorText_ = GetDiagnosticText(SQL_HANDLE_STMT, statement_);
}
