#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ovardx/Variant.h"
#include "sqlite_backend/ProviderError.h"

struct sqlite3;
struct sqlite3_stmt;

namespace ovardx::sqlite {

// The one place an SQLite result code becomes an error: raises an
// ovardx::Error with `number`, the provider's source and SQLite's message
// for `db` (or the code's generic text when there is no handle). `context`,
// when given, is appended after ": " (the file name of a failed open, say).
[[noreturn]] void RaiseSqliteError(int code, sqlite3* db, std::int32_t number = kStatementError,
                                   std::string_view context = {});

// Raises through RaiseSqliteError unless `code` is SQLITE_OK.
void Check(int code, sqlite3* db, std::int32_t number = kStatementError);

enum class OpenMode {
    ReadWrite,        // the file must exist
    ReadWriteCreate,  // creates a missing file
    ReadOnly,
};

// Owns one sqlite3 connection. Movable, not copyable; the destructor closes
// the connection and never throws.
class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;

    // Opens `path` (a file name, or ":memory:") and reads its schema; a file
    // that cannot be opened or is no database raises kOpenError with SQLite's
    // message and the path. Extended result codes are switched on, and the
    // DATETIME collation and the ovardx_ functions with SQL Server's semantics
    // are registered (RegisterSqlServerFunctions). Every statement, the
    // schema read included, waits up to busyTimeoutMilliseconds for a lock
    // another connection holds before it fails.
    static Database Open(const std::string& path, OpenMode mode,
                         int busyTimeoutMilliseconds = kDefaultBusyTimeoutMilliseconds);
    static constexpr int kDefaultBusyTimeoutMilliseconds = 5000;

    sqlite3* get() const noexcept { return db_; }
    explicit operator bool() const noexcept { return db_ != nullptr; }

    // Closes the connection now; harmless on a closed one.
    void Close() noexcept;

    // Runs every statement of `script` in turn, discarding rows. The first
    // failing statement raises kStatementError; the statements before it stay
    // done.
    void Exec(std::string_view script);

    // Rows changed by the most recent INSERT, UPDATE or DELETE.
    std::int64_t Changes() const noexcept;
    // Rows changed since the connection opened, triggers included.
    std::int64_t TotalChanges() const noexcept;
    std::int64_t LastInsertRowId() const noexcept;

private:
    explicit Database(sqlite3* db) noexcept : db_(db) {}
    sqlite3* db_ = nullptr;
};

// Storage class of a column value in the current row.
enum class StorageClass { Integer, Float, Text, Blob, Null };

// Owns one prepared statement. Movable, not copyable; the destructor
// finalizes it and never throws.
class Statement {
public:
    Statement() = default;
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;

    // Prepares the one statement in `sql`; text after it raises
    // kStatementError, so does text without any statement.
    Statement(const Database& db, std::string_view sql);

    // Prepares the first statement of `sql` and moves `sql` past it. Answers
    // an empty Statement (false) when only blanks, ";" or comments are left;
    // callers loop until `sql` is empty.
    static Statement PrepareNext(sqlite3* db, std::string_view& sql);

    sqlite3_stmt* get() const noexcept { return stmt_; }
    explicit operator bool() const noexcept { return stmt_ != nullptr; }

    // Advances to the next row: true on a row, false when the statement is
    // done; any error raises kStatementError.
    bool Step();
    // Rewinds for another run; bindings stay.
    void Reset();

    // Binds parameter `index` (1-based): null/empty as NULL, Boolean as 0/1,
    // date-times in their storage text "yyyy-mm-dd[ hh:mm:ss[.fff]]", byte
    // arrays as blobs. Records and lists raise type mismatch (13).
    void Bind(int index, const Variant& value);
    void BindNull(int index);
    void Bind(int index, std::int64_t value);
    void Bind(int index, double value);
    void Bind(int index, std::string_view text);
    void Bind(int index, const Bytes& bytes);
    // Index of a named parameter (":name", "@name", "$name"); 0 when absent.
    int ParameterIndex(const char* name) const;

    int ColumnCount() const noexcept;
    std::string ColumnName(int column) const;
    // The declared type of a result column as written in CREATE TABLE (also
    // through views, sub-selects and unions); empty for an expression.
    std::string DeclaredType(int column) const;

    // Values of the current row.
    StorageClass ColumnStorage(int column) const noexcept;
    std::int64_t ColumnInt64(int column) const noexcept;
    double ColumnDouble(int column) const noexcept;
    std::string ColumnText(int column) const;
    Bytes ColumnBlob(int column) const;

    // Whether the statement leaves the database unchanged.
    bool IsReadOnly() const noexcept;

    // The SQL text of the statement as prepared.
    std::string Sql() const;

private:
    explicit Statement(sqlite3_stmt* stmt) noexcept : stmt_(stmt) {}
    sqlite3* Owner() const noexcept;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace ovardx::sqlite
