#pragma once

#include <vector>

#include "sqlite_backend/TsqlTokenizer.h"

namespace ovardx::sqlite {

// The statement-level part of the translation, on the tokens of the whole
// text: SELECT [DISTINCT|ALL] TOP n / TOP (n) becomes "LIMIT n" at the end
// of that same SELECT (after its ORDER BY; inside a sub-select before its
// closing parenthesis); statement lists separated by ";" are handled
// statement by statement.
//
// Refused (RefuseTranslation), because no translation keeps the meaning:
// TOP n PERCENT, TOP ... WITH TIES, TOP with anything but a whole number,
// TOP in a branch of a UNION (EXCEPT, INTERSECT), table hints WITH (...),
// DECLARE, EXEC, EXECUTE and GO, and LIKE patterns with [ ] character
// classes.
void TranslateStatements(std::vector<Token>& tokens);

}  // namespace ovardx::sqlite
