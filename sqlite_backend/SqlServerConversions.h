#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "sqlite_backend/SqlServerTypes.h"

namespace ovardx::sqlite {

// A value as SQLite hands it to a function: NULL, integer, real or text.
using SqlValue = std::variant<std::nullptr_t, std::int64_t, double, std::string>;

// CAST(value AS target) and CONVERT(target, value, style) with SQL Server's
// results, for the values the translation lets through:
// - to a date type: text as ConvertTextToDate reads it (with a style, only an
//   ISO one), numbers as days since 1900-01-01 (datetime, smalldatetime);
//   the result is the canonical date text;
// - to an integer type: text "[blanks][sign]digits[blanks]" ('' is 0),
//   numbers truncated toward zero, range checked; bit makes any other number
//   1 and also reads 'true' and 'false';
// - to decimal(p,s): rounded half away from zero to s places (a real by its
//   shortest decimal text, as the ERP's decimals are stored), at most p-s
//   integer digits; text without exponent;
// - to float and real: text with or without exponent ('' is 0);
// - to a text type: text cut to the length (char and nchar padded with
//   blanks; char and varchar refuse non-ASCII text, whose length SQL Server
//   counts in bytes of its code page); integers as digits, '*' when too long
//   for char and varchar, an overflow error for nchar and nvarchar; with a
//   style the value is a date, written by FormatDateStyle.
// NULL stays NULL. What SQL Server would refuse, and what this backend cannot
// reproduce (a real to text, a style it does not write), raises
// kStatementError. `source` tells how strictly text becomes a date.
SqlValue ConvertValue(const SqlServerType& target, const SqlValue& value, std::optional<int> style = {},
                      DateText source = DateText::Stored);

}  // namespace ovardx::sqlite
