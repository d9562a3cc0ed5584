#pragma once

#include <memory>

#include "ovardx/DatabaseConnection.h"

namespace ovardx {

// Gives a class object its database connection: creates the component
// ("OVMConnection.Connection") when the object has none yet, and in every
// case sets its connection string to the session's "ConnectString".
void OpenConnection(std::shared_ptr<DatabaseConnection>& connection);

// Calls "CloseConn" on the connection when there is one; swallows its errors,
// since it runs on error paths and in destructors.
void CloseConnection(const std::shared_ptr<DatabaseConnection>& connection) noexcept;

// Runs a statement and answers its recordset; a connection component that
// answers no recordset raises error 424 (callers that accept none check the
// component's answer themselves).
std::shared_ptr<Recordset> OpenRecordset(DatabaseConnection& connection, std::string sql);

}  // namespace ovardx
