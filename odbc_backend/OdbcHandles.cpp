#include "odbc_backend/OdbcHandles.h"

#include "odbc_backend/OdbcDiagnostics.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::odbc {

namespace {

EnvironmentHandle AllocateEnvironment() {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle)))
        sqlite::RaiseProviderError(sqlite::kOpenError, "The ODBC driver manager could not allocate an environment");
    EnvironmentHandle environment(handle);
    Check(SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
          SQL_HANDLE_ENV, handle, sqlite::kOpenError, ErrorContext{"manager", {}}, "Setting ODBC 3");
    return environment;
}

}  // namespace

SQLHANDLE SharedEnvironment() {
    // Pooled connections are closed at exit before this is freed: the pool
    // is created after it and so destroyed before it.
    static const EnvironmentHandle environment = AllocateEnvironment();
    return environment.get();
}

}  // namespace ovardx::odbc
