#include "sqlite_backend/TsqlTranslator.h"

#include <vector>

#include "sqlite_backend/TsqlExpressions.h"
#include "sqlite_backend/TsqlStatements.h"
#include "sqlite_backend/TsqlTokenizer.h"

namespace ovardx::sqlite {

std::string TranslateTsql(std::string_view tsql, const ColumnTypes& types) {
    std::vector<Token> tokens = Tokenize(tsql);
    TranslateStatements(tokens);
    TranslateExpressions(tokens, types);
    return Render(tokens);
}

std::string TranslateTsql(std::string_view tsql) { return TranslateTsql(tsql, ColumnTypes{}); }

}  // namespace ovardx::sqlite
