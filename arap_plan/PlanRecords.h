#pragma once

#include <memory>

#include "ovardx/DatabaseConnection.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

// One record per page row, in page order: the columns under their own names,
// FCustomer and FCurrencyID replaced by reference records ("FCustomer",
// "FCurrency"), "FContractNo" only when set, "FContractID" "0" when no
// contract has that number. No page gives an empty list.
std::shared_ptr<ValueVector> BuildPlanRecords(Recordset* page, DatabaseConnection& connection);

}  // namespace ovardx
