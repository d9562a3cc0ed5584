#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "ovardx/clsDataKey.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

namespace {

constexpr const char* kZeroTimeStamp = "0x0000000000000000";

struct ExportDeletionsOptions {
    SessionOptions session;
    std::int16_t billType = 0;
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

int RunExportDeletions(const ExportDeletionsOptions& options) {
    clsDataKey keys;
    const std::string props = options.session.PropsString();
    std::string timeStamp = options.timeStamp;
    std::string maxTimeStamp;
    const bool showProgress = options.all && ::isatty(STDERR_FILENO);
    if (options.all) std::filesystem::create_directories(options.outFolder);

    for (int page = 1;; ++page) {
        std::string xml, error;
        if (!keys.ExportXMLDataKey(props, options.billType, xml, options.perCount, timeStamp, maxTimeStamp, error)) {
            if (showProgress) std::cerr << "\n";
            std::cerr << error << "\n";
            return 1;
        }
        if (!options.all) {
            std::cout << xml;
            std::cerr << "strTimeStamp=" << timeStamp << " strMaxTimeStamp=" << maxTimeStamp << "\n";
            return 0;
        }
        if (timeStamp == kZeroTimeStamp) {
            if (showProgress) std::cerr << "\n";
            std::cerr << "strTimeStamp=" << timeStamp << " strMaxTimeStamp=" << maxTimeStamp << "\n";
            return 0;
        }
        std::ofstream(std::filesystem::path(options.outFolder) / PageFileName(page)) << xml;
        if (showProgress) std::cerr << "\rpage " << page << ", up to " << timeStamp << " of " << maxTimeStamp << std::flush;
    }
}

}  // namespace

Subcommand AddExportDeletionsCommand(CLI::App& exportCommand) {
    auto options = std::make_shared<ExportDeletionsOptions>();
    CLI::App* parser = exportCommand.add_subcommand(
        "deletions", "Export the ERP's deletions of one document kind (clsDataKey.ExportXMLDataKey)");
    AddSessionOptions(*parser, options->session);
    parser->add_option("--bill-type", options->billType, "1 receive bills, 2 advance receipts, 3 contracts")
        ->required();
    parser->add_option("--per-count", options->perCount, "Page size, 0 for no limit")->check(CLI::NonNegativeNumber);
    parser->add_option("--timestamp", options->timeStamp, "Export the deletions after this timestamp (0x...)");
    CLI::Option* all = parser->add_flag("--all", options->all, "Page until nothing is left, one file per page");
    parser->add_option("--out", options->outFolder, "Folder of the page files (with --all)")->needs(all);
    all->needs(parser->get_option("--out"));
    return {parser, [options] { return RunExportDeletions(*options); }};
}

}  // namespace ovardx::tool
