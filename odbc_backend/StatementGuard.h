#pragma once

#include <string_view>

namespace ovardx::odbc {

// The library only reads through its connection. Refuses, with
// kStatementError before anything reaches the driver, a text that holds a
// NUL character, more than one statement (a ";" outside literals, names and
// comments followed by more text), or a statement that is no query (its
// first word is not SELECT; a CTE could hold a write). Variables, temporary tables and
// parameter markers are refused as the T-SQL tokenizer refuses them.
void CheckSingleQuery(std::string_view sql);

}  // namespace ovardx::odbc
