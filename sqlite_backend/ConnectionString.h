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
//
// A Data Source that begins with "file:" is an SQLite URI, whose query
// options (vfs=, mode=, immutable=, nolock=...) change how the file is
// opened and locked; it is refused unless allowUriFileNames is true. A file
// whose name begins so is still reachable as "./file:...".
std::string DataSourceOf(std::string_view connectString, bool allowUriFileNames = false);

}  // namespace ovardx::sqlite
