#pragma once

#include <functional>

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

}  // namespace ovardx::tool
