#include "erp/ErpSchema.h"

namespace ovardx::erp {

namespace detail {
extern const char kErpSchemaSql[];
}

std::string_view ErpSchemaScript() { return detail::kErpSchemaSql; }

void CreateErpSchema(sqlite::Database& db) { db.Exec(ErpSchemaScript()); }

}  // namespace ovardx::erp
