#include "sqlite_backend/SqlServerTypes.h"

#include <array>
#include <charconv>
#include <vector>

namespace ovardx::sqlite {

namespace {

using Family = SqlServerType::Family;

struct FamilyName {
    std::string_view name;
    Family family;
};

constexpr std::array kFamilies{
    FamilyName{"datetime", Family::DateTime}, FamilyName{"smalldatetime", Family::SmallDateTime},
    FamilyName{"date", Family::Date},         FamilyName{"datetime2", Family::DateTime2},
    FamilyName{"tinyint", Family::TinyInt},   FamilyName{"smallint", Family::SmallInt},
    FamilyName{"int", Family::Int},           FamilyName{"bigint", Family::BigInt},
    FamilyName{"bit", Family::Bit},           FamilyName{"decimal", Family::Decimal},
    FamilyName{"numeric", Family::Decimal},   FamilyName{"float", Family::Float},
    FamilyName{"real", Family::Real},         FamilyName{"char", Family::Char},
    FamilyName{"varchar", Family::VarChar},   FamilyName{"nchar", Family::NChar},
    FamilyName{"nvarchar", Family::NVarChar},
};

std::string_view NameOf(Family family) {
    for (const FamilyName& entry : kFamilies) {
        if (entry.family == family) return entry.name;
    }
    return {};
}

// Lower case, blanks removed.
std::string Normalized(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

bool SqlServerType::IsDate() const {
    return family == Family::DateTime || family == Family::SmallDateTime || family == Family::Date ||
           family == Family::DateTime2;
}

bool SqlServerType::IsText() const {
    return family == Family::Char || family == Family::VarChar || family == Family::NChar ||
           family == Family::NVarChar;
}

bool SqlServerType::IsInteger() const {
    return family == Family::TinyInt || family == Family::SmallInt || family == Family::Int ||
           family == Family::BigInt || family == Family::Bit;
}

DateTypeInfo SqlServerType::DateInfo() const {
    switch (family) {
        case Family::SmallDateTime: return {DateType::SmallDateTime, 0};
        case Family::Date: return {DateType::Date, 0};
        case Family::DateTime2: return {DateType::DateTime2, precision};
        default: return {DateType::DateTime, 3};
    }
}

std::string SqlServerType::ToText() const {
    std::string text(NameOf(family));
    if (family == Family::Decimal) {
        text += "(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
    } else if (family == Family::DateTime2) {
        text += "(" + std::to_string(precision) + ")";
    } else if (IsText()) {
        text += length == kMax ? std::string("(max)") : "(" + std::to_string(length) + ")";
    }
    return text;
}

std::optional<SqlServerType> SqlServerType::Parse(std::string_view text) {
    const std::string normalized = Normalized(text);
    const std::size_t open = normalized.find('(');
    const std::string_view name = std::string_view(normalized).substr(0, open);
    std::vector<std::string_view> arguments;
    if (open != std::string::npos) {
        if (normalized.back() != ')') return std::nullopt;
        std::string_view inside = std::string_view(normalized).substr(open + 1, normalized.size() - open - 2);
        while (true) {
            const std::size_t comma = inside.find(',');
            arguments.push_back(inside.substr(0, comma));
            if (comma == std::string_view::npos) break;
            inside.remove_prefix(comma + 1);
        }
    }
    SqlServerType type;
    bool known = false;
    for (const FamilyName& entry : kFamilies) {
        if (entry.name == name) {
            type.family = entry.family;
            known = true;
        }
    }
    if (!known) return std::nullopt;

    if (type.family == Family::Decimal) {
        type.precision = 18;
        if (arguments.size() > 2) return std::nullopt;
        if (!arguments.empty()) {
            const auto precision = Number(arguments[0]);
            const auto scale = arguments.size() == 2 ? Number(arguments[1]) : std::optional<int>(0);
            if (!precision || !scale || *precision < 1 || *precision > 38 || *scale < 0 || *scale > *precision)
                return std::nullopt;
            type.precision = *precision;
            type.scale = *scale;
        }
        return type;
    }
    if (type.family == Family::DateTime2) {
        type.precision = 7;
        if (arguments.size() > 1) return std::nullopt;
        if (arguments.size() == 1) {
            const auto precision = Number(arguments[0]);
            if (!precision || *precision < 0 || *precision > 7) return std::nullopt;
            type.precision = *precision;
        }
        return type;
    }
    if (type.IsText()) {
        if (arguments.size() > 1) return std::nullopt;
        if (arguments.size() == 1) {
            const bool wide = type.family == Family::NChar || type.family == Family::NVarChar;
            const bool variable = type.family == Family::VarChar || type.family == Family::NVarChar;
            if (arguments[0] == "max" && variable) {
                type.length = kMax;
            } else {
                const auto length = Number(arguments[0]);
                if (!length || *length < 1 || *length > (wide ? 4000 : 8000)) return std::nullopt;
                type.length = *length;
            }
        }
        return type;
    }
    if (!arguments.empty()) return std::nullopt;
    return type;
}

}  // namespace ovardx::sqlite
