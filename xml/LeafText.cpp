#include "xml/LeafText.h"

#include <charconv>
#include <cmath>

#include "ovardx/Error.h"

namespace ovardx::xml {

std::string DecimalText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    // Fixed notation of the largest double has 309 digits before the point;
    // the shortest round-trip of the smallest needs about 770 after it.
    char buffer[1100];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc()) RaiseRuntime(errnum::kOverflow, "the number cannot be written");
    return std::string(buffer, end);
}

std::string LeafText(const Variant& value, LeafType type) {
    switch (value.kind()) {
        case Variant::Kind::Empty: return {};
        case Variant::Kind::Bool: return value.ToBool() ? "true" : "false";
        case Variant::Kind::Integer: return value.ToText();
        case Variant::Kind::Double: return DecimalText(value.ToDouble());
        case Variant::Kind::Text: return value.ToText();
        case Variant::Kind::Date: {
            DateTime date = value.ToDate();
            return type == LeafType::Date && !date.HasTime() ? date.DateText() : date.ToXmlText();
        }
        case Variant::Kind::Bytes: return HexDigits(value.AsBytes());
        default: RaiseRuntime(errnum::kTypeMismatch, "the value is not a plain value");
    }
}

}  // namespace ovardx::xml
