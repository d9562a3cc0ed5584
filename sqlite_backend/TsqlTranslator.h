#pragma once

#include <string>
#include <string_view>

#include "sqlite_backend/ColumnTypes.h"

namespace ovardx::sqlite {

// Translates T-SQL into SQLite text with the same meaning, or refuses it.
// Pure: the same text and types always give the same output, and nothing is
// executed. The connection registers what the output relies on (the DATETIME
// collation and the ovardx_ functions, see RegisterSqlServerFunctions).
//
// Carried over token by token:
//   SELECT [DISTINCT|ALL] TOP n / TOP (n)  -> "LIMIT n" at the end of that
//       same SELECT (after its ORDER BY; in a sub-select before its ")")
//   0x0A1B -> X'0A1B' (an odd digit count gets a leading 0); 16AND -> 16 AND;
//   N'text' -> 'text'; [name] -> "name"; comments -> a blank; !< -> >=, !> -> <=
//
// Typed: every operand of an operator or comparison has a type where one is
// known: a string literal is text, a number literal an integer (a decimal
// beyond 2^31-1, with a point or an exponent), 0x... binary, a column the type
// `types` gives its name (d.FDate by FDate), a function, CAST or CONVERT its
// result type; anything else is unknown. Then:
//   text + text             -> (a || b)
//   number op number        -> unchanged; "/" with a decimal operand divides
//                              as reals (CAST(a AS REAL) / b)
//   datetime +/- number     -> ovardx_datetime_add / _sub: days, fractions are
//                              parts of a day; number + datetime likewise
//   a & b, a | b (integers) -> (a & b): T-SQL binds them like + and -
//   comparisons, IN, BETWEEN, CASE x WHEN, NULLIF: the lower type converts to
//     the higher as on the server: a text literal against a date-time becomes
//     that date (kept as written when the DATETIME collation reads it as the
//     same value), other text is wrapped in ovardx_cast(x,'datetime'); a text
//     literal against a number becomes the number it converts to. Dates
//     compare by value: the left side gets COLLATE DATETIME (a DATETIME
//     column of another schema may lack it); text where neither side is a
//     column (whose declared collation SQLite uses) gets COLLATE NOCASE, as
//     the server's case-insensitive collation compares. ORDER BY and GROUP BY
//     items and MIN/MAX arguments get the same.
// Functions:
//   GETDATE(), CURRENT_TIMESTAMP, SYSDATETIME() -> local "yyyy-mm-dd hh:mm:ss.fff";
//   GETUTCDATE() likewise in UTC; ISNULL -> IFNULL (the replacement takes the
//   first argument's type); LEN(x) -> LENGTH(RTRIM(x)); unchanged, as SQLite's
//   namesakes agree on the ERP's values: COALESCE, NULLIF, ABS (numbers),
//   LTRIM, RTRIM (one argument), COUNT, MIN, MAX (one argument), SUM (numbers);
//   to ovardx_ functions with SQL Server's semantics: CAST, CONVERT, DATEADD,
//   DATEDIFF, DATEPART, YEAR, MONTH, DAY (the date part keyword becomes a
//   string literal), SUBSTRING, LEFT, RIGHT, CHARINDEX, REPLACE.
//
// Refused with ovardx::Error (kStatementError, the provider's source) whose
// description names the construct and the 1-based character where it stands,
// never the statement's text ("Cannot translate to SQLite: <what> at
// character <n>"):
//   TOP n PERCENT, TOP ... WITH TIES, TOP with an expression, TOP in a branch
//   of a UNION, table hints WITH (...), @variables, #temp tables, parameter
//   markers (? : $), DECLARE, EXEC, EXECUTE, GO, LIKE patterns with [ ]
//   classes, COLLATE, unterminated strings, names or comments;
//   every function not listed above (UPPER, ROUND, AVG, FORMAT, SQLite's own
//   substr, ifnull, ...), window functions, table-valued functions;
//   operators ^, ||, ==, <<, >>; arithmetic with an operand of unknown type;
//   text with a number; date - date; date or datetime2 +/- number; % with a
//   decimal; & and | with a decimal; unary - on text or dates;
//   comparisons of a date-time or text with a number (unless a text literal
//   that converts), of binary with anything else, of a date-time with text
//   that is no date; LIKE on decimals, dates or binary;
//   CAST and CONVERT the ovardx_ functions cannot reproduce exactly: to a text
//   type from a date (except CONVERT styles 20, 120, 21, 121, 23, 102, 111, 112,
//   8, 24, 108, 126 from datetime and smalldatetime; 23, 102, 111, 112 from date
//   and datetime2), a decimal or a value of unknown type; from a date to a
//   number; from a number to date or datetime2; to types it does not know
//   (money, time, binary, ...); a text literal the server could not convert.
std::string TranslateTsql(std::string_view tsql, const ColumnTypes& types);

// The same without column types: every column is of unknown type.
std::string TranslateTsql(std::string_view tsql);

}  // namespace ovardx::sqlite
