#pragma once

#include <vector>

#include "sqlite_backend/ColumnTypes.h"
#include "sqlite_backend/TsqlTokenizer.h"

namespace ovardx::sqlite {

// The expression-level part of the translation, after TranslateStatements:
// finds the expressions of each statement (select lists, WHERE, ON, HAVING,
// GROUP BY, ORDER BY, SET, VALUES, sub-selects), types their operands (column
// names by `types`, literals, function results, CAST and CONVERT targets)
// and carries each operator and function call over to SQLite with SQL
// Server's meaning, or refuses it (RefuseTranslation) naming the construct
// and where it starts. The rules are listed in TsqlTranslator.h.
void TranslateExpressions(std::vector<Token>& tokens, const ColumnTypes& types);

}  // namespace ovardx::sqlite
