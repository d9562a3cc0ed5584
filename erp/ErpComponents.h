#pragma once

#include <cstdint>
#include <string>

#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::erp {

// Registers the stand-ins of the ERP's business components for the embedded
// database under their ProgIDs ("tessaCustomer.RPContractUpdate",
// "tessaBill.NewBillUpdate"), replacing earlier registrations.
void RegisterErpComponents();

// The "ConnectString" of a property string, read the way the ERP's
// components read it (the braces of a braced value removed). Raises error 5
// when the string has none.
std::string ConnectStringOf(const std::string& strPropsString);

// The calling thread's connection to the embedded database the property
// string names, for the business components: opened read-write on first use
// (the configured busy timeout in force from its first statement; commits
// durable, synchronous=FULL) and kept for the thread, so a steady import
// pays no open and no schema parse per call. A file replaced since (another
// inode at the path) is opened anew. Callers leave no transaction open.
//
// A kept connection keeps the database's write-ahead log open: whoever
// replaces or copies over a database file must first close them
// (CloseErpDatabases) on every thread that used it, as with any open
// SQLite connection.
sqlite::Database& ErpDatabase(const std::string& strPropsString);

// Closes the calling thread's kept connections.
void CloseErpDatabases() noexcept;

}  // namespace ovardx::erp
