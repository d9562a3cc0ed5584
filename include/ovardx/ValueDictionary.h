#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ovardx/Export.h"
#include "ovardx/Variant.h"

namespace ovardx {

// One record: values under text keys, kept in the order in which the keys were
// first set (the XML writer writes them in that order). Keys compare without
// regard to ASCII letter case; setting a key that is present replaces its
// value in place.
class OVARDX_EXPORT ValueDictionary {
public:
    using Entry = std::pair<std::string, Variant>;

    // The value under key; an absent key raises error 5.
    Variant GetValue(std::string_view key) const;
    void SetValue(std::string_view key, Variant value);
    void SetObject(std::string_view key, std::shared_ptr<ValueDictionary> record);
    void SetObject(std::string_view key, std::shared_ptr<ValueVector> list);
    bool HasKey(std::string_view key) const;
    Variant GetValueOr(std::string_view key, Variant defaultValue) const;

    std::size_t Count() const { return entries_.size(); }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

    friend OVARDX_EXPORT bool operator==(const ValueDictionary& a, const ValueDictionary& b);

private:
    const Entry* Find(std::string_view key) const;
    std::vector<Entry> entries_;
};

// An ordered list of records (or of other values).
class OVARDX_EXPORT ValueVector {
public:
    std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
    void Add(Variant item) { items_.push_back(std::move(item)); }
    const Variant& operator[](std::size_t index) const { return items_.at(index); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    friend OVARDX_EXPORT bool operator==(const ValueVector& a, const ValueVector& b);

private:
    std::vector<Variant> items_;
};

// Convenience for building records: ValueDictionary held by reference.
inline std::shared_ptr<ValueDictionary> NewRecord() { return std::make_shared<ValueDictionary>(); }
inline std::shared_ptr<ValueVector> NewList() { return std::make_shared<ValueVector>(); }

// True when both texts are equal without regard to ASCII letter case.
OVARDX_EXPORT bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace ovardx
