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
    return RunPagedExportCommand(options.paging, {{"kind", "plan"}, {"filter", options.filter}},
                                 [&](std::string& props, std::string& xml, std::int32_t perCount,
                                     std::string& timeStamp, std::string& maxTimeStamp, std::string& error) {
                                     return plan.Export(props, xml, perCount, timeStamp, maxTimeStamp, error);
                                 });
}

}  // namespace

Subcommand AddExportPlanCommand(CLI::App& exportCommand) {
    auto options = std::make_shared<ExportPlanOptions>();
    CLI::App* parser = exportCommand.add_subcommand("plan", "Export receivable plan entries (clsArapPlan.Export)");
    AddPagingOptions(*parser, options->paging);
    parser->add_option("--filter", options->filter, "Criteria joined by ||: UUID, Number, Name, DateFrom, DateTo, TSql");
    parser->footer("Example: every plan entry of customer C001 since 2025, resumably, one file per 100:\n"
                   "  ovardx export plan --db demo.db --user 17 --filter 'Number=C001||DateFrom=2025-1-1' \\\n"
                   "      --all --out plan-pages --state plan.state");
    return {parser, [options] { return RunExportPlan(*options); }};
}

}  // namespace ovardx::tool
