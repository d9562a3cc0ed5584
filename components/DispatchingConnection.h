#pragma once

#include <memory>
#include <optional>
#include <string>

#include "odbc_backend/ConnectionTarget.h"
#include "ovardx/DatabaseConnection.h"

namespace ovardx {

// The built-in "OVMConnection.Connection": picks the backend for each
// connection string (odbc::BackendOf): the embedded SQLite database for
// Provider=SQLite or no provider, ODBC for a Driver=/DSN= string or a SQL
// Server OLE DB provider. The string may change between calls; a string for
// another backend closes the current one. A provider no backend knows is
// refused (kOpenError) at the next statement.
class DispatchingConnection final : public DatabaseConnection {
public:
    DispatchingConnection() = default;
    ~DispatchingConnection() override = default;
    DispatchingConnection(const DispatchingConnection&) = delete;
    DispatchingConnection& operator=(const DispatchingConnection&) = delete;

    void ConnString(const std::string& connectString) override;
    std::shared_ptr<Recordset> GetAnyRecordSet(std::string& sql) override;
    void CloseConn() override;
    void HoldSnapshot() override;
    std::optional<Bytes> MinActiveRowVersion() override;
    std::optional<std::string> SnapshotState() override;

private:
    DatabaseConnection& Active();

    odbc::Backend backend_ = odbc::Backend::Embedded;
    std::shared_ptr<DatabaseConnection> active_;
};

std::shared_ptr<DatabaseConnection> CreateDispatchingConnection();

}  // namespace ovardx
