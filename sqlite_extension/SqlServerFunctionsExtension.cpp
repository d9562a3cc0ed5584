// A loadable SQLite extension that registers on a connection what the T-SQL
// translation relies on: the DATETIME collating sequence and the ovardx_
// functions. Connections this code opens register them themselves; this is
// for connections opened by others, such as the SQLite ODBC driver's (its
// LoadExt connection option loads it).

#include <sqlite3.h>

#include "ovardx/Error.h"
#include "sqlite_backend/SqlServerFunctions.h"

// SQLite derives the entry point's name from the file name
// ovardx_sqlite_functions.so. The module links the same libsqlite3 as the
// loading process, so the API is called directly.
extern "C" __attribute__((visibility("default"))) int sqlite3_ovardxsqlitefunctions_init(sqlite3* db, char** error,
                                                                                         const void* /*api*/) {
    try {
        ovardx::sqlite::RegisterSqlServerFunctions(db);
        return SQLITE_OK;
    } catch (const ovardx::Error& failure) {
        if (error != nullptr) *error = sqlite3_mprintf("%s", failure.what());
    } catch (...) {
        if (error != nullptr) *error = sqlite3_mprintf("%s", "registering the SQL Server functions failed");
    }
    return SQLITE_ERROR;
}
