#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "ovardx/DateTime.h"
#include "ovardx/Export.h"

namespace ovardx {

class ValueDictionary;
class ValueVector;

using Bytes = std::vector<std::uint8_t>;

// One value of a record, a recordset field or an argument: null, empty, a
// Boolean, an integer, a double, UTF-8 text, a date-time, a byte array, a
// nested record or a list. Records and lists are held by reference, as the
// original object library held its objects.
//
// The To... conversions behave as the original run time's: a null raises
// "invalid use of Null" (94), text that is no number raises "type mismatch"
// (13), a number out of range raises "overflow" (6). They throw ovardx::Error.
class OVARDX_EXPORT Variant {
public:
    enum class Kind { Empty, Null, Bool, Integer, Double, Text, Date, Bytes, Record, List };

    Variant() = default;  // empty
    static Variant Null();

    Variant(bool value) : value_(value) {}
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    Variant(T value) : value_(static_cast<std::int64_t>(value)) {}
    Variant(double value) : value_(value) {}
    Variant(std::string value) : value_(std::move(value)) {}
    Variant(const char* value) : value_(std::string(value)) {}
    Variant(DateTime value) : value_(value) {}
    Variant(Bytes value) : value_(std::move(value)) {}
    Variant(std::shared_ptr<ValueDictionary> record);
    Variant(std::shared_ptr<ValueVector> list);

    Kind kind() const;
    bool IsNull() const { return kind() == Kind::Null; }
    bool IsEmpty() const { return kind() == Kind::Empty; }
    bool IsNumber() const { return kind() == Kind::Integer || kind() == Kind::Double; }

    std::string ToText() const;
    std::int16_t ToInt16() const;
    std::int32_t ToInt32() const;
    std::int64_t ToInt64() const;
    double ToDouble() const;
    bool ToBool() const;
    DateTime ToDate() const;

    // Typed access without conversion; a value of another kind raises 13
    // (424 for a missing record or list).
    const Bytes& AsBytes() const;
    std::shared_ptr<ValueDictionary> AsRecord() const;
    std::shared_ptr<ValueVector> AsList() const;

    // Deep equality: records and lists compare by content.
    friend OVARDX_EXPORT bool operator==(const Variant& a, const Variant& b);

private:
    struct NullTag {
        friend bool operator==(NullTag, NullTag) { return true; }
    };
    using Storage = std::variant<std::monostate, NullTag, bool, std::int64_t, double, std::string,
                                 DateTime, Bytes, std::shared_ptr<ValueDictionary>,
                                 std::shared_ptr<ValueVector>>;
    Storage value_;
};

// The bytes as two upper-case hexadecimal digits each, first byte first
// (no "0x" in front).
OVARDX_EXPORT std::string HexDigits(const Bytes& bytes);

// A readable rendering for diagnostics and tests: text as it is, null as
// "Null", byte arrays in 0x form, records and lists in braces.
OVARDX_EXPORT std::string Describe(const Variant& value);

}  // namespace ovardx
