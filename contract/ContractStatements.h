#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ovardx::contracts {

// The newest FModifyTime of all contracts on side iRP, filtered or not.
std::string ContractMaxTimeStampStatement(std::int16_t iRP);

// The page query: at most lPerCount contracts (no limit for 0) of side iRP
// and system type 1 changed after timeStamp, narrowed by the raw SQL
// condition filter when it is not empty, oldest change first, with the
// names of their contract type (FContractTypeName) and checker
// (FCheckerName).
std::string ContractPageStatement(std::int32_t lPerCount, std::int16_t iRP, const std::string& timeStamp,
                                  const std::string& filter);

// The entry lines and the collection plan lines of a contract.
std::string ContractEntriesStatement(std::int32_t contractId);
std::string ContractSchemesStatement(std::int32_t contractId);

// Lookups of the import. Every value between single quotes has its quotes
// doubled. itemClassName is "Currency", "Item" or "MeasureUnit" (compared
// exactly); the base statement of another name is empty.
std::string ReferenceBaseStatement(std::string_view itemClassName, std::int32_t itemClassId);
std::string ReferenceByUuidStatement(const std::string& base, std::string_view uuid);
std::string ReferenceByNumberStatement(const std::string& base, std::string_view number, std::string_view name);
std::string ContractByUuidStatement(std::string_view uuid);
std::string ContractByNumberStatement(std::int16_t frp, std::string_view number);

}  // namespace ovardx::contracts
