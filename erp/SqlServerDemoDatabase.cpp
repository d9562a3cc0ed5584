#include "erp/SqlServerDemoDatabase.h"

#include <cctype>

#include "erp/DemoData.h"
#include "erp/OdbcDemoTarget.h"
#include "ovardx/Error.h"

namespace ovardx::erp {

namespace detail {
extern const char kSqlServerSchemaSql[];
}

namespace {

constexpr const char* kSource = "OVArDataExchange demo database";
constexpr std::int32_t kFileAlreadyExists = 58;

// Dependents first; the triggers go with their tables.
constexpr const char* kTables[] = {
    "COM_DataChange", "t_RP_NewReceiveBill", "t_rpcontractscheme", "t_rpcontractentry", "t_RPContract",
    "t_Rp_plan_ap",   "t_rp_plan_ar",        "t_rp_contact",       "t_RP_SystemEnum",   "t_settle",
    "t_measureunit",  "t_Currency",          "t_item",             "t_AccessControl",   "t_Group",
    "t_User",         "T_SYSTEMPROFILE",
};

bool IsGoLine(std::string_view line) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) line.remove_prefix(1);
    return line.size() == 2 && std::toupper(static_cast<unsigned char>(line[0])) == 'G' &&
           std::toupper(static_cast<unsigned char>(line[1])) == 'O';
}

}  // namespace

std::string_view SqlServerSchemaScript() { return detail::kSqlServerSchemaSql; }

std::vector<std::string> SqlServerBatches(std::string_view script) {
    std::vector<std::string> batches;
    std::string batch;
    const auto flush = [&] {
        if (batch.find_first_not_of(" \t\r\n") != std::string::npos) batches.push_back(batch);
        batch.clear();
    };
    while (!script.empty()) {
        const std::size_t end = script.find('\n');
        const std::string_view line = script.substr(0, end);
        script.remove_prefix(end == std::string_view::npos ? script.size() : end + 1);
        if (IsGoLine(line)) {
            flush();
        } else {
            batch += line;
            batch += '\n';
        }
    }
    flush();
    return batches;
}

DemoSummary CreateSqlServerDemoDatabase(const std::string& connectString, int scale, std::uint64_t seed,
                                        bool replace) {
    if (scale < 1) Raise(errnum::kInvalidProcedureCall, kSource, "The scale must be at least 1");
    OdbcDemoTarget target(connectString);
    if (!target.IsSqlServer()) Raise(errnum::kInvalidProcedureCall, kSource, "The connection string names no SQL Server");
    if (target.HasTable("t_RPContract")) {
        if (!replace)
            Raise(kFileAlreadyExists, kSource, "The database already holds the ERP tables; --force replaces them");
        for (const char* table : kTables) target.Execute(std::string("DROP TABLE IF EXISTS ") + table);
    }
    for (const std::string& batch : SqlServerBatches(SqlServerSchemaScript())) target.Execute(batch);
    DemoSummary summary;
    WriteDemoData(target, scale, seed, summary);
    target.Commit();
    return summary;
}

}  // namespace ovardx::erp
