#ifndef QUILLET_CSV_CSVROW_H
#define QUILLET_CSV_CSVROW_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "text/TextBuffer.h"

class CCsvDocument;

// One row of a CSV document: text values stored by column name. Ending the
// row (Commit, or its destructor) appends its line to the document, once.
// A row must end before its document does. Movable, not copyable.
//
// Commit reports running out of memory (std::bad_alloc, the document keeps
// only its earlier lines, the row stays open); the destructor and the move
// assignment are only the fallback and never throw: a line they cannot store
// is dropped, and so is a row that ends while an exception unwinds.
//
// Values live in storage the row borrows from its document and gives back
// when it commits, so a steady stream of rows allocates nothing; a committed
// row therefore holds no values any more.
class CCsvRow {
public:
    // Per-column value slots and the bytes they point into, each value
    // NUL-terminated; reused from row to row.
    struct Values {
        struct Slot {
            size_t offset;
            size_t length;
            uint64_t row;  // the row whose value this is
        };
        std::vector<Slot> slots;
        CTextBuffer bytes;
        // Clearing counts rows on rather than visiting every slot.
        uint64_t row = 1;
        // The values stored from the first column on, each in the next
        // column right after the one before: when every column's value was,
        // the bytes hold the row's values one after the other.
        size_t inOrder = 0;

        bool Holds(const Slot& slot) const { return slot.row == row; }
        void Clear() noexcept {
            ++row;
            inOrder = 0;
            bytes.Truncate(0);
        }
    };

    explicit CCsvRow(CCsvDocument& owner);
    CCsvRow(CCsvDocument& owner, const char* line);
    CCsvRow(CCsvRow&& other) noexcept;
    CCsvRow& operator=(CCsvRow&& other) noexcept;
    CCsvRow(const CCsvRow&) = delete;
    CCsvRow& operator=(const CCsvRow&) = delete;
    ~CCsvRow();

    // A name the document has not seen becomes its last column. The first
    // value stored under a name in this row stays. A null value is empty.
    // REQUIRES: name is non-null. Does nothing on a committed row.
    void SetValue(const char* name, const char* value);
    // The same for a value of length bytes, which may hold NUL bytes.
    void SetValue(const char* name, const char* value, size_t length);
    // The value stored under the name, or "" when there is none; valid
    // while the row is unchanged.
    const char* GetValue(const char* name) const;
    // The value stored for the column at this position, or "" (length 0).
    const char* ValueAt(size_t column, size_t& length) const {
        length = 0;
        if (values_ == nullptr || column >= values_->slots.size()) return "";
        const Values::Slot& slot = values_->slots[column];
        if (!values_->Holds(slot)) return "";
        length = slot.length;
        return values_->bytes.Text() + slot.offset;
    }
    // The bytes of all values stored, at least their lengths' sum.
    size_t StoredBytes() const { return values_ == nullptr ? 0 : values_->bytes.Length(); }
    // The values stored, null in a committed row. Valid while the row is unchanged.
    const Values* StoredValues() const { return values_.get(); }
    // Replaces the values by the fields of one CSV line: by position onto the
    // document's columns when it has any (extra fields are ignored), otherwise
    // under new columns Field1, Field2, ... A separator right before the end of
    // the text gives no last field; one right before a line break gives an
    // empty one.
    void ParseLine(const char* line);
    // False when the document could not keep the line (see its AppendRow);
    // the row has ended all the same.
    bool Commit();
    // Ends the row without appending its line, for a row that cannot be completed.
    void Discard() noexcept;

private:
    void StoreAt(size_t column, const char* value, size_t length);
    void AddSlots(size_t column);
    void End() noexcept;

    CCsvDocument* document_;
    std::unique_ptr<Values> values_;
    // Rows usually store their values in column order, so the column after
    // the previous one is tried before the document's name index.
    size_t nextColumn_;
    // std::uncaught_exceptions() when the row began: more at its end means unwinding.
    int exceptionsAtStart_;
};

#endif
