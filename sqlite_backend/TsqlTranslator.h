#pragma once

#include <string>
#include <string_view>

namespace ovardx::sqlite {

// Translates the T-SQL text the library writes into SQLite text. Pure: the
// same input always gives the same output, and nothing is executed.
//
// Translated:
//   SELECT [DISTINCT|ALL] TOP n / TOP (n)  -> "LIMIT n" at the end of that same
//       SELECT (after its ORDER BY; inside a sub-select before its closing
//       parenthesis)
//   0x0A1B binary literals                 -> X'0A1B' (an odd digit count gets a
//       leading 0; "0x" alone gives X'')
//   a number glued to a word (16AND)       -> split with a blank
//   N'text'                                -> 'text'
//   [bracketed] names                      -> "quoted" names
//   ISNULL(                                -> IFNULL(
//   LEN(x)                                 -> LENGTH(RTRIM(x)) (LEN ignores
//       trailing blanks)
//   GETDATE(), CURRENT_TIMESTAMP, SYSDATETIME(), GETUTCDATE()
//       -> the current time as "yyyy-mm-dd hh:mm:ss.fff" (local, or UTC)
//   comments                               -> a blank
// Statement lists separated by ";" are translated statement by statement.
// Any other text passes unchanged, so SQLite reports its own errors.
//
// Refused, because a translation would change the meaning: TOP n PERCENT,
// TOP ... WITH TIES, TOP with an expression, TOP in a branch of a UNION
// (EXCEPT, INTERSECT), table hints WITH (...), @variables, #temp tables,
// parameter markers (? : $), DECLARE, EXEC, EXECUTE, GO, CONVERT(, DATEADD(,
// DATEDIFF(, LIKE patterns with [ ] character classes, and unterminated
// strings, names or comments. A refusal raises ovardx::Error with
// kStatementError, the provider's source, and a description that names what
// was refused and the 1-based character position where it starts.
std::string TranslateTsql(std::string_view tsql);

}  // namespace ovardx::sqlite
