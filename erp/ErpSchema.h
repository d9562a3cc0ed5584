#pragma once

#include <string_view>

#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::erp {

// The ERP schema script (schema/erp.sql): tables, row version triggers and
// change-log triggers, embedded at build time.
std::string_view ErpSchemaScript();

// Runs the schema script on an open database that holds none of its tables
// yet, as one unit: when a statement fails, nothing of the script stays and
// the provider's error is raised.
void CreateErpSchema(sqlite::Database& db);

}  // namespace ovardx::erp
