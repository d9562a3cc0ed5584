#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "erp/DemoTarget.h"

namespace ovardx::erp {

// A database reached through ODBC as a target of the demo data: its own
// writable connection (never the library's read-only one), all writes in one
// transaction that Commit ends; destroyed without Commit, nothing is kept.
// Works with SQL Server's drivers and, for the tests, the SQLite driver.
class OdbcDemoTarget final : public DemoTarget {
public:
    // Connects with an ODBC string or a SQL Server OLE DB string (mapped as
    // the library maps it). Errors raise ovardx::Error without the password.
    explicit OdbcDemoTarget(const std::string& connectString);
    ~OdbcDemoTarget() override;
    OdbcDemoTarget(const OdbcDemoTarget&) = delete;
    OdbcDemoTarget& operator=(const OdbcDemoTarget&) = delete;

    std::unique_ptr<DemoStatement> Prepare(std::string_view sql) override;
    // Runs a statement or T-SQL batch without parameters.
    void Execute(std::string_view sql);
    // True when the database has a table of that name.
    bool HasTable(std::string_view name);
    void Commit();
    bool IsSqlServer() const noexcept;

    struct Connection;

private:
    std::unique_ptr<Connection> connection_;
};

}  // namespace ovardx::erp
