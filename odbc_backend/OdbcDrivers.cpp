#include "odbc_backend/OdbcDrivers.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>
#include <cctype>

#include "object_library/Text.h"
#include "odbc_backend/OdbcConnectionString.h"
#include "odbc_backend/OdbcHandles.h"
#include "odbc_backend/OdbcText.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::odbc {

namespace {

constexpr std::array<std::string_view, 3> kPreferred = {"ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server",
                                                        "FreeTDS"};

bool Contains(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

DriverDialect DialectOf(std::string_view name) {
    if (Contains(name, "freetds") || Contains(name, "tdsodbc")) return DriverDialect::FreeTds;
    if (Contains(name, "Driver 17") || Contains(name, "msodbcsql17") || Contains(name, "msodbcsql-17"))
        return DriverDialect::Vendor17;
    return DriverDialect::Vendor18;
}

std::string Listing(const std::vector<std::string>& installed) {
    if (installed.empty()) return "none";
    std::string list;
    for (const std::string& name : installed) list += (list.empty() ? "'" : ", '") + name + "'";
    return list;
}

std::vector<std::string> ReadInstalledDrivers() {
    std::vector<std::string> drivers;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLWCHAR name[512];
        SQLWCHAR attributes[2];
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT attributesLength = 0;
        const SQLRETURN rc = SQLDriversW(SharedEnvironment(), direction, name, 512, &nameLength, attributes, 2,
                                         &attributesLength);
        if (!SQL_SUCCEEDED(rc)) break;
        drivers.push_back(ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(name),
                                                     std::min<std::size_t>(static_cast<std::size_t>(nameLength), 511))));
        direction = SQL_FETCH_NEXT;
    }
    return drivers;
}

}  // namespace

const std::vector<std::string>& InstalledDrivers() {
    static const std::vector<std::string> drivers = ReadInstalledDrivers();
    return drivers;
}

SqlServerDriver ChooseSqlServerDriver(std::string_view configured, const std::vector<std::string>& installed) {
    if (!configured.empty()) {
        const bool isPath = configured.find('/') != std::string_view::npos;
        const bool known = std::any_of(installed.begin(), installed.end(),
                                       [&](const std::string& name) { return EqualsNoCase(name, configured); });
        if (!isPath && !known)
            sqlite::RaiseProviderError(sqlite::kOpenError, "The ODBC driver '" + std::string(configured) +
                                                               "' named by the configuration (OdbcDriver) is not "
                                                               "installed; installed drivers: " + Listing(installed));
        return {std::string(configured), DialectOf(configured)};
    }
    for (const std::string_view preferred : kPreferred) {
        for (const std::string& name : installed)
            if (EqualsNoCase(name, preferred)) return {name, DialectOf(name)};
    }
    sqlite::RaiseProviderError(sqlite::kOpenError,
                               "No ODBC driver for SQL Server is installed (looked for 'ODBC Driver 18 for SQL Server', "
                               "'ODBC Driver 17 for SQL Server' and 'FreeTDS'; installed drivers: " +
                                   Listing(installed) + "); install one, or name it with OdbcDriver in the configuration");
}

}  // namespace ovardx::odbc
