#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ovardx::odbc {

// What the OLE DB keys are mapped to differs between SQL Server drivers.
enum class DriverDialect {
    Vendor18,  // "ODBC Driver 18 for SQL Server" (and any other vendor driver)
    Vendor17,  // "ODBC Driver 17 for SQL Server": no Encrypt=Strict
    FreeTds,   // FreeTDS: Server and Port apart, Encryption=require/request
};

struct SqlServerDriver {
    std::string name;  // as odbcinst.ini names it, or a library path
    DriverDialect dialect = DriverDialect::Vendor18;
};

// The drivers the driver manager knows (SQLDrivers), read once per process.
const std::vector<std::string>& InstalledDrivers();

// The driver for SQL Server connection strings: `configured` (the
// configuration's OdbcDriver) when not empty, which must be installed or be
// a library path; otherwise the first installed of "ODBC Driver 18 for SQL
// Server", "ODBC Driver 17 for SQL Server" and "FreeTDS". Raises kOpenError
// naming what was looked for and what is installed when there is none.
SqlServerDriver ChooseSqlServerDriver(std::string_view configured, const std::vector<std::string>& installed);

}  // namespace ovardx::odbc
