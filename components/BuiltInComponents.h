#pragma once

namespace ovardx {

// Registers the library's own implementation for every ProgID that has no
// registration yet: the connection (SQLite or ODBC), the XML reader and writer, the
// resource loader. Runs once per process; a host's earlier registrations win.
void EnsureBuiltInComponents();

}  // namespace ovardx
