#include "erp/ErpSchema.h"

namespace ovardx::erp {

namespace detail {
extern const char kErpSchemaSql[];
}

std::string_view ErpSchemaScript() { return detail::kErpSchemaSql; }

void CreateErpSchema(sqlite::Database& db) {
    // All or nothing, also inside a caller's transaction.
    db.Exec("SAVEPOINT erp_schema");
    try {
        db.Exec(ErpSchemaScript());
    } catch (...) {
        db.Exec("ROLLBACK TO erp_schema; RELEASE erp_schema");
        throw;
    }
    db.Exec("RELEASE erp_schema");
}

}  // namespace ovardx::erp
