#pragma once

#include <sql.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ovardx/Error.h"

namespace ovardx::odbc {

// What an error of one connection is reported with: the error source names
// the driver, and the password (when the connection has one) is cut out of
// every description, whatever a driver puts into its messages.
struct ErrorContext {
    std::string driver;  // the driver's name as the connection string gives it, or the DSN
    std::string secret;  // the password; never shown
    // The driver speaks UTF-8 through the narrow functions (the SQLite
    // driver, which has no W functions): its messages are read narrow.
    bool utf8Narrow = false;

    std::string Source() const;
    // The text with every occurrence of the secret replaced by "****".
    std::string Redact(std::string text) const;
};

// The library's error record for the diagnostic records of an ODBC handle
// (SQLGetDiagRecW): number `number` (kOpenError for connecting,
// kStatementError for statements), source "ODBC driver <name>", and each
// record as "[SQLSTATE] message (native error N)", joined by "; ".
// `fallback` describes the failure when the handle holds no record.
ErrorRecord DiagnosticsError(SQLSMALLINT handleType, SQLHANDLE handle, std::int32_t number,
                             const ErrorContext& context, std::string_view fallback);

// The SQLSTATE of the handle's first diagnostic record ("" for none).
std::string FirstSqlState(SQLSMALLINT handleType, SQLHANDLE handle);

// Raises DiagnosticsError unless `rc` is SQL_SUCCESS or SQL_SUCCESS_WITH_INFO.
void Check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, std::int32_t number, const ErrorContext& context,
           std::string_view what);

}  // namespace ovardx::odbc
