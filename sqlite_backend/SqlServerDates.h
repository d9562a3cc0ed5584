#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ovardx/DateTime.h"

namespace ovardx::sqlite {

// SQL Server's date and time types as this backend reproduces them. Values
// are held to the millisecond and from 1753-01-01 on (what DateTime::Parse
// and the DATETIME collation read); a result outside raises an error rather
// than become text no comparison can order.
enum class DateType {
    DateTime,       // rounded to 1/300 s: .000, .003, .007
    SmallDateTime,  // rounded to the minute, 1900-01-01 to 2079-06-06
    Date,           // no time of day
    DateTime2,      // to the millisecond; (p) below 3 rounds to 10^-p s
};

struct DateTypeInfo {
    DateType type = DateType::DateTime;
    int precision = 7;  // fractional second digits of datetime2(p)
};

// The canonical text every date-valued function answers:
// "yyyy-mm-dd hh:mm:ss.fff". Fixed width, so canonical texts also sort
// chronologically byte by byte.
std::string CanonicalDateText(const DateTime& value);

// Where a text to convert comes from: a literal the host wrote, which SQL
// Server refuses with more fractional digits than the type takes (3 for
// datetime and smalldatetime, 7 otherwise; below the millisecond, which this
// backend cannot keep, for datetime2 too), or a value from the database,
// whose digits beyond the millisecond are dropped as DateTime::Parse drops
// them when the library reads the column.
enum class DateText { Literal, Stored };

// Text to a date the way SQL Server converts the unambiguous forms (ymd
// order, as under the ERP's languages): "yyyy-m-d", "yyyy/m/d" and
// "yyyymmdd", each optionally followed by a time "h:m[:s[.f]]" (after a blank,
// or "T" for the dashed forms); blanks around are ignored. The empty text is
// 1900-01-01 for datetime and smalldatetime. Anything else, or a value
// outside the type's range, raises kStatementError "Conversion failed when
// converting date and/or time from character string."
DateTime ConvertTextToDate(std::string_view text, DateTypeInfo type, DateText source = DateText::Stored);

// A number of days since 1900-01-01 (fractions are parts of a day) to
// datetime or smalldatetime; other types refuse numbers as SQL Server does.
DateTime ConvertDaysToDate(double days, DateTypeInfo type);

// Rounds a value to what the type holds and checks the type's range.
DateTime RoundToType(const DateTime& value, DateTypeInfo type);

// `days` days after `value` (before, when negative; fractions are parts of a
// day), rounded to `type`: datetime + number on SQL Server.
DateTime AddDays(const DateTime& value, double days, DateTypeInfo type);

// Date parts by their T-SQL names.
enum class DatePart { Year, Quarter, Month, DayOfYear, Day, Week, Weekday, Hour, Minute, Second, Millisecond };

// The part named `name` (year, yy, yyyy, quarter, qq, q, month, mm, m,
// dayofyear, dy, y, day, dd, d, week, wk, ww, weekday, dw, w, hour, hh, minute,
// mi, n, second, ss, s, millisecond, ms), without regard to case.
std::optional<DatePart> DatePartNamed(std::string_view name);
// The full name of a part: "year", "month", ...
std::string_view DatePartName(DatePart part);
// Whether the part is a time of day (hour and below), which a date lacks.
bool IsTimePart(DatePart part);

// DATEADD: `amount` parts after `value`. Months and years keep the day, or
// take the month's last day when it has fewer; the result is rounded to
// `type`. A result outside the type's range raises kStatementError.
DateTime DateAdd(DatePart part, std::int64_t amount, const DateTime& value, DateTypeInfo type);

// DATEDIFF: the number of `part` boundaries crossed from `start` to `end`
// (weeks start on Sunday). A count beyond the int range raises.
std::int64_t DateDiff(DatePart part, const DateTime& start, const DateTime& end);

// DATEPART with SET DATEFIRST 7 (weeks start on Sunday, Sunday is weekday 1).
std::int64_t DatePartOf(DatePart part, const DateTime& value);

// CONVERT(char type, date, style) for the styles reproduced exactly: 20 and
// 120 (yyyy-mm-dd hh:mi:ss), 21 and 121 (yyyy-mm-dd hh:mi:ss.mmm), 23
// (yyyy-mm-dd), 102 (yyyy.mm.dd), 111 (yyyy/mm/dd), 112 (yyyymmdd), 8, 24 and
// 108 (hh:mi:ss), 126 (yyyy-mm-ddThh:mi:ss[.mmm]). Answers nothing for any
// other style.
std::optional<std::string> FormatDateStyle(const DateTime& value, int style);
// Whether FormatDateStyle reproduces `style` for a value of `type`: a date or
// datetime2 only with the date-only styles, whose text does not depend on
// the type's precision.
bool IsExactDateStyle(int style, DateType type);
// Whether CONVERT(date type, text, style) reads the text as
// ConvertTextToDate does: no style (0, 100) or an ISO one.
bool IsIsoInputStyle(int style);

}  // namespace ovardx::sqlite
