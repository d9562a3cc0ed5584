#include <memory>
#include <string>

#include "ovardx/clsReceiveBill.h"
#include "tools/ovardx/PagedExportCommand.h"

namespace ovardx::tool {

namespace {

struct ExportBillOptions {
    PagingOptions paging;
    std::int16_t pre = 1;
    std::string filter;
};

int RunExportBill(const ExportBillOptions& options) {
    clsReceiveBill bill;
    if (!options.filter.empty()) bill.Filter(options.filter);
    return RunPagedExportCommand(options.paging, [&](std::string& props, std::string& xml, std::int32_t perCount,
                                                     std::string& timeStamp, std::string& maxTimeStamp,
                                                     std::string& error) {
        return bill.Export(props, xml, options.pre, perCount, timeStamp, maxTimeStamp, error);
    });
}

}  // namespace

Subcommand AddExportBillCommand(CLI::App& exportCommand) {
    auto options = std::make_shared<ExportBillOptions>();
    CLI::App* parser =
        exportCommand.add_subcommand("bill", "Export receive bills or advance receipts (clsReceiveBill.Export)");
    AddPagingOptions(*parser, options->paging);
    parser->add_option("--pre", options->pre, "FPre of the bills: 0 receive bills, 1 advance receipts (default 1)");
    parser->add_option("--filter", options->filter, "SQL condition over the columns of t_RP_NewReceiveBill");
    return {parser, [options] { return RunExportBill(*options); }};
}

}  // namespace ovardx::tool
