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
    return RunPagedExportCommand(options.paging, [&](std::string& props, std::string& xml, std::int32_t perCount,
                                                     std::string& timeStamp, std::string& maxTimeStamp,
                                                     std::string& error) {
        return keys.ExportXMLDataKey(props, options.billType, xml, perCount, timeStamp, maxTimeStamp, error);
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
    return {parser, [options] { return RunExportDeletions(*options); }};
}

}  // namespace ovardx::tool
