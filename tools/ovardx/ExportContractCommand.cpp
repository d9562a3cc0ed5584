#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>

#include "ovardx/clsContract.h"
#include "tools/ovardx/PagedExportCommand.h"

namespace ovardx::tool {

namespace {

struct ExportContractOptions {
    PagingOptions paging;
    std::int16_t rp = 1;
    std::string filter;
    bool progress = false;
};

int RunExportContract(const ExportContractOptions& options) {
    clsContract contract;
    contract.Filter(options.filter);
    const bool terminal = ::isatty(STDERR_FILENO);
    int page = 1;
    if (options.progress || terminal) {
        contract.bProgress(true);
        contract.OnProgress([&](std::int32_t cur, std::int32_t total) {
            if (terminal)
                std::cerr << "\r" << ProgressBar(cur, total) << (options.paging.all ? " page " + std::to_string(page) : "")
                          << std::flush;
            else
                std::cerr << "progress " << cur << "/" << total << "\n";
        });
    }
    return RunPagedExportCommand(
        options.paging, {{"kind", "contract"}, {"rp", std::to_string(options.rp)}, {"filter", options.filter}},
        [&](std::string& props, std::string& xml, std::int32_t perCount, std::string& timeStamp,
            std::string& maxTimeStamp, std::string& error) {
            return contract.Export(props, xml, options.rp, perCount, timeStamp, maxTimeStamp, error);
        },
        [&page](int current) { page = current; });
}

}  // namespace

std::string ProgressBar(std::int32_t cur, std::int32_t total) {
    constexpr int kWidth = 30;
    const int filled = total > 0 ? static_cast<int>(static_cast<long long>(kWidth) * cur / total) : kWidth;
    return "[" + std::string(static_cast<std::size_t>(std::clamp(filled, 0, kWidth)), '#') +
           std::string(static_cast<std::size_t>(kWidth - std::clamp(filled, 0, kWidth)), '.') + "] " +
           std::to_string(cur) + "/" + std::to_string(total);
}

Subcommand AddExportContractCommand(CLI::App& exportCommand) {
    auto options = std::make_shared<ExportContractOptions>();
    CLI::App* parser = exportCommand.add_subcommand("contract", "Export contracts with their lines (clsContract.Export)");
    AddPagingOptions(*parser, options->paging);
    parser->add_option("--rp", options->rp, "1 receivable contracts (default), 0 payable");
    parser->add_option("--filter", options->filter, "A raw SQL condition over the columns of t_RPContract");
    parser->add_flag("--progress", options->progress,
                     "Raise Progress after each contract (a bar on a terminal, else one line each)");
    parser->footer("Example: the receivable contracts changed after a stored bound, to standard output:\n"
                   "  ovardx export contract --db demo.db --user 17 --timestamp 0x00000000000007D0 > contracts.xml");
    return {parser, [options] { return RunExportContract(*options); }};
}

}  // namespace ovardx::tool
