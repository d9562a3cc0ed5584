#include "ovardx/ValueDictionary.h"

#include <algorithm>

#include "ovardx/Error.h"

namespace ovardx {

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

const ValueDictionary::Entry* ValueDictionary::Find(std::string_view key) const {
    for (const auto& entry : entries_)
        if (EqualsIgnoreCase(entry.first, key)) return &entry;
    return nullptr;
}

Variant ValueDictionary::GetValue(std::string_view key) const {
    if (const Entry* entry = Find(key)) return entry->second;
    RaiseRuntime(errnum::kInvalidProcedureCall, "the record has no key '" + std::string(key) + "'");
}

void ValueDictionary::SetValue(std::string_view key, Variant value) {
    if (const Entry* entry = Find(key)) {
        const_cast<Entry*>(entry)->second = std::move(value);
        return;
    }
    entries_.emplace_back(std::string(key), std::move(value));
}

void ValueDictionary::SetObject(std::string_view key, std::shared_ptr<ValueDictionary> record) {
    SetValue(key, Variant(std::move(record)));
}

void ValueDictionary::SetObject(std::string_view key, std::shared_ptr<ValueVector> list) {
    SetValue(key, Variant(std::move(list)));
}

bool ValueDictionary::HasKey(std::string_view key) const { return Find(key) != nullptr; }

Variant ValueDictionary::GetValueOr(std::string_view key, Variant defaultValue) const {
    if (const Entry* entry = Find(key)) return entry->second;
    return defaultValue;
}

bool operator==(const ValueDictionary& a, const ValueDictionary& b) { return a.entries_ == b.entries_; }

bool operator==(const ValueVector& a, const ValueVector& b) { return a.items_ == b.items_; }

}  // namespace ovardx
