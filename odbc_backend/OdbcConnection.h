#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ovardx/DatabaseConnection.h"

namespace ovardx::odbc {

class Session;

// The database connection component on ODBC: SQL Server through its
// vendor's driver or FreeTDS, or any database an ODBC string names.
//
// "ConnString" takes an ODBC string (Driver= or DSN=, passed as it stands)
// or an OLE DB string of a SQL Server provider (mapped, see
// ResolveOdbcTarget). The connection is taken from the process's session
// pool on the first statement after it, so that calls after the first pay
// no login, and given back at CloseConn, at a new connection string and
// when the object goes.
//
// GetAnyRecordSet runs exactly one query: a NUL character, a second
// statement or a text that is no SELECT is refused before anything reaches
// the driver (CheckSingleQuery). The statement goes to the server as it
// stands; only when the DBMS is SQLite (the SQLite ODBC driver, with which
// the tests run this path) it is translated as the embedded database
// translates it, typed by the database's columns. The statements of a call
// run in one transaction that CloseConn rolls back, so nothing a statement
// could write is kept. Errors raise ovardx::Error with the driver's
// diagnostics (source "ODBC driver <name>"), never holding the password.
//
// One object is used on one thread at a time.
class OdbcConnection final : public DatabaseConnection {
public:
    OdbcConnection();
    ~OdbcConnection() override;
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    void ConnString(const std::string& connectString) override;
    std::shared_ptr<Recordset> GetAnyRecordSet(std::string& sql) override;
    void CloseConn() override;
    // On SQL Server: SELECT MIN_ACTIVE_ROWVERSION(). Elsewhere no limit.
    std::optional<Bytes> MinActiveRowVersion() override;

private:
    Session& EnsureSession();
    void Release() noexcept;

    std::string connectString_;
    std::unique_ptr<Session> session_;
};

}  // namespace ovardx::odbc
