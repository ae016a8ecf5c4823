#include "csv/CsvRow.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "csv/CsvDocument.h"
#include "csv/CsvField.h"
#include "text/NumberText.h"

void CCsvRow::Values::Clear() {
    for (Slot& slot : slots) slot.set = false;
    bytes.clear();
}

CCsvRow::CCsvRow(CCsvDocument& owner)
    : document(&owner), values(owner.LendValues()), nextColumn(0) {}

CCsvRow::CCsvRow(CCsvDocument& owner, const char* line) : CCsvRow(owner) { ParseLine(line); }

CCsvRow::CCsvRow(CCsvRow&& other) noexcept
    : document(other.document), values(std::move(other.values)), nextColumn(other.nextColumn) {
    other.document = nullptr;
}

CCsvRow& CCsvRow::operator=(CCsvRow&& other) noexcept {
    if (this != &other) {
        Commit();
        document = other.document;
        values = std::move(other.values);
        nextColumn = other.nextColumn;
        other.document = nullptr;
    }
    return *this;
}

CCsvRow::~CCsvRow() { Commit(); }

void CCsvRow::StoreAt(size_t column, const char* value, size_t length) {
    std::vector<Values::Slot>& slots = values->slots;
    if (column >= slots.size()) {
        slots.resize(std::max(column + 1, document->ColumnCount()), Values::Slot{0, 0, false});
    }
    Values::Slot& slot = slots[column];
    if (slot.set) return;
    slot = Values::Slot{values->bytes.size(), length, true};
    values->bytes.append(value, length);
    values->bytes.push_back('\0');
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

const char* CCsvRow::ValueAt(size_t column, size_t& length) const {
    length = 0;
    if (values == nullptr || column >= values->slots.size()) return "";
    const Values::Slot& slot = values->slots[column];
    if (!slot.set) return "";
    length = slot.length;
    return values->bytes.data() + slot.offset;
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

void CCsvRow::Commit() {
    if (document == nullptr) return;
    document->AppendRow(*this);
    Discard();
}

void CCsvRow::Discard() {
    if (document == nullptr) return;
    document->TakeBackValues(std::move(values));
    document = nullptr;
}
