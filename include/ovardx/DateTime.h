#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

#include "ovardx/Export.h"

namespace ovardx {

// A calendar date with a time of day, as SQL Server's datetime holds it
// (millisecond resolution, no time zone).
struct OVARDX_EXPORT DateTime {
    int Year = 1900;
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;

    friend auto operator<=>(const DateTime&, const DateTime&) = default;

    // Recognizes "yyyy-m-d" and "yyyy-mm-dd", optionally followed by a time
    // "h:m[:s[.fff]]" after a blank or "T", and "yyyy/m/d" in the same way.
    // Answers nothing for text that is not a valid calendar date.
    static std::optional<DateTime> Parse(std::string_view text);

    // The current local date and time.
    static DateTime Now();

    bool HasTime() const { return Hour != 0 || Minute != 0 || Second != 0 || Millisecond != 0; }

    // "yyyy-mm-dd".
    std::string DateText() const;
    // Canonical storage form: "yyyy-mm-dd", "yyyy-mm-dd hh:mm:ss" or
    // "yyyy-mm-dd hh:mm:ss.fff" (the shortest that keeps the value).
    std::string ToText() const;
    // xs:dateTime form: "yyyy-mm-ddThh:mm:ss[.fff]".
    std::string ToXmlText() const;
};

}  // namespace ovardx
