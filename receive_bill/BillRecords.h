#pragma once

#include <memory>
#include <string>

#include "ovardx/DatabaseConnection.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

// One record per bill of the page, in page order, with the keys of the
// receive bill document in their order (see clsReceiveBill.h); the MulCy
// texts in language. No page gives an empty list. A null FReceiveCyID,
// FCurrencyID, FCustomer, FSettleCyID (94) or FMulCy (94), or a failing
// reference statement, is raised.
std::shared_ptr<ValueVector> BuildBillRecords(Recordset* page, DatabaseConnection& connection,
                                              const std::string& language);

}  // namespace ovardx
