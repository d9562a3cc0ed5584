#include "ovardx/DatabaseConnection.h"

#include "ovardx/Error.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

Recordset::Recordset(std::vector<std::string> columns, std::vector<std::vector<Variant>> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

std::int32_t Recordset::ColumnIndex(std::string_view name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (EqualsIgnoreCase(columns_[i], name)) return static_cast<std::int32_t>(i);
    RaiseRuntime(errnum::kItemNotFound, "no field '" + std::string(name) + "'");
}

const std::vector<Variant>& Recordset::CurrentRow() const {
    if (Bof() || Eof()) RaiseRuntime(errnum::kNoCurrentRecord);
    return rows_[static_cast<std::size_t>(position_)];
}

Field Recordset::Item(std::string_view name) const {
    std::int32_t index = ColumnIndex(name);
    return Field{columns_[index], CurrentRow()[index]};
}

Field Recordset::Item(std::int32_t position) const {
    if (position < 0 || position >= FieldCount())
        RaiseRuntime(errnum::kItemNotFound, "no field at position " + std::to_string(position));
    return Field{columns_[position], CurrentRow()[position]};
}

void Recordset::MoveNext() {
    if (Eof()) RaiseRuntime(errnum::kNoCurrentRecord);
    ++position_;
}

void Recordset::Close() {
    rows_.clear();
    position_ = 0;
}

}  // namespace ovardx
