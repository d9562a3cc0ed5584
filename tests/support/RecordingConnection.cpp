#include "tests/support/RecordingConnection.h"

#include "components/BuiltInComponents.h"
#include "ovardx/Error.h"
#include "sqlite_backend/SqliteConnection.h"

namespace ovardx::testing {

RecordingConnection::RecordingConnection(std::shared_ptr<ConnectionLog> log)
    : log_(std::move(log)), inner_(sqlite::CreateSqliteConnection()) {}

void RecordingConnection::ConnString(const std::string& connectString) { inner_->ConnString(connectString); }

std::shared_ptr<Recordset> RecordingConnection::GetAnyRecordSet(std::string& sql) {
    const std::size_t index = log_->statements.size();
    log_->statements.push_back(sql);
    if (log_->failAt && *log_->failAt == index)
        throw Error(kInjectedFault, kInjectedFaultSource, "statement " + std::to_string(index) + " failed");
    return inner_->GetAnyRecordSet(sql);
}

void RecordingConnection::CloseConn() {
    ++log_->closeCalls;
    inner_->CloseConn();
}

std::optional<Bytes> RecordingConnection::MinActiveRowVersion() {
    ++log_->minActiveRowVersionCalls;
    return log_->minActiveRowVersion;
}

RecordingScope::RecordingScope()
    : registration_((EnsureBuiltInComponents(), kConnectionProgId),
                    std::function<std::shared_ptr<DatabaseConnection>()>(
                        [log = log_] { return std::make_shared<RecordingConnection>(log); })) {}

}  // namespace ovardx::testing
