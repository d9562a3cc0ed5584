#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <CLI/CLI.hpp>

namespace ovardx::tool {

// One subcommand of the ovardx tool: its parser, added to the main parser,
// and what runs when the command line chose it. `run` answers the exit
// code; errors it raises as ovardx::Error are reported by main.
struct Subcommand {
    CLI::App* parser = nullptr;
    std::function<int()> run;
};

// ovardx demo-db PATH [--scale N] [--seed N] [--force]
Subcommand AddDemoDbCommand(CLI::App& app);

// ovardx sql --db PATH [STATEMENT]
Subcommand AddSqlCommand(CLI::App& app);

// How an export or import command names its session: --db PATH --user ID
// [--language L] build the property string for the embedded database;
// --props STRING passes any property string instead.
struct SessionOptions {
    std::string props;
    std::string database;
    int userId = 0;
    std::string language;

    std::string PropsString() const;
};
void AddSessionOptions(CLI::App& command, SessionOptions& options);

// ovardx export plan (--db PATH --user ID | --props STRING) [--filter TEXT]
//   [--per-count N] [--timestamp TS] [--all --out DIR]
Subcommand AddExportPlanCommand(CLI::App& exportCommand);

// ovardx export bill (--db PATH --user ID | --props STRING) [--pre N]
//   [--filter SQL] [--per-count N] [--timestamp TS] [--all --out DIR]
Subcommand AddExportBillCommand(CLI::App& exportCommand);

// ovardx export deletions (--db PATH --user ID | --props STRING) --bill-type N
//   [--per-count N] [--timestamp TS] [--all --out DIR]
Subcommand AddExportDeletionsCommand(CLI::App& exportCommand);

// ovardx import deletions (--db PATH --user ID | --props STRING) --bill-type N
//   FILE|-
Subcommand AddImportDeletionsCommand(CLI::App& importCommand);

// ovardx export contract (--db PATH --user ID | --props STRING) [--rp N]
//   [--filter SQL] [--progress] [--per-count N] [--timestamp TS] [--all --out DIR]
Subcommand AddExportContractCommand(CLI::App& exportCommand);

// ovardx import contracts (--db PATH --user ID | --props STRING)
//   [--check-by-uuid] [--add-new-only] [--system-type N] FILE|-
Subcommand AddImportContractsCommand(CLI::App& importCommand);

// ovardx serve --config FILE [--foreground] [--check] | --hash-key KEY | --new-key
Subcommand AddServeCommand(CLI::App& app);

// "[#####.........] cur/total": the progress bar of the contract commands.
std::string ProgressBar(std::int32_t cur, std::int32_t total);

}  // namespace ovardx::tool
