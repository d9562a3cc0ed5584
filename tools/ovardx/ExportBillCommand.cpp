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
    const ExportIdentity kind{{"kind", "bill"}, {"pre", std::to_string(options.pre)}, {"filter", options.filter}};
    return RunPagedExportCommand(options.paging, kind,
                                 [&](std::string& props, std::string& xml, std::int32_t perCount,
                                     std::string& timeStamp, std::string& maxTimeStamp, std::string& error) {
                                     return bill.Export(props, xml, options.pre, perCount, timeStamp, maxTimeStamp,
                                                        error);
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
    parser->footer("Example: every checked receive bill, one file per 100:\n"
                   "  ovardx export bill --db demo.db --user 17 --pre 0 --filter 'FChecker>0' --all --out bills");
    return {parser, [options] { return RunExportBill(*options); }};
}

}  // namespace ovardx::tool
