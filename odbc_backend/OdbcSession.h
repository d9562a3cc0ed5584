#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "odbc_backend/OdbcHandles.h"
#include "odbc_backend/OleDbMapping.h"
#include "ovardx/DatabaseConnection.h"
#include "sqlite_backend/ColumnTypes.h"

namespace ovardx::odbc {

// One physical ODBC connection: on a server, one login. It reads only, and
// whatever a statement might write is undone at Rollback:
// - autocommit is off, so every statement of a call runs in one transaction
//   that Rollback ends (on SQL Server: implicit transactions, rolled back);
// - the access mode is set to read-only (SQL_MODE_READ_ONLY) where the
//   driver accepts it (SQL Server's drivers accept it as a hint and
//   enforce nothing);
// - on SQLite the connection is query-only (PRAGMA query_only), so a write
//   fails there before it starts.
class Session {
public:
    // Connects with SQLDriverConnect, never prompting. Failures raise
    // kOpenError with the driver's diagnostics.
    static std::unique_ptr<Session> Connect(const OdbcTarget& target);
    ~Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // What the pool keys sessions by: the whole connection string and the
    // login timeout.
    const std::string& PoolKey() const noexcept { return key_; }
    const ErrorContext& Context() const noexcept { return context_; }
    // The DBMS answers as SQLite (the SQLite ODBC driver), or as SQL Server.
    bool IsSqlite() const noexcept { return sqlite_; }
    bool IsSqlServer() const noexcept { return sqlServer_; }

    // Runs the text as it is and answers its rows, values as the embedded
    // database gives them (see ReadColumnValue). A failure raises
    // kStatementError with the driver's diagnostics; when it says the
    // connection itself failed (SQLSTATE 08...), the session is Broken.
    std::shared_ptr<Recordset> Query(std::string_view sql);

    // The column types of the SQLite database's tables, read through the
    // connection and again whenever its schema changed.
    const sqlite::ColumnTypes& SqliteColumnTypes();

    // Ends the call's transaction, undoing anything written; false when
    // that failed and the session is of no further use.
    bool Rollback() noexcept;
    // True when the driver reports the connection lost, or a statement
    // failed with a connection error.
    bool Broken() noexcept;

private:
    Session() = default;
    void Execute(std::string_view sql);
    SQLRETURN ExecDirect(SQLHANDLE statement, std::string_view sql) const;

    ConnectionHandle connection_;
    std::string key_;
    ErrorContext context_;
    bool sqlite_ = false;
    bool sqlServer_ = false;
    bool broken_ = false;
    long long schemaVersion_ = -1;
    sqlite::ColumnTypes columnTypes_;
};

// SQLDriverConnect calls of this process that reached the driver: the
// logins paid, for tests and benchmarks of the pool.
std::uint64_t LoginCount() noexcept;

}  // namespace ovardx::odbc
