#include "sqlite_backend/SqliteConnection.h"

#include <sqlite3.h>

#include <cstring>
#include <utility>
#include <vector>

#include "ovardx/Error.h"
#include "registry/LibrarySettings.h"
#include "sqlite_backend/ColumnValue.h"
#include "sqlite_backend/ConnectionString.h"
#include "sqlite_backend/PageRewrites.h"
#include "sqlite_backend/TsqlTokenizer.h"
#include "sqlite_backend/TsqlTranslator.h"

namespace ovardx::sqlite {

namespace {

struct Result {
    std::vector<std::string> columns;
    std::vector<std::vector<Variant>> rows;
};

Result ReadRows(Statement& statement) {
    Result result;
    const int count = statement.ColumnCount();
    std::vector<ColumnType> types;
    for (int column = 0; column < count; ++column) {
        result.columns.push_back(statement.ColumnName(column));
        types.push_back(ClassifyDeclaredType(statement.DeclaredType(column)));
    }
    while (statement.Step()) {
        std::vector<Variant> row;
        row.reserve(static_cast<std::size_t>(count));
        for (int column = 0; column < count; ++column) {
            row.push_back(ReadColumn(statement, column, types[static_cast<std::size_t>(column)]));
        }
        result.rows.push_back(std::move(row));
    }
    return result;
}

std::shared_ptr<Recordset> ToRecordset(Result result) {
    return std::make_shared<Recordset>(std::move(result.columns), std::move(result.rows));
}

// The first column of the first row of a statement, as text.
std::string SingleText(const Database& db, std::string_view sql) {
    Statement statement(db, sql);
    return statement.Step() ? statement.ColumnText(0) : std::string();
}

// What a refused authorizer action is called in the error text.
const char* ActionName(int action) {
    switch (action) {
        case SQLITE_INSERT: return "INSERT";
        case SQLITE_UPDATE: return "UPDATE";
        case SQLITE_DELETE: return "DELETE";
        case SQLITE_PRAGMA: return "PRAGMA";
        case SQLITE_ATTACH: return "ATTACH";
        case SQLITE_DETACH: return "DETACH";
        case SQLITE_TRANSACTION: return "transaction control";
        case SQLITE_SAVEPOINT: return "SAVEPOINT";
        case SQLITE_FUNCTION: return "a function that is not allowed";
        default: return "a statement that changes the database";
    }
}

// Functions that reach outside the database or change how it is read.
bool IsRefusedFunction(const char* name) {
    return name != nullptr && (sqlite3_stricmp(name, "load_extension") == 0 ||
                               sqlite3_stricmp(name, "fts3_tokenizer") == 0);
}

}  // namespace

int SqliteConnection::Authorize(void* self, int action, const char*, const char* detail2, const char*,
                                const char*) noexcept {
    auto* connection = static_cast<SqliteConnection*>(self);
    // The connection's own schema reads (PRAGMA schema_version, table_info).
    if (connection->readingSchema_) return SQLITE_OK;
    switch (action) {
        case SQLITE_SELECT:
        case SQLITE_READ:
        case SQLITE_RECURSIVE:
            return SQLITE_OK;
        case SQLITE_FUNCTION:
            if (!IsRefusedFunction(detail2)) return SQLITE_OK;
            break;
        default:
            break;
    }
    if (connection->refused_ == nullptr) connection->refused_ = ActionName(action);
    return SQLITE_DENY;
}

void SqliteConnection::ConnString(const std::string& connectString) {
    if (connectString != connectString_) {
        db_.Close();
        inSnapshot_ = false;
    }
    connectString_ = connectString;
}

void SqliteConnection::CloseConn() {
    db_.Close();  // ends a read transaction held for a snapshot
    snapshotWanted_ = inSnapshot_ = false;
}

void SqliteConnection::HoldSnapshot() { snapshotWanted_ = true; }

void SqliteConnection::BeginSnapshot() {
    // A deferred transaction: the next statement takes the snapshot, and
    // every later one of the call reads it too.
    readingSchema_ = true;
    try {
        db_.Exec("BEGIN");
    } catch (...) {
        readingSchema_ = false;
        throw;
    }
    readingSchema_ = false;
    inSnapshot_ = true;
}

void SqliteConnection::EnsureOpen() {
    if (db_) return;
    if (connectString_.empty()) RaiseProviderError(kOpenError, "No connection string has been set");
    const LibrarySettings& settings = ThreadSettings();
    Database db = Database::Open(DataSourceOf(connectString_, settings.allowUriFileNames), OpenMode::ReadWrite,
                                 settings.busyTimeoutMilliseconds);
    // Sorting and de-duplicating (ORDER BY, UNION) then stays off the disk.
    db.Exec("PRAGMA temp_store=MEMORY");
    // In WAL mode a read transaction blocks no writer, so a call may hold one
    // for its snapshot; in the rollback journal it would.
    wal_ = EqualsNoCase(SingleText(db, "PRAGMA journal_mode"), "wal");
    if (policy_ == Policy::SingleReadOnly) {
        // Belt and braces: even a statement the authorizer let through
        // cannot change the file.
        db.Exec("PRAGMA query_only=1");
        Check(sqlite3_set_authorizer(db.get(), &SqliteConnection::Authorize, this), db.get(), kOpenError);
    }
    db_ = std::move(db);
    inSnapshot_ = false;
    // Another file may share the old one's schema version.
    columnTypes_ = SchemaColumnTypes{};
    rewriteSupport_ = RewriteSupport{};
}

std::shared_ptr<Recordset> SqliteConnection::GetAnyRecordSet(std::string& sql) {
    if (const auto nul = sql.find('\0'); nul != std::string::npos) {
        RaiseProviderError(kStatementError, "The SQL text holds a NUL character at character " +
                                                std::to_string(nul + 1) + "; it is refused, since it would end "
                                                "the statement there");
    }
    EnsureOpen();
    const std::string translated =
        RewritePageStatement(TranslateTsql(sql, CurrentColumnTypes()), rewriteSupport_);
    if (snapshotWanted_ && !inSnapshot_ && wal_) BeginSnapshot();
    lastChanges_ = 0;
    return policy_ == Policy::SingleReadOnly ? RunReadOnly(translated) : RunScript(translated);
}

const ColumnTypes& SqliteConnection::CurrentColumnTypes() {
    readingSchema_ = true;
    try {
        if (ReadSchemaVersion(db_.get()) != columnTypes_.schemaVersion) {
            columnTypes_ = ReadColumnTypes(db_.get());
            rewriteSupport_ = ReadRewriteSupport(db_.get());
        }
    } catch (...) {
        readingSchema_ = false;
        throw;
    }
    readingSchema_ = false;
    return columnTypes_.types;
}

std::shared_ptr<Recordset> SqliteConnection::RunReadOnly(std::string_view sql) {
    constexpr const char* kOnlyOneSelect =
        "Statement refused: the library's connection runs exactly one read-only SELECT per call";
    refused_ = nullptr;
    Statement statement;
    try {
        statement = Statement(db_, sql);
    } catch (const Error&) {
        if (refused_ != nullptr) RaiseProviderError(kStatementError, std::string(kOnlyOneSelect) + "; found " + refused_);
        throw;
    }
    if (!statement.IsReadOnly()) RaiseProviderError(kStatementError, std::string(kOnlyOneSelect) + "; found a write");
    return ToRecordset(ReadRows(statement));
}

std::shared_ptr<Recordset> SqliteConnection::RunScript(std::string_view sql) {
    Result result;
    std::string_view rest = sql;
    while (!rest.empty()) {
        Statement statement = Statement::PrepareNext(db_.get(), rest);
        if (!statement) continue;
        // changes() keeps its value across statements that change no rows
        // (CREATE, PRAGMA); the total tells whether this one did.
        const std::int64_t before = db_.TotalChanges();
        if (statement.ColumnCount() > 0) {
            result = ReadRows(statement);
        } else {
            while (statement.Step()) {
            }
        }
        if (!statement.IsReadOnly()) lastChanges_ = db_.TotalChanges() != before ? db_.Changes() : 0;
    }
    return ToRecordset(std::move(result));
}

std::shared_ptr<DatabaseConnection> CreateSqliteConnection() { return std::make_shared<SqliteConnection>(); }

}  // namespace ovardx::sqlite
