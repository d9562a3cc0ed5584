#include "erp/OdbcDemoTarget.h"

#include <sql.h>
#include <sqlext.h>

#include <cctype>
#include <vector>

#include "odbc_backend/ConnectionTarget.h"
#include "odbc_backend/OdbcHandles.h"
#include "odbc_backend/OdbcText.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::erp {

struct OdbcDemoTarget::Connection {
    odbc::ConnectionHandle handle;
    odbc::ErrorContext context;
    bool sqlServer = false;
    bool sqlite = false;

    void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, std::string_view what) const {
        odbc::Check(rc, type, handle, sqlite::kStatementError, context, what);
    }
    odbc::StatementHandle NewStatement() const {
        SQLHANDLE statement = SQL_NULL_HANDLE;
        Check(SQLAllocHandle(SQL_HANDLE_STMT, handle.get(), &statement), SQL_HANDLE_DBC, handle.get(),
              "Allocating a statement");
        return odbc::StatementHandle(statement);
    }
    // The SQLite driver has no W functions and takes UTF-8 narrow text.
    SQLRETURN Run(SQLHANDLE statement, std::string_view sql, bool prepareOnly) const {
        if (sqlite) {
            std::string text(sql);
            auto* chars = reinterpret_cast<SQLCHAR*>(text.data());
            return prepareOnly ? SQLPrepare(statement, chars, SQL_NTS) : SQLExecDirect(statement, chars, SQL_NTS);
        }
        std::u16string text = odbc::ToUtf16(sql, "statement");
        auto* units = reinterpret_cast<SQLWCHAR*>(text.data());
        return prepareOnly ? SQLPrepareW(statement, units, SQL_NTS) : SQLExecDirectW(statement, units, SQL_NTS);
    }
    std::int64_t Scalar(std::string_view sql) const {
        const odbc::StatementHandle statement = NewStatement();
        Check(Run(statement.get(), sql, false), SQL_HANDLE_STMT, statement.get(), "Running a query");
        std::int64_t value = 0;
        SQLLEN indicator = 0;
        const SQLRETURN fetched = SQLFetch(statement.get());
        if (fetched == SQL_NO_DATA) return 0;
        Check(fetched, SQL_HANDLE_STMT, statement.get(), "Fetching a row");
        Check(SQLGetData(statement.get(), 1, SQL_C_SBIGINT, &value, sizeof value, &indicator), SQL_HANDLE_STMT,
              statement.get(), "Reading a value");
        return indicator == SQL_NULL_DATA ? 0 : value;
    }
};

namespace {

bool StartsWithWord(std::string_view sql, std::string_view word) {
    while (!sql.empty() && std::isspace(static_cast<unsigned char>(sql.front()))) sql.remove_prefix(1);
    if (sql.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(sql[i])) != word[i]) return false;
    return true;
}

// The bound value of one parameter, alive until the statement has run.
struct Parameter {
    SQLLEN indicator = 0;
    std::int64_t integer = 0;
    double real = 0;
    unsigned char bit = 0;
    SQL_TIMESTAMP_STRUCT stamp{};
    std::string narrow;
    std::u16string wide;
};

class OdbcStatement final : public DemoStatement {
public:
    OdbcStatement(const OdbcDemoTarget::Connection& connection, std::string_view sql)
        : connection_(connection), statement_(connection.NewStatement()), insert_(StartsWithWord(sql, "INSERT")) {
        connection_.Check(connection_.Run(statement_.get(), sql, true), SQL_HANDLE_STMT, statement_.get(),
                          "Preparing a statement");
    }

    std::int64_t Run(std::span<const Variant> values) override {
        SQLHANDLE statement = statement_.get();
        SQLFreeStmt(statement, SQL_RESET_PARAMS);
        std::vector<Parameter> parameters(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) Bind(static_cast<SQLUSMALLINT>(i + 1), values[i], parameters[i]);
        const SQLRETURN rc = SQLExecute(statement);
        if (rc != SQL_NO_DATA) connection_.Check(rc, SQL_HANDLE_STMT, statement, "Writing a row");
        SQLFreeStmt(statement, SQL_CLOSE);
        if (!insert_) return 0;
        // No insert trigger writes to a table with an identity, so the
        // session's last identity is this row's.
        return connection_.Scalar(connection_.sqlite ? "SELECT last_insert_rowid()"
                                                     : "SELECT CAST(@@IDENTITY AS BIGINT)");
    }

private:
    void Bind(SQLUSMALLINT index, const Variant& value, Parameter& p) {
        SQLHANDLE statement = statement_.get();
        SQLRETURN rc = SQL_SUCCESS;
        const auto text = [&](const std::string& utf8) {
            if (connection_.sqlite) {
                p.narrow = utf8;
                p.indicator = static_cast<SQLLEN>(p.narrow.size());
                return SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                                        std::max<SQLULEN>(1, p.narrow.size()), 0, p.narrow.data(), p.indicator,
                                        &p.indicator);
            }
            p.wide = odbc::ToUtf16(utf8, "value");
            p.indicator = static_cast<SQLLEN>(p.wide.size() * sizeof(char16_t));
            return SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                                    std::max<SQLULEN>(1, p.wide.size()), 0, p.wide.data(), p.indicator, &p.indicator);
        };
        switch (value.kind()) {
            case Variant::Kind::Bool:
                p.bit = value.ToBool() ? 1 : 0;
                rc = SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, 0, &p.bit, 0, nullptr);
                break;
            case Variant::Kind::Integer:
                p.integer = value.ToInt64();
                rc = SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 19, 0, &p.integer,
                                      0, nullptr);
                break;
            case Variant::Kind::Double:
                p.real = value.ToDouble();
                rc = SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &p.real, 0,
                                      nullptr);
                break;
            case Variant::Kind::Text: rc = text(value.ToText()); break;
            case Variant::Kind::Date: {
                const DateTime date = value.ToDate();
                // SQLite keeps dates as text in the embedded database's form.
                if (connection_.sqlite) {
                    rc = text(date.ToText());
                    break;
                }
                p.stamp = SQL_TIMESTAMP_STRUCT{static_cast<SQLSMALLINT>(date.Year), static_cast<SQLUSMALLINT>(date.Month),
                                               static_cast<SQLUSMALLINT>(date.Day), static_cast<SQLUSMALLINT>(date.Hour),
                                               static_cast<SQLUSMALLINT>(date.Minute),
                                               static_cast<SQLUSMALLINT>(date.Second),
                                               static_cast<SQLUINTEGER>(date.Millisecond) * 1000000u};
                rc = SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23,
                                      3, &p.stamp, 0, nullptr);
                break;
            }
            default:
                p.indicator = SQL_NULL_DATA;
                rc = SQLBindParameter(statement, index, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr, 0,
                                      &p.indicator);
                break;
        }
        connection_.Check(rc, SQL_HANDLE_STMT, statement, "Binding a value");
    }

    const OdbcDemoTarget::Connection& connection_;
    odbc::StatementHandle statement_;
    bool insert_;
};

}  // namespace

OdbcDemoTarget::OdbcDemoTarget(const std::string& connectString) : connection_(std::make_unique<Connection>()) {
    const odbc::OdbcTarget target = odbc::ResolveOdbcTarget(connectString);
    connection_->context = target.context;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    odbc::Check(SQLAllocHandle(SQL_HANDLE_DBC, odbc::SharedEnvironment(), &handle), SQL_HANDLE_ENV,
                odbc::SharedEnvironment(), sqlite::kOpenError, target.context, "Allocating a connection");
    connection_->handle = odbc::ConnectionHandle(handle);
    if (target.loginTimeoutSeconds)
        SQLSetConnectAttr(handle, SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(*target.loginTimeoutSeconds)), 0);
    std::u16string text = odbc::ToUtf16(target.connectionString, "connection string");
    odbc::Check(SQLDriverConnectW(handle, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()), SQL_NTS, nullptr, 0,
                                  nullptr, SQL_DRIVER_NOPROMPT),
                SQL_HANDLE_DBC, handle, sqlite::kOpenError, target.context, "Connecting");
    connection_->handle.MarkConnected();
    SQLWCHAR dbms[128] = {};
    SQLSMALLINT length = 0;
    SQLGetInfoW(handle, SQL_DBMS_NAME, dbms, sizeof dbms, &length);
    const std::string name = odbc::ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(dbms),
                                                              std::min<std::size_t>(length / sizeof(SQLWCHAR), 127)));
    connection_->sqlServer = name.starts_with("Microsoft SQL Server");
    connection_->sqlite = name.starts_with("SQLite");
    connection_->context.utf8Narrow = connection_->sqlite;
    connection_->Check(SQLSetConnectAttr(handle, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
                       SQL_HANDLE_DBC, handle, "Switching autocommit off");
    if (connection_->sqlServer) Execute("SET NOCOUNT ON");
}

OdbcDemoTarget::~OdbcDemoTarget() {
    if (connection_ && connection_->handle.get() != SQL_NULL_HANDLE)
        SQLEndTran(SQL_HANDLE_DBC, connection_->handle.get(), SQL_ROLLBACK);
}

std::unique_ptr<DemoStatement> OdbcDemoTarget::Prepare(std::string_view sql) {
    return std::make_unique<OdbcStatement>(*connection_, sql);
}

void OdbcDemoTarget::Execute(std::string_view sql) {
    const odbc::StatementHandle statement = connection_->NewStatement();
    const SQLRETURN rc = connection_->Run(statement.get(), sql, false);
    if (rc != SQL_NO_DATA) connection_->Check(rc, SQL_HANDLE_STMT, statement.get(), "Running a statement");
    // A batch answers one result per statement; each must be taken.
    while (SQL_SUCCEEDED(SQLMoreResults(statement.get()))) {
    }
}

bool OdbcDemoTarget::HasTable(std::string_view name) {
    const std::string quoted = "'" + std::string(name) + "'";
    return connection_->Scalar(connection_->sqlite
                                   ? "SELECT COUNT(*) FROM sqlite_schema WHERE type = 'table' AND name = " + quoted
                                   : "SELECT CASE WHEN OBJECT_ID(N" + quoted + ", N'U') IS NULL THEN 0 ELSE 1 END") != 0;
}

void OdbcDemoTarget::Commit() {
    connection_->Check(SQLEndTran(SQL_HANDLE_DBC, connection_->handle.get(), SQL_COMMIT), SQL_HANDLE_DBC,
                       connection_->handle.get(), "Committing");
}

bool OdbcDemoTarget::IsSqlServer() const noexcept { return connection_->sqlServer; }

}  // namespace ovardx::erp
