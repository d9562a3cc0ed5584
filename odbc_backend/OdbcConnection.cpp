#include "odbc_backend/OdbcConnection.h"

#include "odbc_backend/ConnectionTarget.h"
#include "odbc_backend/OdbcSession.h"
#include "odbc_backend/SessionPool.h"
#include "odbc_backend/StatementGuard.h"
#include "sqlite_backend/ProviderError.h"
#include "sqlite_backend/TsqlTranslator.h"

namespace ovardx::odbc {

OdbcConnection::OdbcConnection() = default;

OdbcConnection::~OdbcConnection() { Release(); }

void OdbcConnection::ConnString(const std::string& connectString) {
    if (connectString != connectString_) Release();
    connectString_ = connectString;
}

void OdbcConnection::CloseConn() { Release(); }

void OdbcConnection::Release() noexcept {
    if (!session_) return;
    std::unique_ptr<Session> session = std::move(session_);
    if (session->Rollback()) ProcessSessionPool().Give(std::move(session));
}

Session& OdbcConnection::EnsureSession() {
    if (!session_) {
        if (connectString_.empty()) sqlite::RaiseProviderError(sqlite::kOpenError, "No connection string has been set");
        session_ = ProcessSessionPool().Take(ResolveOdbcTarget(connectString_));
    }
    return *session_;
}

std::shared_ptr<Recordset> OdbcConnection::GetAnyRecordSet(std::string& sql) {
    CheckSingleQuery(sql);
    Session& session = EnsureSession();
    try {
        if (session.IsSqlite()) return session.Query(sqlite::TranslateTsql(sql, session.SqliteColumnTypes()));
        return session.Query(sql);
    } catch (...) {
        // A lost connection is dropped, not pooled.
        if (session_ && session_->Broken()) session_.reset();
        throw;
    }
}

std::optional<Bytes> OdbcConnection::MinActiveRowVersion() {
    Session& session = EnsureSession();
    if (!session.IsSqlServer()) return std::nullopt;
    const auto rows = session.Query("SELECT MIN_ACTIVE_ROWVERSION() AS FMinActive");
    if (rows->Eof()) return std::nullopt;
    const Variant value = rows->Value("FMinActive");
    if (value.kind() != Variant::Kind::Bytes) return std::nullopt;
    return value.AsBytes();
}

}  // namespace ovardx::odbc
