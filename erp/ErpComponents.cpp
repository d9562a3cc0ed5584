#include "erp/ErpComponents.h"

#include "erp/BillUpdaterStandIn.h"
#include "erp/ContractUpdaterStandIn.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/Error.h"
#include "ovardx/ValueDictionary.h"
#include "registry/LibrarySettings.h"
#include "session/MParse.h"
#include "sqlite_backend/ConnectionString.h"

namespace ovardx::erp {

void RegisterErpComponents() {
    // Each stand-in adds its registration here.
    ComponentRegistry::Register<ContractUpdater>(
        kContractUpdaterProgId, [] { return std::make_shared<ContractUpdaterStandIn>(); });
    ComponentRegistry::Register<BillUpdater>(kBillUpdaterProgId, [] { return std::make_shared<BillUpdaterStandIn>(); });
}

std::string ConnectStringOf(const std::string& strPropsString) {
    std::string rest = strPropsString;
    for (;;) {
        const std::string key = ReadPropKey(rest);
        const std::string value = ReadPropValue(rest);
        if (key.empty()) break;
        if (EqualsIgnoreCase(key, "ConnectString")) return value;
    }
    RaiseRuntime(errnum::kInvalidProcedureCall, "the property string has no 'ConnectString'");
}

sqlite::Database OpenErpDatabase(const std::string& strPropsString) {
    const LibrarySettings& settings = ThreadSettings();
    sqlite::Database db =
        sqlite::Database::Open(sqlite::DataSourceOf(ConnectStringOf(strPropsString), settings.allowUriFileNames),
                               sqlite::OpenMode::ReadWrite, settings.busyTimeoutMilliseconds);
    // A saved contract or deletion is on the disk when the commit returns.
    db.Exec("PRAGMA synchronous=FULL");
    return db;
}

}  // namespace ovardx::erp
