#pragma once

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

// The embedded database named by the property string, opened read-write for
// one business operation, with the configured busy timeout in force from
// its first statement.
sqlite::Database OpenErpDatabase(const std::string& strPropsString);

}  // namespace ovardx::erp
