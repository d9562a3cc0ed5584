#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "ovardx/DatabaseConnection.h"
#include "ovardx/ValueDictionary.h"
#include "session/ReferenceLookup.h"

namespace ovardx::contracts {

// Called after each contract record is complete: (records done, rows of the page).
using ContractProgress = std::function<void(std::int32_t lCur, std::int32_t lTotal)>;

// The contract records of the page's rows, in the page's order, each with
// its entry lines ("Body") and collection plan ("Plan") when it has any.
// After each contract the thread's pending messages are processed, then
// progress (when set) is called. Errors are raised: a null FRP, FCustomer,
// FCurrencyID or FContractID, a null FProductID or FUnitID of an entry, a
// failing statement.
std::shared_ptr<ValueVector> BuildContractRecords(DatabaseConnection& connection, Recordset* page,
                                                  const ContractProgress& progress);

// Stores the contract's entry lines under "Body" and its plan lines under
// "Plan" in record; nothing when it has none.
void AddContractEntries(DatabaseConnection& connection, ReferenceCache& references, std::int32_t contractId,
                        ValueDictionary& record);
void AddContractPlans(DatabaseConnection& connection, ReferenceCache& references, std::int32_t contractId,
                      ValueDictionary& record);

// "UnApproved" for 0, "Approved" for 1, "Closed" for any other status.
const char* ContractStatusText(const Variant& status);

}  // namespace ovardx::contracts
