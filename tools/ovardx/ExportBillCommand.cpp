#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "ovardx/clsReceiveBill.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

namespace {

constexpr const char* kZeroTimeStamp = "0x0000000000000000";

struct ExportBillOptions {
    SessionOptions session;
    std::int16_t pre = 1;
    std::string filter;
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

int RunExportBill(const ExportBillOptions& options) {
    clsReceiveBill bill;
    if (!options.filter.empty()) bill.Filter(options.filter);
    std::string props = options.session.PropsString();
    std::string timeStamp = options.timeStamp;
    std::string maxTimeStamp;
    const bool showProgress = options.all && ::isatty(STDERR_FILENO);
    if (options.all) std::filesystem::create_directories(options.outFolder);

    for (int page = 1;; ++page) {
        std::string xml, error;
        if (!bill.Export(props, xml, options.pre, options.perCount, timeStamp, maxTimeStamp, error)) {
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

Subcommand AddExportBillCommand(CLI::App& exportCommand) {
    auto options = std::make_shared<ExportBillOptions>();
    CLI::App* parser =
        exportCommand.add_subcommand("bill", "Export receive bills or advance receipts (clsReceiveBill.Export)");
    AddSessionOptions(*parser, options->session);
    parser->add_option("--pre", options->pre, "FPre of the bills: 0 receive bills, 1 advance receipts (default 1)");
    parser->add_option("--filter", options->filter, "SQL condition over the columns of t_RP_NewReceiveBill");
    parser->add_option("--per-count", options->perCount, "Page size, 0 for no limit")->check(CLI::NonNegativeNumber);
    parser->add_option("--timestamp", options->timeStamp, "Export the changes after this timestamp (0x...)");
    CLI::Option* all = parser->add_flag("--all", options->all, "Page until nothing is left, one file per page");
    parser->add_option("--out", options->outFolder, "Folder of the page files (with --all)")->needs(all);
    all->needs(parser->get_option("--out"));
    return {parser, [options] { return RunExportBill(*options); }};
}

}  // namespace ovardx::tool
