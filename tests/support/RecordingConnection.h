#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ovardx/ComponentRegistry.h"
#include "ovardx/DatabaseConnection.h"

namespace ovardx::testing {

// What every RecordingConnection of a scope saw, shared by all of them.
struct ConnectionLog {
    std::vector<std::string> statements;  // in the order the components received them
    int closeCalls = 0;
    // When set, the statement with this 0-based index (counted over all
    // connections of the scope) fails with kInjectedFault.
    std::optional<std::size_t> failAt;
    // What MinActiveRowVersion answers: a row version held by a transaction
    // in flight, or nothing for no limit.
    std::optional<Bytes> minActiveRowVersion;
    int minActiveRowVersionCalls = 0;
};

inline constexpr std::int32_t kInjectedFault = -2147217871;
inline constexpr const char* kInjectedFaultSource = "Injected fault";

// A connection that forwards to the embedded database and records what it
// is asked, failing a chosen statement.
class RecordingConnection final : public DatabaseConnection {
public:
    explicit RecordingConnection(std::shared_ptr<ConnectionLog> log);
    void ConnString(const std::string& connectString) override;
    std::shared_ptr<Recordset> GetAnyRecordSet(std::string& sql) override;
    void CloseConn() override;
    std::optional<Bytes> MinActiveRowVersion() override;

private:
    std::shared_ptr<ConnectionLog> log_;
    std::shared_ptr<DatabaseConnection> inner_;
};

// Registers RecordingConnection under "OVMConnection.Connection" for the
// lifetime of the object.
class RecordingScope {
public:
    RecordingScope();
    ConnectionLog& Log() { return *log_; }
    // Statements recorded since the last Clear.
    const std::vector<std::string>& Statements() const { return log_->statements; }
    void Clear() { *log_ = ConnectionLog{}; }

private:
    std::shared_ptr<ConnectionLog> log_ = std::make_shared<ConnectionLog>();
    ScopedComponent registration_;
};

}  // namespace ovardx::testing
