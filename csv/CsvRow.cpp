#include "csv/CsvRow.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "csv/CsvDocument.h"
#include "csv/CsvField.h"
#include "text/NumberText.h"

CCsvRow::CCsvRow(CCsvDocument& owner)
    : document_(&owner),
      values_(owner.LendValues()),
      nextColumn_(0),
      exceptionsAtStart_(std::uncaught_exceptions()) {}

CCsvRow::CCsvRow(CCsvDocument& owner, const char* line) : CCsvRow(owner) { ParseLine(line); }

CCsvRow::CCsvRow(CCsvRow&& other) noexcept
    : document_(other.document_),
      values_(std::move(other.values_)),
      nextColumn_(other.nextColumn_),
      exceptionsAtStart_(other.exceptionsAtStart_) {
    other.document_ = nullptr;
}

CCsvRow& CCsvRow::operator=(CCsvRow&& other) noexcept {
    if (this != &other) {
        End();
        document_ = other.document_;
        values_ = std::move(other.values_);
        nextColumn_ = other.nextColumn_;
        exceptionsAtStart_ = other.exceptionsAtStart_;
        other.document_ = nullptr;
    }
    return *this;
}

CCsvRow::~CCsvRow() { End(); }

// An exception on its way through (out of memory while the row was being
// filled) means the row could not be completed, so it is left out; a commit
// that runs out of memory here leaves the document as it was.
void CCsvRow::End() noexcept {
    if (document_ == nullptr) return;
    if (std::uncaught_exceptions() > exceptionsAtStart_) {
        Discard();
        return;
    }
    try {
        Commit();
    } catch (...) {
        Discard();
    }
}

void CCsvRow::AddSlots(size_t column) {
    values_->slots.resize(std::max(column + 1, document_->ColumnCount()), Values::Slot{0, 0, 0});
}

// Every value of an export is stored here.
inline void CCsvRow::StoreAt(size_t column, const char* value, size_t length) {
    Values& values = *values_;
    if (column >= values.slots.size()) AddSlots(column);
    Values::Slot& slot = values.slots[column];
    if (values.Holds(slot)) return;
    // All the room first: a slot is marked set only once its value is stored whole.
    const size_t offset = values.bytes.Length();
    char* const at = values.bytes.AppendRoom(length + 1);
    *PutBytes(at, value, length) = '\0';
    values.bytes.Extend(length + 1);
    slot = Values::Slot{offset, length, values.row};
    if (column == values.inOrder) ++values.inOrder;
}

void CCsvRow::SetValue(const char* name, const char* value) {
    SetValue(name, value, value == nullptr ? 0 : std::strlen(value));
}

void CCsvRow::SetValue(const char* name, const char* value, size_t length) {
    if (document_ == nullptr) return;
    size_t column = document_->FindColumn(name, nextColumn_);
    if (column == CCsvDocument::NO_COLUMN) {
        document_->AddColumn(name);
        column = document_->ColumnCount() - 1;
    }
    if (value == nullptr) value = "";
    StoreAt(column, value, length);
    nextColumn_ = column + 1;
}

const char* CCsvRow::GetValue(const char* name) const {
    if (document_ == nullptr) return "";
    size_t length = 0;
    return ValueAt(document_->FindColumn(name, CCsvDocument::NO_COLUMN), length);
}

void CCsvRow::ParseLine(const char* line) {
    if (document_ == nullptr) return;
    values_->Clear();
    if (IsLineBreakOrEnd(line[0])) return;

    const size_t knownColumns = document_->ColumnCount();
    const char* separator = document_->Separator();
    const char* cursor = line;
    CStr field;
    for (size_t position = 0; knownColumns == 0 || position < knownColumns; ++position) {
        if (*cursor == '\0') break;
        SplitField(cursor, field, separator);
        UnescapeField(field);
        size_t column = position;
        if (knownColumns == 0) {
            CStr name(document_->DefaultColumnName());
            name.Append(IntToText(static_cast<int32_t>(position + 1)).Text());
            document_->AddColumn(name.Text());
        } else {
            column = document_->FirstWithName(position);
        }
        StoreAt(column, field.Text(), field.Length());
    }
}

bool CCsvRow::Commit() {
    if (document_ == nullptr) return true;
    const bool kept = document_->AppendRow(*this);
    Discard();
    return kept;
}

void CCsvRow::Discard() noexcept {
    if (document_ == nullptr) return;
    document_->TakeBackValues(std::move(values_));
    document_ = nullptr;
}
