#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "ovardx/clsContract.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

namespace {

constexpr const char* kZeroTimeStamp = "0x0000000000000000";

struct ExportContractOptions {
    SessionOptions session;
    std::int16_t rp = 1;
    std::string filter;
    bool progress = false;
    std::int32_t perCount = 100;
    std::string timeStamp;
    bool all = false;
    std::string outFolder;
};

std::string PageFileName(int page) {
    char name[32];
    std::snprintf(name, sizeof name, "page-%04d.xml", page);
    return name;
}

int RunExportContract(const ExportContractOptions& options) {
    clsContract contract;
    contract.Filter(options.filter);
    const bool terminal = ::isatty(STDERR_FILENO);
    int page = 1;
    if (options.progress || terminal) {
        contract.bProgress(true);
        contract.OnProgress([&](std::int32_t cur, std::int32_t total) {
            if (terminal)
                std::cerr << "\r" << ProgressBar(cur, total) << (options.all ? " page " + std::to_string(page) : "")
                          << std::flush;
            else
                std::cerr << "progress " << cur << "/" << total << "\n";
        });
    }
    std::string props = options.session.PropsString();
    std::string timeStamp = options.timeStamp;
    std::string maxTimeStamp;
    if (options.all) std::filesystem::create_directories(options.outFolder);

    for (;; ++page) {
        std::string xml, error;
        const bool ok = contract.Export(props, xml, options.rp, options.perCount, timeStamp, maxTimeStamp, error);
        if (terminal) std::cerr << "\r\033[K";
        if (!ok) {
            std::cerr << error << "\n";
            return 1;
        }
        if (!options.all) {
            std::cout << xml;
            std::cerr << "strTimeStamp=" << timeStamp << " strMaxTimeStamp=" << maxTimeStamp << "\n";
            return 0;
        }
        if (timeStamp == kZeroTimeStamp) {
            std::cerr << "strTimeStamp=" << timeStamp << " strMaxTimeStamp=" << maxTimeStamp << "\n";
            return 0;
        }
        std::ofstream(std::filesystem::path(options.outFolder) / PageFileName(page)) << xml;
    }
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
    AddSessionOptions(*parser, options->session);
    parser->add_option("--rp", options->rp, "1 receivable contracts (default), 0 payable");
    parser->add_option("--filter", options->filter, "A raw SQL condition over the columns of t_RPContract");
    parser->add_flag("--progress", options->progress,
                     "Raise Progress after each contract (a bar on a terminal, else one line each)");
    parser->add_option("--per-count", options->perCount, "Page size, 0 for no limit")->check(CLI::NonNegativeNumber);
    parser->add_option("--timestamp", options->timeStamp, "Export the changes after this timestamp (0x...)");
    CLI::Option* all = parser->add_flag("--all", options->all, "Page until nothing is left, one file per page");
    parser->add_option("--out", options->outFolder, "Folder of the page files (with --all)")->needs(all);
    all->needs(parser->get_option("--out"));
    return {parser, [options] { return RunExportContract(*options); }};
}

}  // namespace ovardx::tool
