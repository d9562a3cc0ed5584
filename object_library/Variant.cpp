#include "ovardx/Variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "ovardx/Error.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

namespace {

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Numeric text as the run time reads it: optional blanks, sign, digits,
// decimal point, exponent. Anything else is a type mismatch.
double ParseNumber(const std::string& text) {
    std::string_view trimmed = TrimSpaces(text);
    if (!trimmed.empty() && trimmed.front() == '+') trimmed.remove_prefix(1);
    // Only digits, sign, point and exponent: "nan" and "inf" are no numbers.
    const bool plainNumber = !trimmed.empty() && trimmed.find_first_not_of("0123456789+-.eE") == std::string_view::npos;
    double value = 0;
    auto [end, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
    if (!plainNumber || end != trimmed.data() + trimmed.size() ||
        (ec != std::errc() && ec != std::errc::result_out_of_range))
        RaiseRuntime(errnum::kTypeMismatch, "'" + text + "' is not a number");
    if (ec == std::errc::result_out_of_range) RaiseRuntime(errnum::kOverflow, "'" + text + "' is out of range");
    return value;
}

// Rounds half to even, as the run time's integer conversions do.
std::int64_t RoundToInteger(double value, double low, double high) {
    double rounded = std::nearbyint(value);
    if (std::isnan(rounded) || rounded < low || rounded > high) RaiseRuntime(errnum::kOverflow);
    return static_cast<std::int64_t>(rounded);
}

template <class Int>
Int CheckedInteger(std::int64_t value) {
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
        RaiseRuntime(errnum::kOverflow);
    return static_cast<Int>(value);
}

std::string DoubleText(double value) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, end);
}

}  // namespace

Variant Variant::Null() {
    Variant v;
    v.value_ = NullTag{};
    return v;
}

Variant::Variant(std::shared_ptr<ValueDictionary> record) : value_(std::move(record)) {}
Variant::Variant(std::shared_ptr<ValueVector> list) : value_(std::move(list)) {}

Variant::Kind Variant::kind() const { return static_cast<Kind>(value_.index()); }

std::string Variant::ToText() const {
    switch (kind()) {
        case Kind::Empty: return {};
        case Kind::Null: RaiseRuntime(errnum::kInvalidUseOfNull);
        case Kind::Bool: return std::get<bool>(value_) ? "True" : "False";
        case Kind::Integer: return std::to_string(std::get<std::int64_t>(value_));
        case Kind::Double: return DoubleText(std::get<double>(value_));
        case Kind::Text: return std::get<std::string>(value_);
        case Kind::Date: return std::get<DateTime>(value_).ToText();
        default: RaiseRuntime(errnum::kTypeMismatch, "value cannot be read as text");
    }
}

std::int64_t Variant::ToInt64() const {
    constexpr double kLow = -9223372036854775808.0;
    constexpr double kHigh = 9223372036854774784.0;  // largest double below 2^63
    switch (kind()) {
        case Kind::Empty: return 0;
        case Kind::Null: RaiseRuntime(errnum::kInvalidUseOfNull);
        case Kind::Bool: return std::get<bool>(value_) ? -1 : 0;
        case Kind::Integer: return std::get<std::int64_t>(value_);
        case Kind::Double: return RoundToInteger(std::get<double>(value_), kLow, kHigh);
        case Kind::Text: return RoundToInteger(ParseNumber(std::get<std::string>(value_)), kLow, kHigh);
        default: RaiseRuntime(errnum::kTypeMismatch, "value cannot be read as a number");
    }
}

std::int16_t Variant::ToInt16() const { return CheckedInteger<std::int16_t>(ToInt64()); }
std::int32_t Variant::ToInt32() const { return CheckedInteger<std::int32_t>(ToInt64()); }

double Variant::ToDouble() const {
    switch (kind()) {
        case Kind::Empty: return 0;
        case Kind::Null: RaiseRuntime(errnum::kInvalidUseOfNull);
        case Kind::Bool: return std::get<bool>(value_) ? -1 : 0;
        case Kind::Integer: return static_cast<double>(std::get<std::int64_t>(value_));
        case Kind::Double: return std::get<double>(value_);
        case Kind::Text: return ParseNumber(std::get<std::string>(value_));
        default: RaiseRuntime(errnum::kTypeMismatch, "value cannot be read as a number");
    }
}

bool Variant::ToBool() const {
    switch (kind()) {
        case Kind::Empty: return false;
        case Kind::Null: RaiseRuntime(errnum::kInvalidUseOfNull);
        case Kind::Bool: return std::get<bool>(value_);
        case Kind::Integer: return std::get<std::int64_t>(value_) != 0;
        case Kind::Double: return std::get<double>(value_) != 0;
        case Kind::Text: {
            const std::string& text = std::get<std::string>(value_);
            std::string_view trimmed = TrimSpaces(text);
            if (EqualsIgnoreCase(trimmed, "true")) return true;
            if (EqualsIgnoreCase(trimmed, "false")) return false;
            return ParseNumber(text) != 0;
        }
        default: RaiseRuntime(errnum::kTypeMismatch, "value cannot be read as a Boolean");
    }
}

DateTime Variant::ToDate() const {
    switch (kind()) {
        case Kind::Null: RaiseRuntime(errnum::kInvalidUseOfNull);
        case Kind::Date: return std::get<DateTime>(value_);
        case Kind::Text: {
            const std::string& text = std::get<std::string>(value_);
            if (auto date = DateTime::Parse(text)) return *date;
            RaiseRuntime(errnum::kTypeMismatch, "'" + text + "' is not a date");
        }
        default: RaiseRuntime(errnum::kTypeMismatch, "value cannot be read as a date");
    }
}

const Bytes& Variant::AsBytes() const {
    if (kind() == Kind::Null) RaiseRuntime(errnum::kInvalidUseOfNull);
    if (kind() != Kind::Bytes) RaiseRuntime(errnum::kTypeMismatch, "value is not a byte array");
    return std::get<Bytes>(value_);
}

std::shared_ptr<ValueDictionary> Variant::AsRecord() const {
    if (kind() != Kind::Record) RaiseRuntime(errnum::kObjectRequired, "value is not a record");
    auto record = std::get<std::shared_ptr<ValueDictionary>>(value_);
    if (!record) RaiseRuntime(errnum::kObjectRequired, "record is missing");
    return record;
}

std::shared_ptr<ValueVector> Variant::AsList() const {
    if (kind() != Kind::List) RaiseRuntime(errnum::kObjectRequired, "value is not a list");
    auto list = std::get<std::shared_ptr<ValueVector>>(value_);
    if (!list) RaiseRuntime(errnum::kObjectRequired, "list is missing");
    return list;
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.kind() != b.kind()) return false;
    switch (a.kind()) {
        case Variant::Kind::Record: {
            const auto& x = std::get<std::shared_ptr<ValueDictionary>>(a.value_);
            const auto& y = std::get<std::shared_ptr<ValueDictionary>>(b.value_);
            return x == y || (x && y && *x == *y);
        }
        case Variant::Kind::List: {
            const auto& x = std::get<std::shared_ptr<ValueVector>>(a.value_);
            const auto& y = std::get<std::shared_ptr<ValueVector>>(b.value_);
            return x == y || (x && y && *x == *y);
        }
        default: return a.value_ == b.value_;
    }
}

std::string HexDigits(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * bytes.size());
    for (std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::string Describe(const Variant& value) {
    switch (value.kind()) {
        case Variant::Kind::Empty: return "Empty";
        case Variant::Kind::Null: return "Null";
        case Variant::Kind::Bytes: return "0x" + HexDigits(value.AsBytes());
        case Variant::Kind::Record: {
            std::string text = "{";
            for (const auto& [key, item] : *value.AsRecord()) {
                if (text.size() > 1) text += ", ";
                text += key + ": " + Describe(item);
            }
            return text + "}";
        }
        case Variant::Kind::List: {
            std::string text = "[";
            for (const auto& item : *value.AsList()) {
                if (text.size() > 1) text += ", ";
                text += Describe(item);
            }
            return text + "]";
        }
        default: return value.ToText();
    }
}

}  // namespace ovardx
