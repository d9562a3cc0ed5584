// ovardx: the command-line tool of OVArDataExchange.
#include <cstdio>
#include <exception>
#include <vector>

#include <CLI/CLI.hpp>

#include "erp/ErpComponents.h"
#include "ovardx/Error.h"
#include "ovardx/ovardx.h"
#include "tools/ovardx/Subcommand.h"

int main(int argc, char** argv) {
    CLI::App app{"ovardx: exchanges accounts-receivable data with the ERP database"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("ovardx ") + ovardx_libversion());
    app.footer("Example: a demo database, then its first page of plan entries:\n"
               "  ovardx demo-db demo.db && ovardx export plan --db demo.db --user 17");
    CLI::App* exportCommand = app.add_subcommand("export", "Export a page of ERP data as XML");
    exportCommand->require_subcommand(1);
    exportCommand->footer("Example: every receivable contract, one file per page:\n"
                          "  ovardx export contract --db demo.db --user 17 --all --out contracts");
    CLI::App* importCommand = app.add_subcommand("import", "Apply an XML document to the ERP database");
    importCommand->require_subcommand(1);
    importCommand->footer("Example: save the contracts of a document:\n"
                          "  ovardx import contracts --db demo.db --user 17 contracts.xml");
    const std::vector<ovardx::tool::Subcommand> commands{
        ovardx::tool::AddDemoDbCommand(app),
        ovardx::tool::AddSqlCommand(app),
        ovardx::tool::AddExportPlanCommand(*exportCommand),
        ovardx::tool::AddExportBillCommand(*exportCommand),
        ovardx::tool::AddExportDeletionsCommand(*exportCommand),
        ovardx::tool::AddImportDeletionsCommand(*importCommand),
        ovardx::tool::AddExportContractCommand(*exportCommand),
        ovardx::tool::AddImportContractsCommand(*importCommand),
        ovardx::tool::AddServeCommand(app),
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help exits 0; every usage error exits 2.
        return app.exit(error) == 0 ? 0 : 2;
    }
    // Imports change the database through the ERP's business components.
    ovardx::erp::RegisterErpComponents();
    try {
        for (const auto& command : commands)
            if (command.parser->parsed()) return command.run();
    } catch (const ovardx::Error& error) {
        const auto& record = error.record();
        std::fprintf(stderr, "ovardx: error %d (0x%08X) from %s: %s\n", record.Number,
                     static_cast<unsigned>(record.Number), record.Source.c_str(),
                     record.Description.c_str());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ovardx: %s\n", error.what());
        return 1;
    }
    return 1;
}
