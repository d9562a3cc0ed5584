#include "sqlite_backend/SqliteConnection.h"

#include <sqlite3.h>

#include <cstring>
#include <utility>
#include <vector>

#include "ovardx/Error.h"
#include "registry/LibrarySettings.h"
#include "sqlite_backend/ColumnValue.h"
#include "sqlite_backend/ConnectionString.h"
#include "sqlite_backend/HandlePool.h"
#include "sqlite_backend/PageRewrites.h"
#include "sqlite_backend/StatementCache.h"
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
    ReadOnlyGuard::OwnStatements own(open_->guard.get());
    open_->db.Exec("BEGIN");
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

PreparedRead& SqliteConnection::PreparedFor(const std::string& sql, Binding& binding) {
    StatementCache& cache = open_->statements;
    // The schema version is checked before anything cached is used.
    CurrentColumnTypes();
    const auto number = SplitTrailingNumber(sql);
    std::optional<BinaryLiterals> binary;
    if (number) {
        binding = {Parameter::TrailingNumber, number->value, {}};
        if (PreparedRead* read = cache.FindHead(number->head)) return *read;
    } else if ((binary = SplitBinaryLiterals(sql))) {
        binding = {Parameter::BinaryLiterals, 0, binary->value};
        if (PreparedRead* read = cache.FindHead(binary->key)) return *read;
    }
    if (PreparedRead* read = cache.FindWhole(sql)) return *read;

    const std::string translated = Translate(sql);
    PreparedRead whole = DescribeRead(PrepareReadOnly(translated), Parameter::None);
    if (sqlite3_bind_parameter_count(whole.statement.get()) == 0) {
        std::optional<PreparedRead> shared;
        if (number) shared = ShareTrailingNumber(translated, number->digits, whole);
        if (binary) shared = ShareBinaryLiterals(translated, *binary, whole);
        if (shared) return cache.AddHead(number ? number->head : std::string_view(binary->key), std::move(*shared));
    }
    return cache.AddWhole(sql, std::move(whole));
}

std::optional<PreparedRead> SqliteConnection::ShareTrailingNumber(const std::string& translated,
                                                                  std::string_view digits,
                                                                  const PreparedRead& whole) {
    // The translation must end in the same "= number" for the number to be
    // a comparison operand that a parameter can stand for.
    const auto ending = SplitTrailingNumber(translated);
    if (!ending || ending->digits != digits) return std::nullopt;
    return PrepareShared(std::string(ending->head) + "?1", Parameter::TrailingNumber, whole);
}

std::optional<PreparedRead> SqliteConnection::ShareBinaryLiterals(const std::string& translated,
                                                                  const BinaryLiterals& binary,
                                                                  const PreparedRead& whole) {
    // Each place where the translation writes the value becomes the
    // parameter, provided the text with another value translates to the
    // same text with that value in exactly those places: the value is then
    // an operand the translation does not look into, and no other text of
    // the statement merely looked like it.
    std::string shared;
    std::string probed;
    std::size_t done = 0;
    for (std::size_t at = translated.find(binary.literal); at != std::string::npos;
         at = translated.find(binary.literal, done)) {
        shared.append(translated, done, at - done).append("?1");
        probed.append(translated, done, at - done).append(binary.probeLiteral);
        done = at + binary.literal.size();
    }
    if (done == 0) return std::nullopt;
    shared.append(translated, done);
    probed.append(translated, done);
    try {
        if (Translate(binary.probe) != probed) return std::nullopt;
    } catch (const Error&) {
        return std::nullopt;
    }
    return PrepareShared(shared, Parameter::BinaryLiterals, whole);
}

std::optional<PreparedRead> SqliteConnection::PrepareShared(const std::string& sql, Parameter parameter,
                                                            const PreparedRead& whole) {
    try {
        PreparedRead read = DescribeRead(PrepareReadOnly(sql), parameter);
        // Where the value is part of a column's name (a select list without
        // FROM), the names differ: that text keeps its literal.
        if (sqlite3_bind_parameter_count(read.statement.get()) != 1 || read.columnNames != whole.columnNames ||
            read.columnTypes != whole.columnTypes)
            return std::nullopt;
        return read;
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::shared_ptr<Recordset> SqliteConnection::RunReadOnly(const std::string& sql) {
    Binding binding;
    PreparedRead& read = PreparedFor(sql, binding);
    const ResetWhenDone reset(read.statement);
    if (read.parameter == Parameter::TrailingNumber) read.statement.Bind(1, binding.number);
    if (read.parameter == Parameter::BinaryLiterals) read.statement.Bind(1, binding.bytes);
    return ToRecordset(ReadRows(read));
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
