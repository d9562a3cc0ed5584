#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

#include "erp/DemoDatabase.h"
#include "erp/ErpComponents.h"
#include "erp/SqlServerDemoDatabase.h"
#include "odbc_backend/ConnectionTarget.h"
#include "sqlite_backend/ConnectionString.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

namespace {

struct DemoDbOptions {
    std::string path;
    std::string props;
    int scale = 1;
    std::uint64_t seed = 1;
    bool force = false;
};

// The embedded database's file, or the SQL Server database of a property
// string (the string itself is never printed: it may hold a password).
erp::DemoSummary CreateDatabase(const DemoDbOptions& options, std::string& created) {
    if (options.props.empty()) {
        created = options.path;
        return erp::CreateDemoDatabase(options.path, options.scale, options.seed, options.force);
    }
    const std::string connectString = erp::ConnectStringOf(options.props);
    if (odbc::BackendOf(connectString) == odbc::Backend::Odbc) {
        created = "the SQL Server database of --props";
        return erp::CreateSqlServerDemoDatabase(connectString, options.scale, options.seed, options.force);
    }
    created = sqlite::DataSourceOf(connectString);
    return erp::CreateDemoDatabase(created, options.scale, options.seed, options.force);
}

int RunDemoDb(const DemoDbOptions& options) {
    std::string created;
    const erp::DemoSummary s = CreateDatabase(options, created);
    std::cout << "Created " << created << " (scale " << options.scale << ", seed " << options.seed << ")\n"
              << "  plan headers " << s.PlanHeaders << ", plan rows " << s.PlanRows << " (" << s.ExportablePlanRows
              << " exportable)\n"
              << "  contracts " << s.Contracts << " (" << s.ExportableContracts << " exportable), entry lines "
              << s.ContractEntries << ", plan lines " << s.ContractSchemes << "\n"
              << "  receive bills " << s.ReceiveBills << ", advance receipts " << s.AdvanceReceipts << "\n"
              << "  deletions logged: contracts " << s.DeletedContracts << ", receive bills "
              << s.DeletedReceiveBills << ", advance receipts " << s.DeletedAdvanceReceipts << "\n"
              << "  users: " << erp::kAdministratorUserId << " administrator, " << erp::kWebServiceUserId
              << " web-service right, " << erp::kForbiddenAdministratorId << " forbidden administrator, "
              << erp::kPlainUserId << " no rights\n";
    return 0;
}

}  // namespace

Subcommand AddDemoDbCommand(CLI::App& app) {
    auto options = std::make_shared<DemoDbOptions>();
    CLI::App* parser = app.add_subcommand("demo-db", "Create a demo ERP database (SQLite file, or SQL Server)");
    auto* path = parser->add_option("PATH", options->path, "File to create");
    auto* props = parser->add_option("--props", options->props,
                                     "Property string whose ConnectString names the database: SQL Server (an OLE DB "
                                     "string of a SQL Server provider, or ODBC) gets the ERP tables and the rows");
    path->excludes(props);
    props->excludes(path);
    parser->callback([path, props] {
        if (path->count() == 0 && props->count() == 0) throw CLI::RequiredError("PATH or --props");
    });
    parser->add_option("--scale", options->scale, "Size: 1 is small, 100 gives over 100,000 plan rows")
        ->check(CLI::Range(1, 10000));
    parser->add_option("--seed", options->seed, "Seed of the generated data (same seed, same file)");
    parser->add_flag("--force", options->force, "Replace an existing file (on SQL Server: the ERP tables)");
    parser->footer("Example: a database of over 100,000 plan rows, replacing an older one:\n"
                   "  ovardx demo-db big.db --scale 100 --force\n"
                   "The same rows in a SQL Server database:\n"
                   "  ovardx demo-db --props 'ConnectString={Provider=SQLOLEDB;Data Source=db;Initial Catalog=Demo;"
                   "User ID=sa;Password=...}'");
    return {parser, [options] { return RunDemoDb(*options); }};
}

}  // namespace ovardx::tool
