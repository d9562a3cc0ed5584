#include "ovardx/DateTime.h"

#include <charconv>
#include <cstdio>
#include <ctime>

#include "object_library/Text.h"

namespace ovardx {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads 1 to maxDigits decimal digits from the front of text.
std::optional<int> TakeNumber(std::string_view& text, std::size_t maxDigits) {
    std::size_t length = 0;
    while (length < text.size() && length < maxDigits && text[length] >= '0' && text[length] <= '9')
        ++length;
    if (length == 0) return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + length, value);
    text.remove_prefix(length);
    return value;
}

bool TakeChar(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

std::optional<DateTime> DateTime::Parse(std::string_view text) {
    text = TrimBlanks(text);
    DateTime result;
    auto year = TakeNumber(text, 4);
    if (!year || *year < 1753) return std::nullopt;
    char separator = text.empty() ? '\0' : text.front();
    if (separator != '-' && separator != '/') return std::nullopt;
    text.remove_prefix(1);
    auto month = TakeNumber(text, 2);
    if (!month || !TakeChar(text, separator)) return std::nullopt;
    auto day = TakeNumber(text, 2);
    if (!day) return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month))
        return std::nullopt;
    result.Year = *year;
    result.Month = *month;
    result.Day = *day;
    if (text.empty()) return result;
    if (!TakeChar(text, ' ') && !TakeChar(text, 'T')) return std::nullopt;
    auto hour = TakeNumber(text, 2);
    if (!hour || !TakeChar(text, ':')) return std::nullopt;
    auto minute = TakeNumber(text, 2);
    if (!minute) return std::nullopt;
    int second = 0;
    int millisecond = 0;
    if (TakeChar(text, ':')) {
        auto s = TakeNumber(text, 2);
        if (!s) return std::nullopt;
        second = *s;
        if (TakeChar(text, '.')) {
            std::size_t digits = 0;
            int fraction = 0;
            while (!text.empty() && text.front() >= '0' && text.front() <= '9') {
                if (digits < 3) fraction = fraction * 10 + (text.front() - '0');
                ++digits;
                text.remove_prefix(1);
            }
            if (digits == 0) return std::nullopt;
            for (std::size_t d = digits; d < 3; ++d) fraction *= 10;
            millisecond = fraction;
        }
    }
    if (!TrimBlanks(text).empty()) return std::nullopt;
    if (*hour > 23 || *minute > 59 || second > 59) return std::nullopt;
    result.Hour = *hour;
    result.Minute = *minute;
    result.Second = second;
    result.Millisecond = millisecond;
    return result;
}

DateTime DateTime::Now() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    DateTime result;
    result.Year = local.tm_year + 1900;
    result.Month = local.tm_mon + 1;
    result.Day = local.tm_mday;
    result.Hour = local.tm_hour;
    result.Minute = local.tm_min;
    result.Second = local.tm_sec;
    return result;
}

std::string DateTime::DateText() const {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", Year, Month, Day);
    return buffer;
}

std::string DateTime::ToText() const {
    if (!HasTime()) return DateText();
    char buffer[32];
    if (Millisecond == 0)
        std::snprintf(buffer, sizeof buffer, "%s %02d:%02d:%02d", DateText().c_str(), Hour, Minute, Second);
    else
        std::snprintf(buffer, sizeof buffer, "%s %02d:%02d:%02d.%03d", DateText().c_str(), Hour, Minute,
                      Second, Millisecond);
    return buffer;
}

std::string DateTime::ToXmlText() const {
    char buffer[32];
    if (Millisecond == 0)
        std::snprintf(buffer, sizeof buffer, "%sT%02d:%02d:%02d", DateText().c_str(), Hour, Minute, Second);
    else
        std::snprintf(buffer, sizeof buffer, "%sT%02d:%02d:%02d.%03d", DateText().c_str(), Hour, Minute,
                      Second, Millisecond);
    return buffer;
}

}  // namespace ovardx
