#include "sqlite_backend/SqliteHandle.h"

#include <sqlite3.h>

#include <climits>
#include <utility>

#include "ovardx/Error.h"
#include "sqlite_backend/SqlServerFunctions.h"

namespace ovardx::sqlite {

void RaiseSqliteError(int code, sqlite3* db, std::int32_t number, std::string_view context) {
    // The handle's message belongs to the latest call on it; without a handle
    // only the code's generic text is known.
    std::string description = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    if ((code & 0xFF) == SQLITE_BUSY)
        description += " (another connection kept it locked for longer than the busy timeout; see BusyTimeout in "
                       "the configuration file)";
    if (!context.empty()) {
        description += ": ";
        description += context;
    }
    RaiseProviderError(number, std::move(description));
}

void Check(int code, sqlite3* db, std::int32_t number) {
    if (code != SQLITE_OK) RaiseSqliteError(code, db, number);
}

// --- Database ---------------------------------------------------------------

Database::~Database() { Close(); }

Database::Database(Database&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        Close();
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

Database Database::Open(const std::string& path, OpenMode mode, int busyTimeoutMilliseconds) {
    int flags = SQLITE_OPEN_FULLMUTEX;
    switch (mode) {
        case OpenMode::ReadWrite: flags |= SQLITE_OPEN_READWRITE; break;
        case OpenMode::ReadWriteCreate: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
        case OpenMode::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    }
    sqlite3* raw = nullptr;
    const int code = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    // SQLite hands out a handle even on failure; it carries the message and
    // must be closed all the same.
    Database db(raw);
    if (code != SQLITE_OK) RaiseSqliteError(code, raw, kOpenError, path);
    sqlite3_extended_result_codes(raw, 1);
    // Before anything reads the schema: DATETIME columns name the collation,
    // and every statement the translation writes may call the functions.
    RegisterSqlServerFunctions(raw);
    // Before the first statement: the schema read below already needs a
    // shared lock, which a writer in another connection may hold.
    Check(sqlite3_busy_timeout(raw, busyTimeoutMilliseconds), raw, kOpenError);
    // SQLite reads the file only when first needed; read the schema now so
    // that a file that is no database fails here, as an open error.
    sqlite3_stmt* probe = nullptr;
    int probed = sqlite3_prepare_v2(raw, "SELECT 1 FROM sqlite_master LIMIT 1", -1, &probe, nullptr);
    if (probed == SQLITE_OK) {
        probed = sqlite3_step(probe);
        if (probed == SQLITE_ROW || probed == SQLITE_DONE) probed = SQLITE_OK;
    }
    sqlite3_finalize(probe);
    if (probed != SQLITE_OK) RaiseSqliteError(probed, raw, kOpenError, path);
    return db;
}

void Database::Close() noexcept {
    // close_v2 defers the release while statements are still open, so it
    // cannot fail on a busy handle.
    if (db_ != nullptr) sqlite3_close_v2(std::exchange(db_, nullptr));
}

void Database::Exec(std::string_view script) {
    while (!script.empty()) {
        Statement statement = Statement::PrepareNext(db_, script);
        if (!statement) continue;
        while (statement.Step()) {
        }
    }
}

std::int64_t Database::Changes() const noexcept { return db_ ? sqlite3_changes64(db_) : 0; }

std::int64_t Database::TotalChanges() const noexcept { return db_ ? sqlite3_total_changes64(db_) : 0; }

std::int64_t Database::LastInsertRowId() const noexcept {
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

// --- Statement --------------------------------------------------------------

Statement::~Statement() {
    if (stmt_ != nullptr) sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept : stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        if (stmt_ != nullptr) sqlite3_finalize(stmt_);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

Statement::Statement(const Database& db, std::string_view sql) {
    // Held in a local until done: a constructor that throws runs no
    // destructor, so a member would leak the prepared statement.
    std::string_view rest = sql;
    Statement first = PrepareNext(db.get(), rest);
    if (!first) RaiseProviderError(kStatementError, "No statement in the SQL text");
    // Only blanks and comments may follow the one statement.
    while (!rest.empty()) {
        if (PrepareNext(db.get(), rest)) {
            RaiseProviderError(kStatementError, "More than one statement in the SQL text");
        }
    }
    stmt_ = std::exchange(first.stmt_, nullptr);
}

Statement Statement::PrepareNext(sqlite3* db, std::string_view& sql) {
    if (sql.size() > static_cast<std::size_t>(INT_MAX)) {
        RaiseProviderError(kStatementError, "SQL text too long");
    }
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int code = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, &tail);
    Statement statement(raw);
    if (code != SQLITE_OK) RaiseSqliteError(code, db);
    // A null tail never happens with a valid text; guard against looping.
    const std::size_t used = tail ? static_cast<std::size_t>(tail - sql.data()) : sql.size();
    sql.remove_prefix(used == 0 ? sql.size() : used);
    return statement;
}

sqlite3* Statement::Owner() const noexcept { return stmt_ ? sqlite3_db_handle(stmt_) : nullptr; }

bool Statement::Step() {
    const int code = sqlite3_step(stmt_);
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    RaiseSqliteError(code, Owner());
}

void Statement::Reset() {
    // reset repeats the error of the last step; that one has been raised already.
    sqlite3_reset(stmt_);
}

void Statement::Bind(int index, const Variant& value) {
    switch (value.kind()) {
        case Variant::Kind::Empty:
        case Variant::Kind::Null: BindNull(index); return;
        case Variant::Kind::Bool: Bind(index, static_cast<std::int64_t>(value.ToBool() ? 1 : 0)); return;
        case Variant::Kind::Integer: Bind(index, value.ToInt64()); return;
        case Variant::Kind::Double: Bind(index, value.ToDouble()); return;
        case Variant::Kind::Text: Bind(index, std::string_view(value.ToText())); return;
        case Variant::Kind::Date: Bind(index, std::string_view(value.ToDate().ToText())); return;
        case Variant::Kind::Bytes: Bind(index, value.AsBytes()); return;
        case Variant::Kind::Record:
        case Variant::Kind::List: RaiseRuntime(errnum::kTypeMismatch);
    }
}

void Statement::BindNull(int index) { Check(sqlite3_bind_null(stmt_, index), Owner()); }

void Statement::Bind(int index, std::int64_t value) {
    Check(sqlite3_bind_int64(stmt_, index, value), Owner());
}

void Statement::Bind(int index, double value) { Check(sqlite3_bind_double(stmt_, index, value), Owner()); }

void Statement::Bind(int index, std::string_view text) {
    Check(sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8),
          Owner());
}

void Statement::Bind(int index, const Bytes& bytes) {
    // A zero-length blob is a blob, not NULL: bind_blob with a null pointer
    // would store NULL.
    if (bytes.empty()) {
        Check(sqlite3_bind_zeroblob(stmt_, index, 0), Owner());
        return;
    }
    Check(sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT), Owner());
}

int Statement::ParameterIndex(const char* name) const { return sqlite3_bind_parameter_index(stmt_, name); }

int Statement::ColumnCount() const noexcept { return stmt_ ? sqlite3_column_count(stmt_) : 0; }

std::string Statement::ColumnName(int column) const {
    const char* name = sqlite3_column_name(stmt_, column);
    return name ? name : "";
}

std::string Statement::DeclaredType(int column) const {
    const char* type = sqlite3_column_decltype(stmt_, column);
    return type ? type : "";
}

StorageClass Statement::ColumnStorage(int column) const noexcept {
    switch (sqlite3_column_type(stmt_, column)) {
        case SQLITE_INTEGER: return StorageClass::Integer;
        case SQLITE_FLOAT: return StorageClass::Float;
        case SQLITE_TEXT: return StorageClass::Text;
        case SQLITE_BLOB: return StorageClass::Blob;
        default: return StorageClass::Null;
    }
}

std::int64_t Statement::ColumnInt64(int column) const noexcept { return sqlite3_column_int64(stmt_, column); }

double Statement::ColumnDouble(int column) const noexcept { return sqlite3_column_double(stmt_, column); }

std::string Statement::ColumnText(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return text ? std::string(text, static_cast<std::size_t>(size)) : std::string();
}

Bytes Statement::ColumnBlob(int column) const {
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return data ? Bytes(data, data + size) : Bytes();
}

bool Statement::IsReadOnly() const noexcept { return stmt_ == nullptr || sqlite3_stmt_readonly(stmt_) != 0; }

std::string Statement::Sql() const {
    const char* sql = stmt_ ? sqlite3_sql(stmt_) : nullptr;
    return sql ? sql : "";
}

}  // namespace ovardx::sqlite
