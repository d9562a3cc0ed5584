#include <unistd.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "ovardx/BusinessComponents.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/Error.h"
#include "ovardx/clsContract.h"
#include "tools/ovardx/DocumentInput.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

namespace {

struct ImportContractsOptions {
    SessionOptions session;
    bool checkByUuid = false;
    bool addNewOnly = false;
    std::int32_t systemType = 1;
    std::string file;
};

// Counts the contracts the import hands to "Save" and passes them on to the
// component registered before it.
class CountingContractUpdater final : public ContractUpdater {
public:
    CountingContractUpdater(std::shared_ptr<ContractUpdater> inner, int& saved) : inner_(std::move(inner)), saved_(saved) {}
    Variant Save(std::string& strPropsString, std::shared_ptr<ValueDictionary>& header,
                 std::shared_ptr<ValueVector>& schemes, std::shared_ptr<ValueVector>& entries) override {
        Variant id = inner_->Save(strPropsString, header, schemes, entries);
        ++saved_;
        return id;
    }
    void Delete(std::string& strPropsString, std::int32_t& contractId, bool& receivable) override {
        inner_->Delete(strPropsString, contractId, receivable);
    }

private:
    std::shared_ptr<ContractUpdater> inner_;
    int& saved_;
};

int RunImportContracts(const ImportContractsOptions& options) {
    std::string xml;
    if (const int status = ReadImportDocument(options.file, xml); status != 0) return status;
    const ComponentRegistry::Registration registered = ComponentRegistry::Lookup(kContractUpdaterProgId);
    if (!registered.factory || registered.type != typeid(ContractUpdater))
        RaiseRuntime(errnum::kCannotCreateObject, kContractUpdaterProgId);
    int saved = 0;
    const ScopedComponent counting(kContractUpdaterProgId,
                                   std::function<std::shared_ptr<ContractUpdater>()>([&registered, &saved] {
                                       return std::make_shared<CountingContractUpdater>(
                                           std::static_pointer_cast<ContractUpdater>(registered.factory()), saved);
                                   }));

    clsContract contract;
    contract.CheckByUUID(options.checkByUuid);
    contract.AddNewOnly(options.addNewOnly);
    const bool terminal = ::isatty(STDERR_FILENO);
    int handled = 0;
    contract.OnProgress([&](std::int32_t cur, std::int32_t total) {
        handled = cur;
        if (terminal) std::cerr << "\r" << ProgressBar(cur, total) << std::flush;
    });
    std::string props = options.session.PropsString();
    std::string error;
    const bool ok = contract.Import(props, xml, error, Variant(options.systemType));
    if (terminal && handled > 0) std::cerr << "\r\033[K";
    std::cout << saved << " contracts saved, " << handled - saved << " skipped\n";
    if (!ok) {
        std::cerr << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

Subcommand AddImportContractsCommand(CLI::App& importCommand) {
    auto options = std::make_shared<ImportContractsOptions>();
    CLI::App* parser = importCommand.add_subcommand(
        "contracts", "Save the contracts of a \"Contract\" document through the contract component (clsContract.Import)");
    AddSessionOptions(*parser, options->session);
    parser->add_flag("--check-by-uuid", options->checkByUuid, "Look contracts and references up by UUID first");
    parser->add_flag("--add-new-only", options->addNewOnly, "Skip contracts that exist already");
    parser->add_option("--system-type", options->systemType, "FSystemType of the saved contracts (default 1)");
    parser->add_option("file", options->file, "The \"Contract\" document, - for standard input")->required();
    parser->footer("Example: save the contracts of a document that are not there yet, found by UUID:\n"
                   "  ovardx import contracts --db demo.db --user 17 --check-by-uuid --add-new-only contracts.xml");
    return {parser, [options] { return RunImportContracts(*options); }};
}

}  // namespace ovardx::tool
