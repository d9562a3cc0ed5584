#pragma once

#include <string_view>

#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::erp {

// The ERP schema script (schema/erp.sql): tables, row version triggers and
// change-log triggers, embedded at build time.
std::string_view ErpSchemaScript();

// Runs the schema script on an open database that holds none of its tables
// yet. Raises the provider's error when a statement fails.
void CreateErpSchema(sqlite::Database& db);

}  // namespace ovardx::erp
