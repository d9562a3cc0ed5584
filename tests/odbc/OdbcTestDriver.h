#pragma once

#include <filesystem>
#include <string>

namespace ovardx::testing {

// The SQLite ODBC driver, registered under kSqliteOdbcDriver in a private
// odbcinst.ini (ODBCSYSINI) for this test program. Call before anything of
// the program uses ODBC; later calls do nothing.
inline constexpr const char* kSqliteOdbcDriver = "OVArDX SQLite3";
void RegisterSqliteOdbcDriver();

// An ODBC connection string for the SQLite file through that driver: the
// file must exist, and the SQL Server functions extension is loaded.
std::string OdbcConnectString(const std::filesystem::path& database);

// A property string that reaches the file through ODBC.
std::string OdbcPropsFor(const std::filesystem::path& database, int userId, const std::string& language = "chs");

}  // namespace ovardx::testing
