#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

#include "erp/DemoDatabase.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

namespace {

struct DemoDbOptions {
    std::string path;
    int scale = 1;
    std::uint64_t seed = 1;
    bool force = false;
};

int RunDemoDb(const DemoDbOptions& options) {
    const erp::DemoSummary s = erp::CreateDemoDatabase(options.path, options.scale, options.seed, options.force);
    std::cout << "Created " << options.path << " (scale " << options.scale << ", seed " << options.seed << ")\n"
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
    CLI::App* parser = app.add_subcommand("demo-db", "Create a demo ERP database (SQLite file)");
    parser->add_option("PATH", options->path, "File to create")->required();
    parser->add_option("--scale", options->scale, "Size: 1 is small, 100 gives over 100,000 plan rows")
        ->check(CLI::Range(1, 10000));
    parser->add_option("--seed", options->seed, "Seed of the generated data (same seed, same file)");
    parser->add_flag("--force", options->force, "Replace an existing file");
    parser->footer("Example: a database of over 100,000 plan rows, replacing an older one:\n"
                   "  ovardx demo-db big.db --scale 100 --force");
    return {parser, [options] { return RunDemoDb(*options); }};
}

}  // namespace ovardx::tool
