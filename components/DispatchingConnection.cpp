#include "components/DispatchingConnection.h"

#include "odbc_backend/OdbcConnection.h"
#include "sqlite_backend/ProviderError.h"
#include "sqlite_backend/SqliteConnection.h"

namespace ovardx {

void DispatchingConnection::ConnString(const std::string& connectString) {
    const odbc::Backend backend = odbc::BackendOf(connectString);
    if (active_ && backend != backend_) {
        active_->CloseConn();
        active_.reset();
    }
    backend_ = backend;
    if (backend == odbc::Backend::Unsupported) return;
    if (!active_) {
        if (backend == odbc::Backend::Odbc) {
            active_ = std::make_shared<odbc::OdbcConnection>();
        } else {
            active_ = sqlite::CreateSqliteConnection();
        }
    }
    active_->ConnString(connectString);
}

DatabaseConnection& DispatchingConnection::Active() {
    if (backend_ == odbc::Backend::Unsupported)
        sqlite::RaiseProviderError(sqlite::kOpenError,
                                   "The connection string names a provider no backend supports: use Provider=SQLite, "
                                   "a SQL Server provider (SQLOLEDB, MSOLEDBSQL, MSOLEDBSQL19, SQLNCLI, SQLNCLI10, "
                                   "SQLNCLI11), or an ODBC string with Driver= or DSN=");
    if (!active_) sqlite::RaiseProviderError(sqlite::kOpenError, "No connection string has been set");
    return *active_;
}

std::shared_ptr<Recordset> DispatchingConnection::GetAnyRecordSet(std::string& sql) {
    return Active().GetAnyRecordSet(sql);
}

void DispatchingConnection::CloseConn() {
    if (active_) active_->CloseConn();
}

void DispatchingConnection::HoldSnapshot() {
    if (active_) active_->HoldSnapshot();
}

std::optional<Bytes> DispatchingConnection::MinActiveRowVersion() { return Active().MinActiveRowVersion(); }

std::optional<std::string> DispatchingConnection::SnapshotState() {
    return active_ ? active_->SnapshotState() : std::nullopt;
}

std::shared_ptr<DatabaseConnection> CreateDispatchingConnection() { return std::make_shared<DispatchingConnection>(); }

}  // namespace ovardx
