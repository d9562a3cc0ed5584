#include "sqlite_backend/SqlServerDates.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "object_library/Text.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::sqlite {

namespace {

using namespace std::chrono;

constexpr std::int64_t kMsPerSecond = 1000;
constexpr std::int64_t kMsPerMinute = 60 * kMsPerSecond;
constexpr std::int64_t kMsPerHour = 60 * kMsPerMinute;
constexpr std::int64_t kMsPerDay = 24 * kMsPerHour;

constexpr const char* kTextConversionFailed =
    "Conversion failed when converting date and/or time from character string.";

std::int64_t DayNumber(int year, int month, int day) {
    return sys_days{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                    std::chrono::day{static_cast<unsigned>(day)}}
        .time_since_epoch()
        .count();
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Milliseconds since 1970-01-01 00:00, negative before.
std::int64_t ToMs(const DateTime& v) {
    return DayNumber(v.Year, v.Month, v.Day) * kMsPerDay + v.Hour * kMsPerHour + v.Minute * kMsPerMinute +
           v.Second * kMsPerSecond + v.Millisecond;
}

DateTime FromMs(std::int64_t ms) {
    const std::int64_t day = FloorDiv(ms, kMsPerDay);
    std::int64_t rest = ms - day * kMsPerDay;
    const year_month_day date{sys_days{days{day}}};
    DateTime v;
    v.Year = static_cast<int>(date.year());
    v.Month = static_cast<int>(static_cast<unsigned>(date.month()));
    v.Day = static_cast<int>(static_cast<unsigned>(date.day()));
    v.Hour = static_cast<int>(rest / kMsPerHour);
    rest %= kMsPerHour;
    v.Minute = static_cast<int>(rest / kMsPerMinute);
    rest %= kMsPerMinute;
    v.Second = static_cast<int>(rest / kMsPerSecond);
    v.Millisecond = static_cast<int>(rest % kMsPerSecond);
    return v;
}

const std::int64_t kFirstMs = DayNumber(1753, 1, 1) * kMsPerDay;
const std::int64_t kEndMs = (DayNumber(9999, 12, 31) + 1) * kMsPerDay;
const std::int64_t kSmallFirstMs = DayNumber(1900, 1, 1) * kMsPerDay;
const std::int64_t kSmallEndMs = DayNumber(2079, 6, 6) * kMsPerDay + 23 * kMsPerHour + 60 * kMsPerMinute;

// Rounds milliseconds since 1970 to what `type` holds; nothing when the
// result is outside the type's range.
std::optional<std::int64_t> Fit(std::int64_t ms, DateTypeInfo type) {
    switch (type.type) {
        case DateType::DateTime: {
            // 300 ticks a second; ms -> nearest tick -> ms as SQL Server shows it.
            const std::int64_t second = FloorDiv(ms, kMsPerSecond);
            const std::int64_t ticks = ((ms - second * kMsPerSecond) * 300 + 500) / 1000;
            ms = second * kMsPerSecond + (ticks * 1000 + 150) / 300;
            break;
        }
        case DateType::SmallDateTime: {
            const std::int64_t minute = FloorDiv(ms, kMsPerMinute);
            ms = (minute + (ms - minute * kMsPerMinute >= 29999 ? 1 : 0)) * kMsPerMinute;
            break;
        }
        case DateType::Date: ms = FloorDiv(ms, kMsPerDay) * kMsPerDay; break;
        case DateType::DateTime2:
            if (type.precision < 3) {
                std::int64_t unit = 1;
                for (int i = type.precision; i < 3; ++i) unit *= 10;
                ms = FloorDiv(ms + unit / 2, unit) * unit;
            }
            break;
    }
    const bool small = type.type == DateType::SmallDateTime;
    if (ms < (small ? kSmallFirstMs : kFirstMs) || ms >= (small ? kSmallEndMs : kEndMs)) return std::nullopt;
    return ms;
}

std::string_view TypeName(DateType type) {
    switch (type) {
        case DateType::DateTime: return "datetime";
        case DateType::SmallDateTime: return "smalldatetime";
        case DateType::Date: return "date";
        case DateType::DateTime2: return "datetime2";
    }
    return "datetime";
}

[[noreturn]] void RaiseAddOverflow(DateType type) {
    RaiseProviderError(kStatementError,
                       "Adding a value to a '" + std::string(TypeName(type)) + "' column caused an overflow.");
}

DateTime FitOrRaiseAdd(std::int64_t ms, DateTypeInfo type) {
    const auto fitted = Fit(ms, type);
    if (!fitted) RaiseAddOverflow(type.type);
    return FromMs(*fitted);
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The digits after the decimal point of the seconds, empty when none.
std::string_view FractionDigits(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) return {};
    const std::size_t dot = text.find('.', colon);
    if (dot == std::string_view::npos) return {};
    std::string_view digits = text.substr(dot + 1);
    return digits.substr(0, std::min(digits.find_first_not_of("0123456789"), digits.size()));
}

int WeekdayIndex(std::int64_t dayNumber) {  // 0 Sunday .. 6 Saturday; 1970-01-01 was a Thursday
    return static_cast<int>(((dayNumber + 4) % 7 + 7) % 7);
}

std::int64_t CheckedInt(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        RaiseProviderError(kStatementError,
                           "The datediff function resulted in an overflow. The number of dateparts separating two "
                           "date/time instances is too large. Try to use datediff with a less precise datepart.");
    }
    return value;
}

std::string Format(const char* pattern, const DateTime& v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, pattern, v.Year, v.Month, v.Day, v.Hour, v.Minute, v.Second,
                  v.Millisecond);
    return buffer;
}

std::string FormatTime(const DateTime& v) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", v.Hour, v.Minute, v.Second);
    return buffer;
}

struct PartName {
    std::string_view name;
    DatePart part;
};

constexpr std::array kPartNames{
    PartName{"year", DatePart::Year},           PartName{"yy", DatePart::Year},
    PartName{"yyyy", DatePart::Year},           PartName{"quarter", DatePart::Quarter},
    PartName{"qq", DatePart::Quarter},          PartName{"q", DatePart::Quarter},
    PartName{"month", DatePart::Month},         PartName{"mm", DatePart::Month},
    PartName{"m", DatePart::Month},             PartName{"dayofyear", DatePart::DayOfYear},
    PartName{"dy", DatePart::DayOfYear},        PartName{"y", DatePart::DayOfYear},
    PartName{"day", DatePart::Day},             PartName{"dd", DatePart::Day},
    PartName{"d", DatePart::Day},               PartName{"week", DatePart::Week},
    PartName{"wk", DatePart::Week},             PartName{"ww", DatePart::Week},
    PartName{"weekday", DatePart::Weekday},     PartName{"dw", DatePart::Weekday},
    PartName{"w", DatePart::Weekday},
    PartName{"hour", DatePart::Hour},           PartName{"hh", DatePart::Hour},
    PartName{"minute", DatePart::Minute},       PartName{"mi", DatePart::Minute},
    PartName{"n", DatePart::Minute},            PartName{"second", DatePart::Second},
    PartName{"ss", DatePart::Second},           PartName{"s", DatePart::Second},
    PartName{"millisecond", DatePart::Millisecond}, PartName{"ms", DatePart::Millisecond},
};

bool SameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) == y;
           });
}

}  // namespace

std::string CanonicalDateText(const DateTime& v) { return Format("%04d-%02d-%02d %02d:%02d:%02d.%03d", v); }

DateTime ConvertTextToDate(std::string_view text, DateTypeInfo type, DateText source) {
    text = TrimBlanks(text);
    if (text.empty()) {
        // SQL Server's empty date; for date and datetime2 the backend refuses
        // rather than guess.
        if (type.type == DateType::DateTime || type.type == DateType::SmallDateTime) return DateTime{};
        RaiseProviderError(kStatementError, kTextConversionFailed);
    }
    std::string dashed;
    if (text.size() >= 8 && AllDigits(text.substr(0, 8)) && (text.size() == 8 || text[8] == ' ')) {
        dashed = std::string(text.substr(0, 4)) + '-' + std::string(text.substr(4, 2)) + '-' +
                 std::string(text.substr(6));
        text = dashed;
    }
    const auto parsed = DateTime::Parse(text);
    if (!parsed) RaiseProviderError(kStatementError, kTextConversionFailed);
    if (source == DateText::Literal) {
        const std::string_view fraction = FractionDigits(text);
        const bool threeDigitTypes = type.type == DateType::DateTime || type.type == DateType::SmallDateTime;
        if (fraction.size() > (threeDigitTypes ? 3u : 7u)) RaiseProviderError(kStatementError, kTextConversionFailed);
        if (type.type == DateType::DateTime2 && fraction.size() > 3 &&
            fraction.substr(3).find_first_not_of('0') != std::string_view::npos) {
            RaiseProviderError(kStatementError,
                               "Conversion failed: this database keeps times to the millisecond, not below.");
        }
    }
    const auto fitted = Fit(ToMs(*parsed), type);
    if (!fitted) {
        RaiseProviderError(kStatementError, "The conversion of a varchar data type to a " +
                                                std::string(TypeName(type.type)) +
                                                " data type resulted in an out-of-range value.");
    }
    return FromMs(*fitted);
}

DateTime ConvertDaysToDate(double days, DateTypeInfo type) {
    if (type.type != DateType::DateTime && type.type != DateType::SmallDateTime) {
        RaiseProviderError(kStatementError, "Explicit conversion from a number to data type " +
                                                std::string(TypeName(type.type)) + " is not allowed.");
    }
    const double limit = 4.0e6;  // days; well beyond 9999-12-31
    std::optional<std::int64_t> fitted;
    if (std::isfinite(days) && std::abs(days) < limit) {
        fitted = Fit(DayNumber(1900, 1, 1) * kMsPerDay + std::llround(days * static_cast<double>(kMsPerDay)), type);
    }
    if (!fitted) {
        RaiseProviderError(kStatementError, "Arithmetic overflow error converting expression to data type " +
                                                std::string(TypeName(type.type)) + ".");
    }
    return FromMs(*fitted);
}

DateTime RoundToType(const DateTime& value, DateTypeInfo type) {
    const auto fitted = Fit(ToMs(value), type);
    if (!fitted) {
        RaiseProviderError(kStatementError, "The value is out of the range of data type " +
                                                std::string(TypeName(type.type)) + ".");
    }
    return FromMs(*fitted);
}

DateTime AddDays(const DateTime& value, double days, DateTypeInfo type) {
    if (!std::isfinite(days) || std::abs(days) > 4.0e6) RaiseAddOverflow(type.type);
    return FitOrRaiseAdd(ToMs(value) + std::llround(days * static_cast<double>(kMsPerDay)), type);
}

std::optional<DatePart> DatePartNamed(std::string_view name) {
    for (const PartName& entry : kPartNames) {
        if (SameNoCase(name, entry.name)) return entry.part;
    }
    return std::nullopt;
}

std::string_view DatePartName(DatePart part) {
    for (const PartName& entry : kPartNames) {
        if (entry.part == part) return entry.name;  // the full name comes first
    }
    return {};
}

bool IsTimePart(DatePart part) {
    return part == DatePart::Hour || part == DatePart::Minute || part == DatePart::Second ||
           part == DatePart::Millisecond;
}

DateTime DateAdd(DatePart part, std::int64_t amount, const DateTime& value, DateTypeInfo type) {
    if (type.type == DateType::Date && IsTimePart(part)) {
        RaiseProviderError(kStatementError, "The datepart " + std::string(DatePartName(part)) +
                                                " is not supported by date function dateadd for data type date.");
    }
    // DATEADD takes an int; anything beyond overflows the result anyway.
    if (amount < std::numeric_limits<std::int32_t>::min() || amount > std::numeric_limits<std::int32_t>::max()) {
        RaiseAddOverflow(type.type);
    }
    std::int64_t months = 0;
    std::int64_t ms = 0;
    switch (part) {
        case DatePart::Year: months = amount * 12; break;
        case DatePart::Quarter: months = amount * 3; break;
        case DatePart::Month: months = amount; break;
        case DatePart::DayOfYear:
        case DatePart::Day:
        case DatePart::Weekday: ms = amount * kMsPerDay; break;
        case DatePart::Week: ms = amount * 7 * kMsPerDay; break;
        case DatePart::Hour: ms = amount * kMsPerHour; break;
        case DatePart::Minute: ms = amount * kMsPerMinute; break;
        case DatePart::Second: ms = amount * kMsPerSecond; break;
        case DatePart::Millisecond: ms = amount; break;
    }
    DateTime shifted = value;
    if (months != 0) {
        const std::int64_t index = static_cast<std::int64_t>(value.Year) * 12 + (value.Month - 1) + months;
        if (index < 1753 * 12 || index >= 10000 * 12) RaiseAddOverflow(type.type);
        shifted.Year = static_cast<int>(index / 12);
        shifted.Month = static_cast<int>(index % 12) + 1;
        const year_month_day_last last{std::chrono::year{shifted.Year} /
                                       std::chrono::month{static_cast<unsigned>(shifted.Month)} / std::chrono::last};
        shifted.Day = std::min(shifted.Day, static_cast<int>(static_cast<unsigned>(last.day())));
    }
    return FitOrRaiseAdd(ToMs(shifted) + ms, type);
}

std::int64_t DateDiff(DatePart part, const DateTime& start, const DateTime& end) {
    const std::int64_t a = ToMs(start);
    const std::int64_t b = ToMs(end);
    switch (part) {
        case DatePart::Year: return end.Year - start.Year;
        case DatePart::Quarter:
            return (end.Year * 4 + (end.Month - 1) / 3) - (start.Year * 4 + (start.Month - 1) / 3);
        case DatePart::Month: return (end.Year * 12 + end.Month) - (start.Year * 12 + start.Month);
        case DatePart::DayOfYear:
        case DatePart::Day:
        case DatePart::Weekday: return CheckedInt(FloorDiv(b, kMsPerDay) - FloorDiv(a, kMsPerDay));
        case DatePart::Week:
            // Sunday starts a week whatever DATEFIRST says.
            return CheckedInt(FloorDiv(FloorDiv(b, kMsPerDay) + 4, 7) - FloorDiv(FloorDiv(a, kMsPerDay) + 4, 7));
        case DatePart::Hour: return CheckedInt(FloorDiv(b, kMsPerHour) - FloorDiv(a, kMsPerHour));
        case DatePart::Minute: return CheckedInt(FloorDiv(b, kMsPerMinute) - FloorDiv(a, kMsPerMinute));
        case DatePart::Second: return CheckedInt(FloorDiv(b, kMsPerSecond) - FloorDiv(a, kMsPerSecond));
        case DatePart::Millisecond: return CheckedInt(b - a);
    }
    return 0;
}

std::int64_t DatePartOf(DatePart part, const DateTime& value) {
    const std::int64_t day = DayNumber(value.Year, value.Month, value.Day);
    const std::int64_t dayOfYear = day - DayNumber(value.Year, 1, 1) + 1;
    switch (part) {
        case DatePart::Year: return value.Year;
        case DatePart::Quarter: return (value.Month - 1) / 3 + 1;
        case DatePart::Month: return value.Month;
        case DatePart::DayOfYear: return dayOfYear;
        case DatePart::Day: return value.Day;
        case DatePart::Week: return (dayOfYear - 1 + WeekdayIndex(DayNumber(value.Year, 1, 1))) / 7 + 1;
        case DatePart::Weekday: return WeekdayIndex(day) + 1;
        case DatePart::Hour: return value.Hour;
        case DatePart::Minute: return value.Minute;
        case DatePart::Second: return value.Second;
        case DatePart::Millisecond: return value.Millisecond;
    }
    return 0;
}

std::optional<std::string> FormatDateStyle(const DateTime& value, int style) {
    switch (style) {
        case 20:
        case 120: return Format("%04d-%02d-%02d %02d:%02d:%02d", value);
        case 21:
        case 121: return CanonicalDateText(value);
        case 23: return value.DateText();
        case 102: return Format("%04d.%02d.%02d", value);
        case 111: return Format("%04d/%02d/%02d", value);
        case 112: return Format("%04d%02d%02d", value);
        case 8:
        case 24:
        case 108: return FormatTime(value);
        case 126:
            return value.Millisecond == 0 ? Format("%04d-%02d-%02dT%02d:%02d:%02d", value)
                                          : Format("%04d-%02d-%02dT%02d:%02d:%02d.%03d", value);
        default: return std::nullopt;
    }
}

bool IsExactDateStyle(int style, DateType type) {
    const bool dateOnly = style == 23 || style == 102 || style == 111 || style == 112;
    if (type == DateType::Date || type == DateType::DateTime2) return dateOnly;
    return FormatDateStyle(DateTime{}, style).has_value();
}

bool IsIsoInputStyle(int style) {
    switch (style) {
        case 0:
        case 100:
        case 20:
        case 120:
        case 21:
        case 121:
        case 23:
        case 112:
        case 126: return true;
        default: return false;
    }
}

}  // namespace ovardx::sqlite
