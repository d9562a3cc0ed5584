#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "ovardx/clsDataKey.h"
#include "tools/ovardx/DocumentInput.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

namespace {

struct ImportDeletionsOptions {
    SessionOptions session;
    std::int16_t billType = 0;
    std::string file;
};

int RunImportDeletions(const ImportDeletionsOptions& options) {
    std::string xml;
    if (const int status = ReadImportDocument(options.file, xml); status != 0) return status;
    clsDataKey keys;
    std::string props = options.session.PropsString();
    std::string error;
    if (!keys.ImportXMLDataKey(props, options.billType, xml, error)) {
        std::cerr << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

Subcommand AddImportDeletionsCommand(CLI::App& importCommand) {
    auto options = std::make_shared<ImportDeletionsOptions>();
    CLI::App* parser = importCommand.add_subcommand(
        "deletions", "Delete the documents a \"Delete\" document names (clsDataKey.ImportXMLDataKey)");
    AddSessionOptions(*parser, options->session);
    parser->add_option("--bill-type", options->billType, "1 receive bills, 2 advance receipts, 3 contracts")
        ->required();
    parser->add_option("file", options->file, "The \"Delete\" document, - for standard input")->required();
    parser->footer("Example: delete the advance receipts a document on standard input names:\n"
                   "  ovardx import deletions --db demo.db --user 17 --bill-type 2 - < delete.xml");
    return {parser, [options] { return RunImportDeletions(*options); }};
}

}  // namespace ovardx::tool
