#include <memory>
#include <string>

#include "ovardx/clsArapPlan.h"
#include "tools/ovardx/PagedExportCommand.h"

namespace ovardx::tool {

namespace {

struct ExportPlanOptions {
    PagingOptions paging;
    std::string filter;
};

int RunExportPlan(const ExportPlanOptions& options) {
    clsArapPlan plan;
    if (!options.filter.empty()) plan.Filter(options.filter);
    return RunPagedExportCommand(options.paging, [&](std::string& props, std::string& xml, std::int32_t perCount,
                                                     std::string& timeStamp, std::string& maxTimeStamp,
                                                     std::string& error) {
        return plan.Export(props, xml, perCount, timeStamp, maxTimeStamp, error);
    });
}

}  // namespace

Subcommand AddExportPlanCommand(CLI::App& exportCommand) {
    auto options = std::make_shared<ExportPlanOptions>();
    CLI::App* parser = exportCommand.add_subcommand("plan", "Export receivable plan entries (clsArapPlan.Export)");
    AddPagingOptions(*parser, options->paging);
    parser->add_option("--filter", options->filter, "Criteria joined by ||: UUID, Number, Name, DateFrom, DateTo, TSql");
    return {parser, [options] { return RunExportPlan(*options); }};
}

}  // namespace ovardx::tool
