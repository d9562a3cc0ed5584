#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "ovardx/Variant.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::erp {

// One write of the demo data (an INSERT, UPDATE or DELETE with "?"
// parameters), prepared once and run once per row.
class DemoStatement {
public:
    virtual ~DemoStatement() = default;
    // Runs it with the values bound in order (null, Boolean, integer, double,
    // text, date-time) and answers the id the database gave the row an
    // INSERT added (0 after any other statement).
    virtual std::int64_t Run(std::span<const Variant> values) = 0;
};

// Where the demo rows go: the embedded database, or SQL Server through ODBC.
// The generator (WriteDemoData) is the same for both.
class DemoTarget {
public:
    virtual ~DemoTarget() = default;
    virtual std::unique_ptr<DemoStatement> Prepare(std::string_view sql) = 0;
};

// The embedded database as a target; the caller holds its transaction.
std::unique_ptr<DemoTarget> SqliteDemoTarget(sqlite::Database& db);

}  // namespace ovardx::erp
