#pragma once

#include <string>
#include <string_view>

namespace ovardx::sqlite {

// The database file a connection string names. The form is
// "Provider=SQLite;Data Source=PATH": pairs key=value separated by ";", keys
// without regard to letter case, blanks around keys and values trimmed, a
// value may be wrapped in double or single quotes (to hold a ";"), and
// "Database" stands for "Data Source". A missing Provider counts as SQLite;
// other keys are ignored. Any other Provider, or no Data Source, raises
// kOpenError saying so.
std::string DataSourceOf(std::string_view connectString);

}  // namespace ovardx::sqlite
