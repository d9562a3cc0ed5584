#include "sqlite_backend/SqlServerConversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "object_library/Text.h"
#include "sqlite_backend/ProviderError.h"
#include "sqlite_backend/SqlServerStrings.h"

namespace ovardx::sqlite {

namespace {

using Family = SqlServerType::Family;

[[noreturn]] void Raise(std::string description) { RaiseProviderError(kStatementError, std::move(description)); }

std::string_view TargetName(Family family) {
    switch (family) {
        case Family::TinyInt: return "tinyint";
        case Family::SmallInt: return "smallint";
        case Family::Int: return "int";
        case Family::BigInt: return "bigint";
        case Family::Bit: return "bit";
        case Family::Decimal: return "numeric";
        case Family::Float: return "float";
        case Family::Real: return "real";
        case Family::NChar: return "nchar";
        case Family::NVarChar: return "nvarchar";
        default: return "varchar";
    }
}

[[noreturn]] void RaiseOverflow(Family family) {
    Raise("Arithmetic overflow error converting expression to data type " + std::string(TargetName(family)) + ".");
}

[[noreturn]] void RaiseTextConversion(Family family) {
    Raise("Conversion failed when converting text to data type " + std::string(TargetName(family)) + ".");
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool SameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) == y;
           });
}

// --- integers -----------------------------------------------------------------

std::int64_t CheckRange(std::int64_t value, Family family) {
    std::int64_t low = std::numeric_limits<std::int64_t>::min();
    std::int64_t high = std::numeric_limits<std::int64_t>::max();
    switch (family) {
        case Family::TinyInt: low = 0, high = 255; break;
        case Family::SmallInt: low = -32768, high = 32767; break;
        case Family::Int: low = std::numeric_limits<std::int32_t>::min(), high = std::numeric_limits<std::int32_t>::max(); break;
        case Family::Bit: return value != 0 ? 1 : 0;
        default: break;
    }
    if (value < low || value > high) RaiseOverflow(family);
    return value;
}

std::int64_t IntegerFromText(std::string_view text, Family family) {
    text = TrimBlanks(text);
    if (family == Family::Bit) {
        if (SameNoCase(text, "true")) return 1;
        if (SameNoCase(text, "false")) return 0;
    }
    if (text.empty()) return 0;
    const bool negative = text.front() == '-';
    if (text.front() == '+' || text.front() == '-') text.remove_prefix(1);
    if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit)) RaiseTextConversion(family);
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    constexpr auto kLimit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (error != std::errc() || magnitude > kLimit + (negative ? 1 : 0)) RaiseOverflow(family);
    if (negative) return magnitude == kLimit + 1 ? std::numeric_limits<std::int64_t>::min()
                                                 : -static_cast<std::int64_t>(magnitude);
    return static_cast<std::int64_t>(magnitude);
}

std::int64_t IntegerFromReal(double value, Family family) {
    if (family == Family::Bit) return value != 0.0 ? 1 : 0;
    const double truncated = std::trunc(value);
    if (!std::isfinite(truncated) || truncated < -9.223372036854775808e18 || truncated >= 9.223372036854775808e18)
        RaiseOverflow(family);
    return CheckRange(static_cast<std::int64_t>(truncated), family);
}

// --- decimals -----------------------------------------------------------------

// A decimal number as text: sign, integer digits, fraction digits.
struct DecimalText {
    bool negative = false;
    std::string integer;
    std::string fraction;
};

std::optional<DecimalText> ReadDecimal(std::string_view text) {
    DecimalText number;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        number.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t dot = text.find('.');
    number.integer = std::string(text.substr(0, dot));
    if (dot != std::string_view::npos) number.fraction = std::string(text.substr(dot + 1));
    const auto digits = [](const std::string& part) { return std::all_of(part.begin(), part.end(), IsDigit); };
    if (!digits(number.integer) || !digits(number.fraction) || (number.integer.empty() && number.fraction.empty()))
        return std::nullopt;
    return number;
}

// Rounds half away from zero to `scale` places; nothing when more than
// precision-scale integer digits remain.
std::optional<double> RoundDecimal(DecimalText number, int precision, int scale) {
    const auto places = static_cast<std::size_t>(scale);
    bool carry = number.fraction.size() > places && number.fraction[places] >= '5';
    number.fraction.resize(places, '0');
    std::string digits = number.integer + number.fraction;
    for (std::size_t i = digits.size(); carry && i-- > 0;) {
        carry = digits[i] == '9';
        digits[i] = carry ? '0' : static_cast<char>(digits[i] + 1);
    }
    if (carry) digits.insert(digits.begin(), '1');
    std::string integer = digits.substr(0, digits.size() - places);
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
    if (integer.size() > static_cast<std::size_t>(precision - scale)) return std::nullopt;
    const std::string text = (number.negative ? "-" : "") + (integer.empty() ? "0" : integer) + "." +
                             digits.substr(digits.size() - places);
    const double value = std::strtod(text.c_str(), nullptr);
    return value == 0.0 ? 0.0 : value;  // no -0
}

double DecimalFromReal(double value, const SqlServerType& target) {
    if (!std::isfinite(value)) RaiseOverflow(Family::Decimal);
    // The shortest text that reads back as the same double: 2.675 stays
    // 2.675 and rounds to 2.68, as the exact decimal does on the server.
    char buffer[400];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (error != std::errc()) RaiseOverflow(Family::Decimal);
    const auto number = ReadDecimal(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
    const auto rounded = number ? RoundDecimal(*number, target.precision, target.scale) : std::nullopt;
    if (!rounded) RaiseOverflow(Family::Decimal);
    return *rounded;
}

double DecimalFromText(std::string_view text, const SqlServerType& target) {
    const auto number = ReadDecimal(TrimBlanks(text));
    if (!number) Raise("Error converting data type varchar to numeric.");
    const auto rounded = RoundDecimal(*number, target.precision, target.scale);
    if (!rounded) Raise("Arithmetic overflow error converting varchar to data type numeric.");
    return *rounded;
}

// --- floats -------------------------------------------------------------------

double FloatFromText(std::string_view text, Family family) {
    text = TrimBlanks(text);
    if (text.empty()) return 0.0;
    // Digits, one point, an exponent with digits: nothing strtod would
    // read beyond that (hex, inf, nan).
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits > 0 && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        const std::size_t exponentStart = i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        if (i == exponentStart) digits = 0;
    }
    if (digits == 0 || i != text.size()) Raise("Error converting data type varchar to float.");
    const double value = std::strtod(std::string(text).c_str(), nullptr);
    if (!std::isfinite(value)) RaiseOverflow(family);
    return value;
}

double Narrowed(double value, Family family) {
    if (family != Family::Real) return value;
    if (std::abs(value) > std::numeric_limits<float>::max()) RaiseOverflow(family);
    return static_cast<double>(static_cast<float>(value));
}

// --- text ---------------------------------------------------------------------

bool IsNarrow(Family family) { return family == Family::Char || family == Family::VarChar; }
bool IsPadded(Family family) { return family == Family::Char || family == Family::NChar; }

std::string FitText(std::string text, const SqlServerType& target) {
    if (IsNarrow(target.family) &&
        std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        Raise("Cannot convert text with characters beyond ASCII to " + std::string(TargetName(target.family)) +
              " exactly; convert to nvarchar instead.");
    }
    if (target.length == SqlServerType::kMax) return text;
    const auto length = static_cast<std::size_t>(target.length);
    text = std::string(FirstCharacters(text, length));
    if (IsPadded(target.family)) text.append(length - std::min(length, CharacterCount(text)), ' ');
    return text;
}

std::string TextFromInteger(std::int64_t value, const SqlServerType& target) {
    std::string digits = std::to_string(value);
    if (target.length != SqlServerType::kMax && digits.size() > static_cast<std::size_t>(target.length)) {
        if (!IsNarrow(target.family)) RaiseOverflow(target.family);
        digits = "*";
    }
    return FitText(std::move(digits), target);
}

std::string TextFromDate(const std::string& text, int style, const SqlServerType& target) {
    const DateTime date = ConvertTextToDate(text, {DateType::DateTime2, 3});
    const auto formatted = FormatDateStyle(date, style);
    if (!formatted) Raise("CONVERT style " + std::to_string(style) + " is not supported for dates.");
    return FitText(*formatted, target);
}

// --- by target ------------------------------------------------------------------

SqlValue ToDate(const SqlServerType& target, const SqlValue& value, std::optional<int> style, DateText source) {
    const DateTypeInfo info = target.DateInfo();
    if (const auto* text = std::get_if<std::string>(&value)) {
        if (style && !IsIsoInputStyle(*style))
            Raise("CONVERT style " + std::to_string(*style) + " is not supported for text to dates.");
        return CanonicalDateText(ConvertTextToDate(*text, info, source));
    }
    const double days = std::holds_alternative<std::int64_t>(value) ? static_cast<double>(std::get<std::int64_t>(value))
                                                                     : std::get<double>(value);
    return CanonicalDateText(ConvertDaysToDate(days, info));
}

SqlValue ToInteger(const SqlServerType& target, const SqlValue& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&value)) return CheckRange(*integer, target.family);
    if (const auto* real = std::get_if<double>(&value)) return IntegerFromReal(*real, target.family);
    return CheckRange(IntegerFromText(std::get<std::string>(value), target.family), target.family);
}

SqlValue ToDecimal(const SqlServerType& target, const SqlValue& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        return DecimalFromText(std::to_string(*integer), target);
    if (const auto* real = std::get_if<double>(&value)) return DecimalFromReal(*real, target);
    return DecimalFromText(std::get<std::string>(value), target);
}

SqlValue ToFloat(const SqlServerType& target, const SqlValue& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        return Narrowed(static_cast<double>(*integer), target.family);
    if (const auto* real = std::get_if<double>(&value)) return Narrowed(*real, target.family);
    return Narrowed(FloatFromText(std::get<std::string>(value), target.family), target.family);
}

SqlValue ToText(const SqlServerType& target, const SqlValue& value, std::optional<int> style) {
    if (style) {
        if (const auto* text = std::get_if<std::string>(&value)) return TextFromDate(*text, *style, target);
        Raise("CONVERT with a style needs a date.");
    }
    if (const auto* integer = std::get_if<std::int64_t>(&value)) return TextFromInteger(*integer, target);
    if (std::holds_alternative<double>(value))
        Raise("Cannot reproduce SQL Server's text for a number with a fraction; convert it to a decimal type first.");
    return FitText(std::get<std::string>(value), target);
}

}  // namespace

SqlValue ConvertValue(const SqlServerType& target, const SqlValue& value, std::optional<int> style,
                      DateText source) {
    if (std::holds_alternative<std::nullptr_t>(value)) return nullptr;
    if (target.IsDate()) return ToDate(target, value, style, source);
    if (target.IsText()) return ToText(target, value, style);
    if (style && *style != 0) Raise("CONVERT with a style is supported only between dates and text.");
    if (target.IsInteger()) return ToInteger(target, value);
    if (target.family == Family::Decimal) return ToDecimal(target, value);
    return ToFloat(target, value);
}

}  // namespace ovardx::sqlite
