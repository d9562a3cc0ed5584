#pragma once

#include <string_view>

#include "odbc_backend/OleDbMapping.h"

namespace ovardx::odbc {

// Which backend a connection string is for:
// - Embedded: Provider=SQLite, or no provider and no Driver/DSN (the
//   embedded database, as before);
// - Odbc: a Driver=, DSN= or FileDSN= key (an ODBC string, passed as it
//   stands), or a SQL Server OLE DB provider (mapped to ODBC);
// - Unsupported: any other provider.
// Never raises: a malformed string is the chosen backend's to refuse.
enum class Backend { Embedded, Odbc, Unsupported };
Backend BackendOf(std::string_view connectString);

// The ODBC connection for a connection string of the Odbc backend: an ODBC
// string as it stands (its driver or DSN and its password noted for error
// texts), or an OLE DB string mapped for the configured SQL Server driver
// (the thread's OdbcDriver setting, else the first installed of the
// preferred drivers). Raises kOpenError when it cannot be mapped.
OdbcTarget ResolveOdbcTarget(std::string_view connectString);

}  // namespace ovardx::odbc
