#include "erp/ErpComponents.h"

#include <sqlite3.h>

#include <algorithm>
#include <deque>

#include "erp/BillUpdaterStandIn.h"
#include "erp/ContractUpdaterStandIn.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/Error.h"
#include "ovardx/ValueDictionary.h"
#include "registry/LibrarySettings.h"
#include "session/MParse.h"
#include "sqlite_backend/ConnectionString.h"
#include "sqlite_backend/HandlePool.h"

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

namespace {

// A thread's open connections, most recently used first; few, since a host
// works on one database.
struct KeptConnection {
    std::string path;
    sqlite::FileIdentity file;
    sqlite::Database db;
};
constexpr std::size_t kKeptConnections = 4;

sqlite::Database OpenForWriting(const std::string& path) {
    const LibrarySettings& settings = ThreadSettings();
    sqlite::Database db = sqlite::Database::Open(path, sqlite::OpenMode::ReadWrite, settings.busyTimeoutMilliseconds);
    // A saved contract or deletion is on the disk when the commit returns.
    db.Exec("PRAGMA synchronous=FULL");
    // Kept open across calls: the log is never deleted by name when the
    // connection closes, which could hit the log of a file put in its place.
    int persist = 1;
    sqlite3_file_control(db.get(), "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    return db;
}

std::deque<KeptConnection>& KeptConnections() {
    thread_local std::deque<KeptConnection> kept;
    return kept;
}

}  // namespace

void CloseErpDatabases() noexcept { KeptConnections().clear(); }

sqlite::Database& ErpDatabase(const std::string& strPropsString) {
    std::deque<KeptConnection>& kept = KeptConnections();
    const std::string path =
        sqlite::DataSourceOf(ConnectStringOf(strPropsString), ThreadSettings().allowUriFileNames);
    const sqlite::FileIdentity file = sqlite::IdentityOf(path);
    auto found = std::find_if(kept.begin(), kept.end(), [&](const KeptConnection& each) { return each.path == path; });
    if (found != kept.end()) {
        if (found->file == file && file.inode != 0) {
            std::rotate(kept.begin(), found, found + 1);
            return kept.front().db;
        }
        kept.erase(found);
    }
    sqlite::Database db = OpenForWriting(path);
    kept.push_front(KeptConnection{path, sqlite::IdentityOf(path), std::move(db)});
    if (kept.size() > kKeptConnections) kept.pop_back();
    return kept.front().db;
}

}  // namespace ovardx::erp
