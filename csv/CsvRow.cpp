#include "csv/CsvRow.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "csv/CsvDocument.h"
#include "csv/CsvField.h"
#include "text/NumberText.h"

void CCsvRow::Values::Clear() noexcept {
    for (Slot& slot : slots) slot.set = false;
    bytes.clear();
}

CCsvRow::CCsvRow(CCsvDocument& owner)
    : document(&owner),
      values(owner.LendValues()),
      nextColumn(0),
      exceptionsAtStart(std::uncaught_exceptions()) {}

CCsvRow::CCsvRow(CCsvDocument& owner, const char* line) : CCsvRow(owner) { ParseLine(line); }

CCsvRow::CCsvRow(CCsvRow&& other) noexcept
    : document(other.document),
      values(std::move(other.values)),
      nextColumn(other.nextColumn),
      exceptionsAtStart(other.exceptionsAtStart) {
    other.document = nullptr;
}

CCsvRow& CCsvRow::operator=(CCsvRow&& other) noexcept {
    if (this != &other) {
        End();
        document = other.document;
        values = std::move(other.values);
        nextColumn = other.nextColumn;
        exceptionsAtStart = other.exceptionsAtStart;
        other.document = nullptr;
    }
    return *this;
}

CCsvRow::~CCsvRow() { End(); }

// An exception on its way through (out of memory while the row was being
// filled) means the row could not be completed, so it is left out; a commit
// that runs out of memory here leaves the document as it was.
void CCsvRow::End() noexcept {
    if (std::uncaught_exceptions() > exceptionsAtStart) {
        Discard();
        return;
    }
    try {
        Commit();
    } catch (...) {
        Discard();
    }
}

void CCsvRow::StoreAt(size_t column, const char* value, size_t length) {
    std::vector<Values::Slot>& slots = values->slots;
    if (column >= slots.size()) {
        slots.resize(std::max(column + 1, document->ColumnCount()), Values::Slot{0, 0, false});
    }
    if (slots[column].set) return;
    // All the room first: a slot is marked set only once its value is stored whole.
    std::string& bytes = values->bytes;
    const size_t offset = bytes.size();
    bytes.reserve(offset + length + 1);
    bytes.append(value, length).push_back('\0');
    slots[column] = Values::Slot{offset, length, true};
}

void CCsvRow::SetValue(const char* name, const char* value) {
    SetValue(name, value, value == nullptr ? 0 : std::strlen(value));
}

void CCsvRow::SetValue(const char* name, const char* value, size_t length) {
    if (document == nullptr) return;
    size_t column = document->FindColumn(name, nextColumn);
    if (column == CCsvDocument::NO_COLUMN) {
        document->AddColumn(name);
        column = document->ColumnCount() - 1;
    }
    if (value == nullptr) value = "";
    StoreAt(column, value, length);
    nextColumn = column + 1;
}

const char* CCsvRow::GetValue(const char* name) const {
    if (document == nullptr) return "";
    size_t length = 0;
    return ValueAt(document->FindColumn(name, CCsvDocument::NO_COLUMN), length);
}

void CCsvRow::ParseLine(const char* line) {
    if (document == nullptr) return;
    values->Clear();
    if (IsLineBreakOrEnd(line[0])) return;

    const size_t knownColumns = document->ColumnCount();
    const char* separator = document->Separator();
    const char* cursor = line;
    CStr field;
    for (size_t position = 0; knownColumns == 0 || position < knownColumns; ++position) {
        if (*cursor == '\0') break;
        SplitField(cursor, field, separator);
        UnescapeField(field);
        size_t column = position;
        if (knownColumns == 0) {
            CStr name(document->DefaultColumnName());
            name.Append(IntToText(static_cast<int32_t>(position + 1)).Text());
            document->AddColumn(name.Text());
        } else {
            column = document->FirstWithName(position);
        }
        StoreAt(column, field.Text(), field.Length());
    }
}

bool CCsvRow::Commit() {
    if (document == nullptr) return true;
    const bool kept = document->AppendRow(*this);
    Discard();
    return kept;
}

void CCsvRow::Discard() noexcept {
    if (document == nullptr) return;
    document->TakeBackValues(std::move(values));
    document = nullptr;
}
