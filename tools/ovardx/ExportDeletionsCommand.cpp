#include <memory>
#include <string>

#include "ovardx/clsDataKey.h"
#include "tools/ovardx/PagedExportCommand.h"

namespace ovardx::tool {

namespace {

struct ExportDeletionsOptions {
    PagingOptions paging;
    std::int16_t billType = 0;
};

int RunExportDeletions(const ExportDeletionsOptions& options) {
    clsDataKey keys;
    const ExportIdentity kind{{"kind", "deletions"}, {"bill-type", std::to_string(options.billType)}};
    return RunPagedExportCommand(options.paging, kind,
                                 [&](std::string& props, std::string& xml, std::int32_t perCount,
                                     std::string& timeStamp, std::string& maxTimeStamp, std::string& error) {
                                     return keys.ExportXMLDataKey(props, options.billType, xml, perCount, timeStamp,
                                                                  maxTimeStamp, error);
                                 });
}

}  // namespace

Subcommand AddExportDeletionsCommand(CLI::App& exportCommand) {
    auto options = std::make_shared<ExportDeletionsOptions>();
    CLI::App* parser = exportCommand.add_subcommand(
        "deletions", "Export the ERP's deletions of one document kind (clsDataKey.ExportXMLDataKey)");
    AddPagingOptions(*parser, options->paging);
    parser->add_option("--bill-type", options->billType, "1 receive bills, 2 advance receipts, 3 contracts")
        ->required();
    parser->footer("Example: the contract deletions since the last run, one file per 500:\n"
                   "  ovardx export deletions --db demo.db --user 17 --bill-type 3 --per-count 500 \\\n"
                   "      --all --out deletions --state deletions.state");
    return {parser, [options] { return RunExportDeletions(*options); }};
}

}  // namespace ovardx::tool
