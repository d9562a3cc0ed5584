#include "odbc_backend/OdbcSession.h"

#include <atomic>
#include <vector>

#include "odbc_backend/OdbcColumns.h"
#include "odbc_backend/OdbcText.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::odbc {

namespace {

std::atomic<std::uint64_t> logins{0};

std::string InfoText(SQLHANDLE connection, SQLUSMALLINT info) {
    SQLWCHAR text[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(connection, info, text, sizeof text, &length))) return {};
    const auto units = std::min<std::size_t>(static_cast<std::size_t>(length) / sizeof(SQLWCHAR), 255);
    return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), units));
}

struct ColumnInfo {
    std::string name;
    ColumnType type;
};

ColumnInfo Describe(SQLHANDLE statement, SQLUSMALLINT column, const ErrorContext& context) {
    SQLWCHAR name[256] = {};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT sqlType = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    Check(SQLDescribeColW(statement, column, name, 256, &nameLength, &sqlType, &size, &digits, &nullable),
          SQL_HANDLE_STMT, statement, sqlite::kStatementError, context, "Describing a column");
    SQLWCHAR typeName[128] = {};
    SQLSMALLINT typeLength = 0;
    if (!SQL_SUCCEEDED(SQLColAttributeW(statement, column, SQL_DESC_TYPE_NAME, typeName, sizeof typeName,
                                        &typeLength, nullptr)))
        typeLength = 0;
    const auto text = [](const SQLWCHAR* units, std::size_t count) {
        return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(units), count));
    };
    const std::string type = text(typeName, std::min<std::size_t>(static_cast<std::size_t>(typeLength) / sizeof(SQLWCHAR), 127));
    return {text(name, std::min<std::size_t>(static_cast<std::size_t>(nameLength), 255)), ClassifyColumn(sqlType, type)};
}

}  // namespace

std::uint64_t LoginCount() noexcept { return logins.load(); }

std::unique_ptr<Session> Session::Connect(const OdbcTarget& target) {
    std::unique_ptr<Session> session(new Session());
    session->context_ = target.context;
    session->key_ = target.connectionString + '\n' +
                    (target.loginTimeoutSeconds ? std::to_string(*target.loginTimeoutSeconds) : std::string());
    SQLHANDLE handle = SQL_NULL_HANDLE;
    Check(SQLAllocHandle(SQL_HANDLE_DBC, SharedEnvironment(), &handle), SQL_HANDLE_ENV, SharedEnvironment(),
          sqlite::kOpenError, target.context, "Allocating a connection");
    session->connection_ = ConnectionHandle(handle);
    if (target.loginTimeoutSeconds)
        Check(SQLSetConnectAttr(handle, SQL_ATTR_LOGIN_TIMEOUT,
                                reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(*target.loginTimeoutSeconds)), 0),
              SQL_HANDLE_DBC, handle, sqlite::kOpenError, target.context, "Setting the login timeout");

    std::u16string text = ToUtf16(target.connectionString, "connection string");
    ++logins;
    const SQLRETURN rc = SQLDriverConnectW(handle, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                                           SQL_NTS, nullptr, 0, nullptr,
                                           SQL_DRIVER_NOPROMPT);
    // The copy held the password.
    std::fill(text.begin(), text.end(), u'\0');
    Check(rc, SQL_HANDLE_DBC, handle, sqlite::kOpenError, target.context, "Connecting");
    session->connection_.MarkConnected();

    const std::string dbms = InfoText(handle, SQL_DBMS_NAME);
    session->sqlite_ = dbms.starts_with("SQLite");
    session->context_.utf8Narrow = session->sqlite_;
    session->sqlServer_ = dbms.starts_with("Microsoft SQL Server");
    Check(SQLSetConnectAttr(handle, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
          SQL_HANDLE_DBC, handle, sqlite::kOpenError, target.context, "Switching autocommit off");
    // A hint the SQL Server drivers accept and do not enforce; never required.
    SQLSetConnectAttr(handle, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);
    if (session->sqlite_) {
        session->Execute("PRAGMA query_only=1");
        if (!session->Rollback())
            sqlite::RaiseProviderError(sqlite::kOpenError, "The new SQLite connection could not end its transaction");
    }
    return session;
}

SQLRETURN Session::ExecDirect(SQLHANDLE statement, std::string_view sql) const {
    if (sqlite_) {
        // The SQLite driver has no W functions and reads its text as UTF-8;
        // the driver manager's conversion would cut text with multibyte
        // characters short.
        std::string text(sql);
        return SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
    }
    std::u16string text = ToUtf16(sql, "statement");
    return SQLExecDirectW(statement, reinterpret_cast<SQLWCHAR*>(text.data()), SQL_NTS);
}

void Session::Execute(std::string_view sql) {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    Check(SQLAllocHandle(SQL_HANDLE_STMT, connection_.get(), &handle), SQL_HANDLE_DBC, connection_.get(),
          sqlite::kStatementError, context_, "Allocating a statement");
    const StatementHandle statement(handle);
    const SQLRETURN rc = ExecDirect(handle, sql);
    if (rc != SQL_NO_DATA)
        Check(rc, SQL_HANDLE_STMT, handle, sqlite::kStatementError, context_, "Running a statement");
}

std::shared_ptr<Recordset> Session::Query(std::string_view sql) {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    Check(SQLAllocHandle(SQL_HANDLE_STMT, connection_.get(), &handle), SQL_HANDLE_DBC, connection_.get(),
          sqlite::kStatementError, context_, "Allocating a statement");
    const StatementHandle statement(handle);
    try {
        const SQLRETURN rc = ExecDirect(handle, sql);
        if (rc != SQL_NO_DATA)
            Check(rc, SQL_HANDLE_STMT, handle, sqlite::kStatementError, context_, "Running a statement");
        SQLSMALLINT count = 0;
        Check(SQLNumResultCols(handle, &count), SQL_HANDLE_STMT, handle, sqlite::kStatementError, context_,
              "Counting columns");
        std::vector<ColumnInfo> columns;
        for (SQLUSMALLINT column = 1; column <= count; ++column) columns.push_back(Describe(handle, column, context_));
        const DateReading dates = sqlite_ ? DateReading::Text : DateReading::Native;
        std::vector<std::vector<Variant>> rows;
        for (;;) {
            const SQLRETURN fetched = count > 0 ? SQLFetch(handle) : SQL_NO_DATA;
            if (fetched == SQL_NO_DATA) break;
            Check(fetched, SQL_HANDLE_STMT, handle, sqlite::kStatementError, context_, "Fetching a row");
            std::vector<Variant> row;
            row.reserve(columns.size());
            for (SQLUSMALLINT column = 1; column <= count; ++column) {
                const ColumnInfo& info = columns[column - 1u];
                row.push_back(ReadColumnValue(handle, column, info.type, dates, info.name, context_));
            }
            rows.push_back(std::move(row));
        }
        std::vector<std::string> names;
        for (ColumnInfo& info : columns) names.push_back(std::move(info.name));
        return std::make_shared<Recordset>(std::move(names), std::move(rows));
    } catch (const Error&) {
        // Connection errors (08001, 08S01, ...) leave the session unusable.
        if (FirstSqlState(SQL_HANDLE_STMT, handle).starts_with("08")) broken_ = true;
        throw;
    }
}

const sqlite::ColumnTypes& Session::SqliteColumnTypes() {
    const auto version = Query("SELECT schema_version FROM pragma_schema_version");
    const long long current = version->Eof() ? -1 : version->Value("schema_version").ToInt64();
    if (current != schemaVersion_ || current < 0) {
        const auto columns = Query(
            "SELECT c.name AS name, c.type AS type FROM sqlite_schema s JOIN pragma_table_info(s.name) c "
            "WHERE s.type = 'table'");
        sqlite::ColumnTypes types;
        for (; !columns->Eof(); columns->MoveNext())
            types.AddDeclared(columns->Value("name").ToText(), columns->Value("type").ToText());
        columnTypes_ = std::move(types);
        schemaVersion_ = current;
    }
    return columnTypes_;
}

bool Session::Rollback() noexcept {
    if (broken_) return false;
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
    if (!SQL_SUCCEEDED(rc)) broken_ = true;
    return !broken_;
}

bool Session::Broken() noexcept {
    if (broken_) return true;
    SQLUINTEGER dead = SQL_CD_FALSE;
    // Drivers that do not know the attribute are taken at their word later.
    if (SQL_SUCCEEDED(SQLGetConnectAttr(connection_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
        dead == SQL_CD_TRUE)
        broken_ = true;
    return broken_;
}

}  // namespace ovardx::odbc
