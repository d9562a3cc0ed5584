#include "sqlite_backend/SqliteConnection.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "ovardx/Error.h"
#include "registry/LibrarySettings.h"
#include "sqlite_backend/ColumnValue.h"
#include "sqlite_backend/ConnectionString.h"
#include "sqlite_backend/HandlePool.h"
#include "sqlite_backend/PageRewrites.h"
#include "sqlite_backend/ResultMemo.h"
#include "sqlite_backend/StatementCache.h"
#include "sqlite_backend/StatementShape.h"
#include "sqlite_backend/TsqlTranslator.h"

namespace ovardx::sqlite {

namespace {

// Resets a kept statement when the scope ends, whatever happens: one left
// stepping would hold its read lock while it waits for its next run.
class ResetWhenDone {
public:
    explicit ResetWhenDone(Statement& statement) noexcept : statement_(statement) {}
    ~ResetWhenDone() { statement_.Reset(); }
    ResetWhenDone(const ResetWhenDone&) = delete;
    ResetWhenDone& operator=(const ResetWhenDone&) = delete;

private:
    Statement& statement_;
};

struct Result {
    std::vector<std::string> columns;
    std::vector<std::vector<Variant>> rows;
};

void ReadRowsInto(Result& result, Statement& statement, const std::vector<ColumnType>& types) {
    const std::size_t count = types.size();
    while (statement.Step()) {
        std::vector<Variant> row;
        row.reserve(count);
        for (std::size_t column = 0; column < count; ++column)
            row.push_back(ReadColumn(statement, static_cast<int>(column), types[column]));
        result.rows.push_back(std::move(row));
    }
}

Result ReadRows(Statement& statement) {
    Result result;
    const int count = statement.ColumnCount();
    std::vector<ColumnType> types;
    for (int column = 0; column < count; ++column) {
        result.columns.push_back(statement.ColumnName(column));
        types.push_back(ClassifyDeclaredType(statement.DeclaredType(column)));
    }
    ReadRowsInto(result, statement, types);
    return result;
}

Result ReadRows(PreparedRead& read) {
    Result result;
    result.columns = read.columnNames;
    ReadRowsInto(result, read.statement, read.columnTypes);
    return result;
}

std::shared_ptr<Recordset> ToRecordset(Result result) {
    return std::make_shared<Recordset>(std::move(result.columns), std::move(result.rows));
}

}  // namespace

SqliteConnection::~SqliteConnection() { Release(); }

void SqliteConnection::Release() noexcept {
    // The handle goes back to the thread's pool, its read transaction ended.
    if (open_) ReturnHandle(std::move(*open_));
    open_.reset();
    inSnapshot_ = false;
}

void SqliteConnection::ConnString(const std::string& connectString) {
    if (connectString != connectString_) Release();
    connectString_ = connectString;
}

void SqliteConnection::CloseConn() {
    Release();
    snapshotWanted_ = false;
}

void SqliteConnection::HoldSnapshot() { snapshotWanted_ = true; }

void SqliteConnection::BeginSnapshot() {
    // A deferred transaction: the next statement takes the snapshot, and
    // every later one of the call reads it too.
    BeginTransaction(*open_);
    inSnapshot_ = true;
    schemaReadInSnapshot_ = false;
}

void SqliteConnection::EnsureOpen() {
    if (open_) return;
    if (connectString_.empty()) RaiseProviderError(kOpenError, "No connection string has been set");
    const LibrarySettings& settings = ThreadSettings();
    OpenDatabase handle = TakeHandle(DataSourceOf(connectString_, settings.allowUriFileNames),
                                     policy_ == Policy::SingleReadOnly, settings.busyTimeoutMilliseconds);
    open_ = std::move(handle);
    inSnapshot_ = false;
}

std::shared_ptr<Recordset> SqliteConnection::GetAnyRecordSet(std::string& sql) {
    if (const auto nul = sql.find('\0'); nul != std::string::npos) {
        RaiseProviderError(kStatementError, "The SQL text holds a NUL character at character " +
                                                std::to_string(nul + 1) + "; it is refused, since it would end "
                                                "the statement there");
    }
    EnsureOpen();
    // In the rollback journal a read transaction held for the call would
    // keep writers waiting; there each statement reads the latest state.
    if (snapshotWanted_ && !inSnapshot_ && open_->wal) BeginSnapshot();
    lastChanges_ = 0;
    if (policy_ == Policy::SingleReadOnly) return RunReadOnly(sql);
    return RunScript(Translate(sql));
}

std::string SqliteConnection::Translate(const std::string& sql) {
    return RewritePageStatement(TranslateTsql(sql, CurrentColumnTypes()), open_->rewriteSupport);
}

const ColumnTypes& SqliteConnection::CurrentColumnTypes() {
    // Within a snapshot the schema cannot change: its first statement reads
    // the version for all of them.
    if (inSnapshot_ && schemaReadInSnapshot_) return open_->columnTypes.types;
    ReadOnlyGuard::OwnStatements own(open_->guard.get());
    sqlite3* db = open_->db.get();
    // Prepared once per handle: a statement per call would cost more than
    // the check.
    Statement& version = open_->schemaVersion;
    if (!version) version = Statement(open_->db, "PRAGMA schema_version");
    const ResetWhenDone reset(version);
    const long long schemaVersion = version.Step() ? version.ColumnInt64(0) : -1;
    if (schemaVersion != open_->columnTypes.schemaVersion) {
        open_->statements.Clear();
        open_->columnTypes = ReadColumnTypes(db);
        open_->rewriteSupport = ReadRewriteSupport(db);
    }
    schemaReadInSnapshot_ = inSnapshot_;
    return open_->columnTypes.types;
}

Statement SqliteConnection::PrepareReadOnly(std::string_view sql) {
    constexpr const char* kOnlyOneSelect =
        "Statement refused: the library's connection runs exactly one read-only SELECT per call";
    ReadOnlyGuard& guard = *open_->guard;
    guard.ClearRefusal();
    Statement statement;
    try {
        statement = Statement(open_->db, sql);
    } catch (const Error&) {
        if (const char* refused = guard.Refused())
            RaiseProviderError(kStatementError, std::string(kOnlyOneSelect) + "; found " + refused);
        throw;
    }
    if (!statement.IsReadOnly()) RaiseProviderError(kStatementError, std::string(kOnlyOneSelect) + "; found a write");
    return statement;
}

PreparedRead& SqliteConnection::PreparedFor(const std::string& sql, std::vector<Variant>& values) {
    StatementCache& cache = open_->statements;
    // The schema version is checked before anything cached is used.
    CurrentColumnTypes();
    std::optional<StatementShape> shape = ShapeOf(sql);
    if (shape) {
        if (PreparedRead* read = cache.FindShape(shape->key)) {
            values = std::move(shape->values);
            return *read;
        }
    }
    if (PreparedRead* read = cache.FindText(sql)) return *read;

    const std::string translated = Translate(sql);
    PreparedRead whole = DescribeRead(PrepareReadOnly(translated));
    whole.repeatable = IsRepeatable(translated);
    if (shape && sqlite3_bind_parameter_count(whole.statement.get()) == 0) {
        if (auto shared = Share(translated, *shape, whole)) {
            values = std::move(shape->values);
            return cache.AddShape(shape->key, std::move(*shared));
        }
    }
    return cache.AddText(sql, std::move(whole));
}

std::optional<PreparedRead> SqliteConnection::Share(const std::string& translated, const StatementShape& shape,
                                                    const PreparedRead& whole) {
    // Where the translation writes each value: binary literals wherever it
    // writes them, the others once each, in the order of the text.
    struct Place {
        std::size_t at;
        const StatementShape::Literal* literal;
    };
    std::vector<Place> places;
    std::size_t cursor = 0;
    for (const StatementShape::Literal& literal : shape.literals) {
        if (literal.everywhere) {
            for (std::size_t at = translated.find(literal.text); at != std::string::npos;
                 at = translated.find(literal.text, at + literal.text.size()))
                places.push_back({at, &literal});
            continue;
        }
        const std::size_t at = translated.find(literal.text, cursor);
        if (at == std::string::npos) return std::nullopt;
        places.push_back({at, &literal});
        cursor = at + literal.text.size();
    }
    std::sort(places.begin(), places.end(), [](const Place& a, const Place& b) { return a.at < b.at; });
    std::string shared;
    std::string probed;
    std::size_t done = 0;
    for (const Place& place : places) {
        if (place.at < done) return std::nullopt;  // two values in one place
        shared.append(translated, done, place.at - done).append("?" + std::to_string(place.literal->parameter));
        probed.append(translated, done, place.at - done).append(place.literal->probe);
        done = place.at + place.literal->text.size();
    }
    shared.append(translated, done);
    probed.append(translated, done);
    // The text with the other values must translate to the same text with
    // those values in exactly these places: the translation then treats
    // each value as an operand it does not look into (a text compared with
    // a date or a number is looked into: its other value, no date and no
    // number, is refused or converted), and nothing else of the statement
    // merely looked like a value.
    try {
        if (Translate(shape.probe) != probed) return std::nullopt;
    } catch (const Error&) {
        return std::nullopt;
    }
    try {
        PreparedRead read = DescribeRead(PrepareReadOnly(shared));
        // Where a value is part of a column's name (an expression without
        // alias), the names differ: that text keeps its literals.
        if (sqlite3_bind_parameter_count(read.statement.get()) != static_cast<int>(shape.values.size()) ||
            read.columnNames != whole.columnNames || read.columnTypes != whole.columnTypes)
            return std::nullopt;
        read.parameters = shape.values.size();
        read.repeatable = whole.repeatable;
        return read;
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::optional<std::uint32_t> SqliteConnection::SnapshotVersion() {
    if (!inSnapshot_) return std::nullopt;
    // The snapshot's first statement reads the schema version: from then on
    // the read transaction is open and the data version is the snapshot's.
    CurrentColumnTypes();
    sqlite3* db = open_->db.get();
    if (sqlite3_txn_state(db, "main") != SQLITE_TXN_READ) return std::nullopt;
    unsigned int version = 0;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version) != SQLITE_OK) return std::nullopt;
    return version;
}

std::optional<std::string> SqliteConnection::SnapshotState() {
    if (!open_) return std::nullopt;
    const std::optional<std::uint32_t> version = SnapshotVersion();
    if (!version) return std::nullopt;
    return "sqlite handle " + std::to_string(open_->serial) + " data version " + std::to_string(*version);
}

std::shared_ptr<Recordset> SqliteConnection::RunReadOnly(const std::string& sql) {
    const std::optional<std::uint32_t> version = SnapshotVersion();
    if (version) {
        if (auto known = open_->results.Find(sql, *version)) return known;
    }
    std::vector<Variant> values;
    PreparedRead& read = PreparedFor(sql, values);
    std::shared_ptr<Recordset> rows;
    {
        const ResetWhenDone reset(read.statement);
        for (std::size_t index = 0; index < read.parameters; ++index)
            read.statement.Bind(static_cast<int>(index + 1), values[index]);
        rows = ToRecordset(ReadRows(read));
    }
    if (version && read.repeatable) open_->results.Add(sql, *version, *rows);
    return rows;
}

std::shared_ptr<Recordset> SqliteConnection::RunScript(std::string_view sql) {
    Result result;
    std::string_view rest = sql;
    while (!rest.empty()) {
        Statement statement = Statement::PrepareNext(open_->db.get(), rest);
        if (!statement) continue;
        // changes() keeps its value across statements that change no rows
        // (CREATE, PRAGMA); the total tells whether this one did.
        const std::int64_t before = open_->db.TotalChanges();
        if (statement.ColumnCount() > 0) {
            result = ReadRows(statement);
        } else {
            while (statement.Step()) {
            }
        }
        if (!statement.IsReadOnly()) lastChanges_ = open_->db.TotalChanges() != before ? open_->db.Changes() : 0;
    }
    return ToRecordset(std::move(result));
}

std::shared_ptr<DatabaseConnection> CreateSqliteConnection() { return std::make_shared<SqliteConnection>(); }

}  // namespace ovardx::sqlite
