#include "sqlite_backend/SqliteConnection.h"

#include <utility>
#include <vector>

#include "sqlite_backend/ColumnValue.h"
#include "sqlite_backend/ConnectionString.h"
#include "sqlite_backend/TsqlTranslator.h"

namespace ovardx::sqlite {

namespace {

constexpr int kBusyTimeoutMilliseconds = 5000;

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

}  // namespace

void SqliteConnection::ConnString(const std::string& connectString) {
    if (connectString != connectString_) db_.Close();
    connectString_ = connectString;
}

void SqliteConnection::CloseConn() { db_.Close(); }

void SqliteConnection::EnsureOpen() {
    if (db_) return;
    if (connectString_.empty()) RaiseProviderError(kOpenError, "No connection string has been set");
    Database db = Database::Open(DataSourceOf(connectString_), OpenMode::ReadWrite);
    db.SetBusyTimeout(kBusyTimeoutMilliseconds);
    // Sorting and de-duplicating (ORDER BY, UNION) then stays off the disk.
    db.Exec("PRAGMA temp_store=MEMORY");
    db_ = std::move(db);
}

std::shared_ptr<Recordset> SqliteConnection::GetAnyRecordSet(std::string& sql) {
    const std::string translated = TranslateTsql(sql);
    EnsureOpen();
    lastChanges_ = 0;
    Result result;
    std::string_view rest = translated;
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
    return std::make_shared<Recordset>(std::move(result.columns), std::move(result.rows));
}

std::shared_ptr<DatabaseConnection> CreateSqliteConnection() { return std::make_shared<SqliteConnection>(); }

}  // namespace ovardx::sqlite
