#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "erp/DemoDatabase.h"

namespace ovardx::erp {

// The SQL Server schema script (schema/erp.sqlserver.sql), embedded at build
// time, and its batches (the text between lines that hold only GO).
std::string_view SqlServerSchemaScript();
std::vector<std::string> SqlServerBatches(std::string_view script);

// Creates the ERP tables in the SQL Server database that `connectString`
// names (an ODBC string or a SQL Server OLE DB string) and writes the same
// demo rows CreateDemoDatabase writes, in one transaction: a failure leaves
// the database as it was. A database that already holds the tables is
// refused (error 58) unless `replace` is true, in which case they are
// dropped first. Row versions and UUIDs are the server's own.
DemoSummary CreateSqlServerDemoDatabase(const std::string& connectString, int scale = 1, std::uint64_t seed = 1,
                                        bool replace = false);

}  // namespace ovardx::erp
