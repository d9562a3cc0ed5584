#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ovardx/DatabaseConnection.h"
#include "sqlite_backend/ColumnTypes.h"
#include "sqlite_backend/HandlePool.h"
#include "sqlite_backend/SqliteHandle.h"
#include "sqlite_backend/StatementCache.h"
#include "sqlite_backend/StatementShape.h"

namespace ovardx::sqlite {

// The database connection component on an embedded SQLite file.
//
// "ConnString" takes "Provider=SQLite;Data Source=PATH" (see DataSourceOf;
// SQLite URIs only when the configuration allows them). The file opens on
// the first statement after it and must already exist: a missing or
// unreadable file, or one that is no database, raises kOpenError and never
// creates a new empty database. The open handle comes from the calling
// thread's pool (see HandlePool.h) and goes back to it at CloseConn, so a
// call pays no open and no schema parse after the first. From its first statement on, the connection
// waits for a lock held by another connection up to the configured busy
// timeout (BusyTimeout, default five seconds) before a statement fails.
//
// GetAnyRecordSet translates the T-SQL text (TranslateTsql, with the column
// types of the database's tables, read again whenever its schema changes)
// and runs it. A NUL character anywhere in the text is refused (SQLite would
// silently end the statement there). What else it accepts depends on the policy:
// - SingleReadOnly (the component the library creates): exactly one
//   statement that only reads (a SELECT); a second statement, a write, a
//   PRAGMA, ATTACH or transaction control is refused with kStatementError
//   before anything runs, and the connection itself is query-only. The
//   library never writes through its connection, so a filter condition
//   cannot make an export write.
// - Scripts: every statement of the text in turn; the answer is the rows of
//   the last statement that yields columns, for pure writes an empty
//   recordset without columns. Statements before a failing one stay done.
// A failing statement raises kStatementError with SQLite's message. `sql` is
// not changed. A SingleReadOnly connection keeps its statements prepared
// with the handle (see StatementCache.h): a text run again on the thread is
// neither translated nor prepared again, nor is a lookup that differs from
// an earlier one only in its "= 'text'" values or its trailing "= number",
// nor a page statement whose bound (a binary literal) moved (see
// StatementShape.h). Within a snapshot (HoldSnapshot), a small result of a
// text it ran before is answered from memory while the database has not
// changed since (see ResultMemo.h).
//
// Values arrive by the column's declared type: dates as DateTime, row
// versions and binaries as Bytes, decimals and floats as double, integers as
// integer, bits as Boolean, text as text; columns without a declared type
// (MAX(...), expressions) by their storage class. NULL arrives as null.
//
// One object is used on one thread at a time.
class SqliteConnection final : public DatabaseConnection {
public:
    enum class Policy { SingleReadOnly, Scripts };

    explicit SqliteConnection(Policy policy = Policy::SingleReadOnly) : policy_(policy) {}
    ~SqliteConnection() override;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Stores the connection string; a different one closes the open
    // connection, which opens again with the new string on the next statement.
    void ConnString(const std::string& connectString) override;
    std::shared_ptr<Recordset> GetAnyRecordSet(std::string& sql) override;
    // Closes the connection; harmless when closed.
    void CloseConn() override;
    // Until CloseConn, the statements read one snapshot: a read transaction
    // from the next statement on. Only on a database in WAL mode, where it
    // keeps no writer waiting; otherwise each statement reads the latest
    // state.
    void HoldSnapshot() override;
    // Within a snapshot of a database in WAL mode: the handle and its data
    // version (see ResultMemo.h).
    std::optional<std::string> SnapshotState() override;

    // Rows changed by the last INSERT, UPDATE or DELETE of the latest
    // GetAnyRecordSet call (0 when that call wrote nothing, not counting
    // changes made by triggers).
    std::int64_t LastChanges() const noexcept { return lastChanges_; }
    bool IsOpen() const noexcept { return open_.has_value(); }

private:
    void EnsureOpen();
    // Gives the open handle back to the thread's pool.
    void Release() noexcept;
    void BeginSnapshot();
    // The column types of the open database, read again when its schema
    // version changed.
    const ColumnTypes& CurrentColumnTypes();
    // The T-SQL text as SQLite runs it.
    std::string Translate(const std::string& sql);
    // Prepares one statement that only reads; refuses anything else.
    Statement PrepareReadOnly(std::string_view sql);
    // The cached statement of a T-SQL text, translated and prepared on a
    // miss; values receives the text's values when its statement is shared.
    PreparedRead& PreparedFor(const std::string& sql, std::vector<Variant>& values);
    // The translation with the shape's values as parameters, when that
    // reads exactly as the whole text does.
    std::optional<PreparedRead> Share(const std::string& translated, const StatementShape& shape,
                                      const PreparedRead& whole);
    // The data version of the snapshot the connection reads, when it holds
    // one (see ResultMemo.h).
    std::optional<std::uint32_t> SnapshotVersion();
    std::shared_ptr<Recordset> RunReadOnly(const std::string& sql);
    std::shared_ptr<Recordset> RunScript(std::string_view sql);
    Policy policy_;
    bool snapshotWanted_ = false;  // HoldSnapshot asked for one until CloseConn
    bool inSnapshot_ = false;      // the read transaction is open
    bool schemaReadInSnapshot_ = false;  // its schema version was read
    std::string connectString_;
    std::optional<OpenDatabase> open_;  // taken from the thread's pool
    std::int64_t lastChanges_ = 0;
};

// The factory registered for "OVMConnection.Connection": a SingleReadOnly
// connection.
std::shared_ptr<DatabaseConnection> CreateSqliteConnection();

}  // namespace ovardx::sqlite
