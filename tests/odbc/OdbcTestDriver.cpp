#include "tests/odbc/OdbcTestDriver.h"

#include <cstdlib>
#include <fstream>
#include <mutex>

#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {

void RegisterSqliteOdbcDriver() {
    static std::once_flag once;
    std::call_once(once, [] {
        static TemporaryFolder* folder = new TemporaryFolder();  // lives for the program
        std::ofstream(folder->Path() / "odbcinst.ini") << "[" << kSqliteOdbcDriver << "]\n"
                                                        << "Description=SQLite3 ODBC driver of the tests\n"
                                                        << "Driver=" << OVARDX_SQLITE_ODBC_DRIVER << "\n";
        std::ofstream(folder->Path() / "odbc.ini") << "";
        ::setenv("ODBCSYSINI", folder->Path().c_str(), 1);
        ::setenv("ODBCINI", (folder->Path() / "odbc.ini").c_str(), 1);
    });
}

std::string OdbcConnectString(const std::filesystem::path& database) {
    return std::string("Driver=") + kSqliteOdbcDriver + ";Database=" + database.string() +
           ";NoCreat=1;LoadExt=" + OVARDX_SQLITE_EXTENSION;
}

std::string OdbcPropsFor(const std::filesystem::path& database, int userId, const std::string& language) {
    return "ConnectString={" + OdbcConnectString(database) + "};UserID=" + std::to_string(userId) +
           ";Setuptype=standard;Language=" + language;
}

}  // namespace ovardx::testing
