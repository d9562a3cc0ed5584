#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace ovardx::tool {

// The sql command: runs T-SQL on the database file `database` through the
// SQLite connection component. With a `statement` (not null) runs that text
// as one batch; otherwise reads `in` and runs each statement as soon as a
// line completes it with ";" (a rest without ";" runs at the end).
//
// A batch prints, to `out`, the rows of its last query under a header line
// (see PrintRecordset), or "(N rows affected)" for its last write. The first
// failing batch raises its ovardx::Error (number, source, description);
// the batches before it stay done. Answers the exit code, 0.
int RunSql(const std::string& database, const std::string* statement, std::istream& in, std::ostream& out);

}  // namespace ovardx::tool
