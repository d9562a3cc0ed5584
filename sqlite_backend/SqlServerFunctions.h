#pragma once

struct sqlite3;

namespace ovardx::sqlite {

// Registers on a connection what the T-SQL translation relies on: the
// DATETIME collating sequence and these deterministic functions with SQL
// Server's semantics (arguments in T-SQL order; a date argument is date text
// or a number of days since 1900-01-01; date results are canonical date
// text, see CanonicalDateText; `part` is a date part name, `type` a type name
// as SqlServerType::ToText writes it):
//   ovardx_cast(x, type)                  CAST(x AS type)
//   ovardx_convert(type, x[, style])      CONVERT(type, x, style)
//   ovardx_dateadd(part, n, d[, type])    DATEADD; d's type, datetime when not given
//   ovardx_datediff(part, a, b)           DATEDIFF
//   ovardx_datepart(part, d)              DATEPART, YEAR, MONTH, DAY
//   ovardx_datetime_add(a, b[, type])     date + number or number + date, in days
//   ovardx_datetime_sub(d, n[, type])     date - number, in days
//   ovardx_substring(s, start, length), ovardx_left(s, n), ovardx_right(s, n),
//   ovardx_charindex(find, s[, start]), ovardx_replace(s, find, replacement)
// NULL in any value argument gives NULL. An error SQL Server would raise (a
// failed conversion, an overflow, a negative length) fails the statement
// with its message; so does a blob argument.
void RegisterSqlServerFunctions(sqlite3* db);

}  // namespace ovardx::sqlite
