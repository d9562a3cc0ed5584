#include "xml/LeafText.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "ovardx/Error.h"

namespace ovardx::xml {

namespace {

// Digits an xs:decimal validator counts: those of the integer part without
// its leading zeros, and all of the fraction.
int CountedDigits(std::string_view text) {
    int digits = 0;
    bool leading = true;
    for (char c : text) {
        if (c == '.') {
            leading = false;
            continue;
        }
        if (c < '0' || c > '9') continue;
        if (leading && c == '0') continue;
        leading = false;
        ++digits;
    }
    return digits;
}

// "1.2500" -> "1.25", "2.000" -> "2", "-0.000" -> "-0".
std::string WithoutTrailingZeros(std::string text) {
    if (text.find('.') == std::string::npos) return text;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string Fixed(double value, std::optional<int> fractionDigits) {
    // Fixed notation of the largest double has 309 digits before the point;
    // the shortest round-trip of the smallest needs about 770 after it.
    char buffer[1100];
    auto [end, ec] = fractionDigits
                         ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, *fractionDigits)
                         : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc()) RaiseRuntime(errnum::kOverflow, "the number cannot be written");
    return std::string(buffer, end);
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// What stands at the front of a text: a character XML 1.0 allows, a UTF-8
// sequence of a character it does not allow, or a byte that starts no UTF-8
// sequence; with the number of bytes it takes.
struct Front {
    enum class Kind { Allowed, Disallowed, NotUtf8 } kind;
    std::size_t length;
};

Front FrontOf(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
    const unsigned char first = byte(0);
    if (first < 0x80) {
        const bool allowed = first >= 0x20 || first == '\t' || first == '\n' || first == '\r';
        return {allowed ? Front::Kind::Allowed : Front::Kind::Disallowed, 1};
    }
    if (first >= 0xC2 && first <= 0xDF && continuation(1)) return {Front::Kind::Allowed, 2};
    if (first >= 0xE0 && first <= 0xEF && continuation(1) && continuation(2)) {
        const unsigned code = ((first & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
        if (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF)) return {Front::Kind::NotUtf8, 1};
        return {code == 0xFFFE || code == 0xFFFF ? Front::Kind::Disallowed : Front::Kind::Allowed, 3};
    }
    if (first >= 0xF0 && first <= 0xF4 && continuation(1) && continuation(2) && continuation(3)) {
        const unsigned code = ((first & 0x07u) << 18) | ((byte(1) & 0x3Fu) << 12) | ((byte(2) & 0x3Fu) << 6) |
                              (byte(3) & 0x3Fu);
        if (code >= 0x10000 && code <= 0x10FFFF) return {Front::Kind::Allowed, 4};
    }
    return {Front::Kind::NotUtf8, 1};
}

}  // namespace

std::string DecimalText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    std::string shortest = Fixed(value, std::nullopt);
    if (CountedDigits(shortest) <= kMaxDecimalDigits) return shortest;
    const std::size_t point = shortest.find('.');
    const std::string integerPart = shortest.substr(0, point);
    const int integerDigits = CountedDigits(integerPart);
    if (point == std::string::npos || integerDigits >= kMaxDecimalDigits) return shortest;
    return WithoutTrailingZeros(Fixed(value, kMaxDecimalDigits - integerDigits));
}

std::string XmlSafeText(std::string text) {
    std::string safe;
    std::size_t copied = 0;  // text before this offset is in safe (or needs nothing)
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte < 0x80) {  // most of any text
            ++at;
            continue;
        }
        const Front front = FrontOf(std::string_view(text).substr(at));
        if (front.kind == Front::Kind::Allowed) {
            at += front.length;
            continue;
        }
        // One replacement per disallowed character, and per byte that
        // starts no UTF-8 sequence.
        if (safe.empty()) safe.reserve(text.size() + 8);
        safe.append(text, copied, at - copied);
        safe.append(kReplacement);
        at += front.length;
        copied = at;
    }
    if (copied == 0) return text;
    safe.append(text, copied);
    return safe;
}

std::string LeafText(const Variant& value, LeafType type) {
    switch (value.kind()) {
        case Variant::Kind::Empty: return {};
        case Variant::Kind::Bool: return value.ToBool() ? "true" : "false";
        case Variant::Kind::Integer: return value.ToText();
        case Variant::Kind::Double: return DecimalText(value.ToDouble());
        case Variant::Kind::Text: return XmlSafeText(value.ToText());
        case Variant::Kind::Date: {
            DateTime date = value.ToDate();
            return type == LeafType::Date && !date.HasTime() ? date.DateText() : date.ToXmlText();
        }
        case Variant::Kind::Bytes: return HexDigits(value.AsBytes());
        default: RaiseRuntime(errnum::kTypeMismatch, "the value is not a plain value");
    }
}

}  // namespace ovardx::xml
