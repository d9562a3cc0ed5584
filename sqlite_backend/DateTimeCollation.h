#pragma once

#include <string_view>

struct sqlite3;

namespace ovardx::sqlite {

// The name of the collating sequence of DATETIME columns.
inline constexpr const char* kDateTimeCollation = "DATETIME";

// Orders two texts as SQL Server orders datetime values, whatever text form a
// writer used: texts DateTime::Parse reads compare by their value
// ("2025-07-14" = "2025-07-14 00:00:00" = "2025-07-14T00:00:00.000"); texts it
// cannot read sort after every date, among themselves byte by byte. A total
// order: negative, zero or positive as `a` sorts before, with or after `b`.
int CompareDateTimeTexts(std::string_view a, std::string_view b);

// Registers the DATETIME collating sequence on a connection; raises
// kOpenError when SQLite refuses.
void RegisterDateTimeCollation(sqlite3* db);

}  // namespace ovardx::sqlite
