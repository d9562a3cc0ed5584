#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ovardx/DatabaseConnection.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::sqlite {

// The database connection component on an embedded SQLite file.
//
// "ConnString" takes "Provider=SQLite;Data Source=PATH" (see DataSourceOf).
// The file opens on the first statement after it and must already exist: a
// missing or unreadable file, or one that is no database, raises kOpenError
// and never creates a new empty database. Each statement waits up to five
// seconds for a lock held by another connection.
//
// GetAnyRecordSet translates the T-SQL text (TranslateTsql), runs every
// statement of it in turn and answers the rows of the last statement that
// yields columns; for pure writes, an empty recordset without columns. A
// failing statement raises kStatementError with SQLite's message; statements
// before it stay done. `sql` is not changed.
//
// Values arrive by the column's declared type: dates as DateTime, row
// versions and binaries as Bytes, decimals and floats as double, integers as
// integer, bits as Boolean, text as text; columns without a declared type
// (MAX(...), expressions) by their storage class. NULL arrives as null.
//
// One object is used on one thread at a time.
class SqliteConnection final : public DatabaseConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection() override = default;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Stores the connection string; a different one closes the open
    // connection, which opens again with the new string on the next statement.
    void ConnString(const std::string& connectString) override;
    std::shared_ptr<Recordset> GetAnyRecordSet(std::string& sql) override;
    // Closes the connection; harmless when closed.
    void CloseConn() override;

    // Rows changed by the last INSERT, UPDATE or DELETE of the latest
    // GetAnyRecordSet call (0 when that call wrote nothing, not counting
    // changes made by triggers).
    std::int64_t LastChanges() const noexcept { return lastChanges_; }
    bool IsOpen() const noexcept { return static_cast<bool>(db_); }

private:
    void EnsureOpen();

    std::string connectString_;
    Database db_;
    std::int64_t lastChanges_ = 0;
};

// The factory registered for "OVMConnection.Connection".
std::shared_ptr<DatabaseConnection> CreateSqliteConnection();

}  // namespace ovardx::sqlite
