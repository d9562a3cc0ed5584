#include "session/OpenConnection.h"

#include "ovardx/ComponentRegistry.h"
#include "ovardx/Error.h"
#include "session/MParse.h"

namespace ovardx {

void OpenConnection(std::shared_ptr<DatabaseConnection>& connection) {
    if (!connection) connection = ComponentRegistry::Create<DatabaseConnection>(kConnectionProgId);
    connection->ConnString(GetConnectString());
}

void CloseConnection(const std::shared_ptr<DatabaseConnection>& connection) noexcept {
    if (!connection) return;
    try {
        connection->CloseConn();
    } catch (...) {
        // Closing is best effort: the caller is already reporting or releasing.
    }
}

std::shared_ptr<Recordset> OpenRecordset(DatabaseConnection& connection, std::string sql) {
    std::shared_ptr<Recordset> rows = connection.GetAnyRecordSet(sql);
    if (!rows) RaiseRuntime(errnum::kObjectRequired, "the statement gave no recordset");
    return rows;
}

}  // namespace ovardx
