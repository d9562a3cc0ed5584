#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ovardx/BusinessComponents.h"

namespace ovardx::erp {

// Error source of the stand-in's own refusals.
inline constexpr const char* kContractUpdaterSource = "tessaCustomer.RPContractUpdate";

// The ERP's contract component for the embedded database
// ("tessaCustomer.RPContractUpdate"). Each call opens the database named by
// the property string's "ConnectString", works in one transaction and
// closes it again; a failure rolls the transaction back and is raised.
class ContractUpdaterStandIn final : public ContractUpdater {
public:
    // header: FRP, FContractTypeID, FContractNo, FContractName, FCustomer,
    // FDepartment and FEmployee (optional), FCurrencyID, FExchangeRate,
    // FTotalAmountFor, FReceiveAmountFor, FExplanation, FDate, FText,
    // FCashDiscount, FContractID, FSystemType. entries: FProductID, FUnitID,
    // FQuantity, FTaxPriceFor, FTaxRate, FExplanation, FBusinessDiscountRate,
    // FPriceFor, FAmountFor, FTaxFor, FAmountIncludeTaxFor,
    // FBusinessDiscountFor. schemes: FReceiveDate, FAmountFor, FCurrencyID,
    // FExchangeRate.
    //
    // FContractID 0 inserts a new contract (new id, new UUID, status
    // unapproved), or raises kIntegrityViolation when the number is taken
    // (same FRP, FContractNo and FSystemType); any other id replaces the
    // header, entries and schemes of that contract, keeping what the ERP
    // maintains itself (UUID, status, checker and received amount), and
    // raises when there is no such contract. Entries and schemes are stored
    // in list order. Amounts are stored as DECIMAL(28,10) holds them
    // (DecimalColumnValue: rounded to 10 places; 10^18 or more, or text that
    // is no number, raises). Answers the contract id.
    Variant Save(std::string& strPropsString, std::shared_ptr<ValueDictionary>& header,
                 std::shared_ptr<ValueVector>& schemes, std::shared_ptr<ValueVector>& entries) override;

    // Deletes the contract with that id whose FRP matches receivable (true:
    // FRP not 0), with its entry and plan lines; the database logs the
    // deletion in COM_DataChange. Raises when there is no such contract.
    void Delete(std::string& strPropsString, std::int32_t& contractId, bool& receivable) override;
};

}  // namespace ovardx::erp
