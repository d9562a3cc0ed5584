#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "odbc_backend/OdbcConnectionString.h"
#include "odbc_backend/OdbcDiagnostics.h"
#include "odbc_backend/OdbcDrivers.h"

namespace ovardx::odbc {

// Where and how an ODBC connection connects.
struct OdbcTarget {
    std::string connectionString;                     // for SQLDriverConnect; holds the password
    std::optional<std::uint32_t> loginTimeoutSeconds;  // SQL_ATTR_LOGIN_TIMEOUT, when given
    ErrorContext context;                              // the driver's name and the password, for errors
};

// The properties of an OLE DB connection string: "key=value" pairs separated
// by ";", keys without regard to case, blanks around keys and unquoted
// values dropped, a value in double or single quotes may hold ";" and its
// own quote doubled. A key given twice (also under two of its names, such
// as Data Source and Server), a key without a value and an unterminated
// quote raise kOpenError.
std::vector<Attribute> ParseOleDbProperties(std::string_view connectString);

// True for the SQL Server OLE DB providers hosts store: SQLOLEDB,
// MSOLEDBSQL, MSOLEDBSQL19, SQLNCLI, SQLNCLI10, SQLNCLI11, each also with a
// version suffix such as ".1".
bool IsSqlServerProvider(std::string_view provider);

// The ODBC connection for an OLE DB string of a SQL Server provider, for
// the given driver. Every documented key of those providers is mapped, or
// ignored where ODBC has no equivalent and nothing the library relies on
// changes (see the mapping table in the README); a key outside that list,
// or a documented one this driver cannot honour, raises kOpenError naming
// the key. Error texts never hold the password.
OdbcTarget MapOleDbToOdbc(std::string_view connectString, const SqlServerDriver& driver);

}  // namespace ovardx::odbc
