#ifndef QUILLET_DB_FIELD_H
#define QUILLET_DB_FIELD_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "db/ValueType.h"
#include "text/Str.h"

// A result column as the driver describes it.
struct SColumnDescription {
    const char* name;
    int sqlType;
    size_t columnSize;
    bool isUnsigned;    // an integer column the driver marks unsigned
    bool storedText;  // fetch the driver's text of the stored value, whatever the type
};

// One result column of a record set: its name, the value type its SQL type
// maps to (db/ValueType.h), and the buffer holding the current row's value.
// Bound columns are filled by each fetch; the others are read with SQLGetData
// when first asked for in a row. No value is ever cut short: a value longer
// than the bound buffer is read whole and the buffer grows for later rows.
// Buffers are kept from row to row, so steady reading allocates nothing.
// Not copyable: the driver may hold the address of its buffer.
class CField {
public:
    // statement: the record set's ODBC statement, not owned. columnNumber counts from 1.
    CField(void* statement, unsigned short columnNumber, const SColumnDescription& column);
    CField(const CField&) = delete;
    CField& operator=(const CField&) = delete;
    virtual ~CField();

    // Whether the record set should bind the column. Values of unforeseeable
    // size are bound only when the driver lets a cut one be read again with
    // SQLGetData in any column order.
    bool WantsBinding(bool readsInAnyOrder) const;
    // Binds the buffer to the column; false leaves the column unbound.
    bool Bind();
    bool IsBound() const { return bound_; }
    // Called before every fetch: the value of the new row is not yet loaded.
    void ResetForRow() {
        loaded_ = false;
        indicator_ = UNWRITTEN_INDICATOR;
    }

    const char* GetName() const { return name_.Text(); }
    int GetValueType() const { return valueType_; }
    // Integer values are unsigned 64-bit values: read them with GetUnsigned.
    bool IsUnsigned() const { return isUnsigned_; }
    // Every value is the driver's text of what is stored (GetValue, GetLength),
    // whatever the value type says.
    bool IsStoredText() const { return storedText_; }

    // The accessors below load the current row's value on first use.
    bool IsNull() {
        Load();
        return isNull_;
    }
    // The buffer holding the value as its value type says; the empty text for
    // NULL and after a failed read. Valid until the next fetch.
    const char* GetValue();
    // REQUIRES: IsNull or GetValue was called for the current row.
    // Value bytes of a text or binary value (after blank removal), the C
    // value's size for fixed-size types, 0 for NULL and after a failed read.
    size_t GetLength() const { return valueLength_; }
    // REQUIRES: as for GetLength. The driver failed to deliver the value;
    // GetErrorText holds its diagnostics.
    bool ReadFailed() const { return failed_; }

    // The current value by its value type (db/ValueType.h).
    // REQUIRES: the value is not NULL, not failed and not stored text.
    int64_t GetInteger() { return isBit_ ? ReadAs<unsigned char>() : ReadAs<int64_t>(); }
    uint64_t GetUnsigned() { return ReadAs<uint64_t>(); }
    double GetDouble() { return isFloat_ ? static_cast<double>(ReadAs<float>()) : ReadAs<double>(); }
    SDateValue GetDate() { return ReadAs<SDateValue>(); }
    STimestampValue GetTimestamp() { return ReadAs<STimestampValue>(); }
    // The bytes of a text value (db/ValueType.h), or of any value when
    // IsStoredText, and their count; a NUL byte follows them. Valid until
    // the next fetch.
    // REQUIRES: the value is not NULL and not failed.
    const char* GetText(size_t& length);
    // The raw bytes of a binary value and their count.
    // REQUIRES: as for GetText.
    const unsigned char* GetBinary(size_t& length);

    CStr GetErrorText() const { return errorText_; }
    size_t GetBufferSize() const { return bufferSize_; }

private:
    // MariaDB's driver leaves the indicator of a bound BIT value that is not
    // NULL untouched, so every fetch starts from this mark: a NULL of an
    // earlier row never decides a later one, and a text whose length was not
    // written is read again whole.
    static constexpr std::ptrdiff_t UNWRITTEN_INDICATOR = -4;  // SQL_NO_TOTAL

    // Every row's values pass through here; only the first use in a row loads.
    void Load() {
        if (loaded_) return;
        // A bound value with a length the fetch wrote is all there when it
        // has a fixed size, or fits its buffer whole and keeps its blanks.
        if (bound_ && indicator_ >= 0) {
            const size_t length = static_cast<size_t>(indicator_);
            if (fixedSize_ != 0) {
                TakeLoaded(fixedSize_);
                return;
            }
            if (!removesTrailingBlanks_ && length < bufferSize_ && IsWholeBoundValue(length)) {
                buffer_[length] = '\0';
                TakeLoaded(length);
                return;
            }
        }
        LoadValue();
    }
    void TakeLoaded(size_t length) {
        loaded_ = true;
        isNull_ = false;
        failed_ = false;
        valueLength_ = length;
    }
    // A bound text ends at its terminator. One that ends before its length (a
    // piece shorter than its room, or a NUL byte of the value) is read again.
    bool IsWholeBoundValue(size_t length) const {
        return !isCharText_ || std::memchr(buffer_.get(), '\0', length + 1) == buffer_.get() + length;
    }
    void LoadValue();
    void TakeBoundValue();
    void RecoverCutValue(size_t expectedLength);
    void ReadFixedSize();
    void ReadPieces(size_t expectedLength);
    void Grow(size_t needed, size_t keep);
    void RemoveTrailingBlanks();
    // reason: the failure's text; the statement's diagnostics when null.
    void Fail(const char* reason = nullptr);
    // Bound buffers carry no alignment promise for the value they hold.
    template <typename T>
    T ReadAs() {
        Load();
        T value;
        std::memcpy(&value, buffer_.get(), sizeof value);
        return value;
    }

    void* statement_;
    unsigned short columnNumber_;
    CStr name_;
    short cType_;
    int valueType_;
    size_t fixedSize_;  // 0 for text and binary
    size_t columnSize_;
    bool removesTrailingBlanks_;
    bool isUnsigned_;
    bool storedText_;
    bool isBit_;    // an integer value held in one byte
    bool isFloat_;  // a real held in single precision
    bool isCharText_;  // held as C text, which ends at its first NUL byte
    bool bound_;
    std::unique_ptr<char[]> buffer_;
    size_t bufferSize_;
    std::ptrdiff_t indicator_;  // the fetch writes the length or NULL mark of a bound value here

    bool loaded_;
    bool isNull_;
    bool failed_;
    size_t valueLength_;
    CStr errorText_;
};

#endif
