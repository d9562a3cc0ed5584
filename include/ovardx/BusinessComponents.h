#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ovardx/ValueDictionary.h"

namespace ovardx {

// The ERP's own business components, through which every change reaches the
// database. They are not part of the library: the ERP provides them (the
// embedded demo database has stand-ins), and a host registers them under
// their ProgIDs. Each raises ovardx::Error when it cannot do what is asked.

inline constexpr const char* kContractUpdaterProgId = "tessaCustomer.RPContractUpdate";
inline constexpr const char* kBillUpdaterProgId = "tessaBill.NewBillUpdate";

// The error number with which Save refuses a new contract whose number is
// taken: the database provider's integrity violation (DB_E_INTEGRITYVIOLATION),
// as a unique index on the contract number raises it.
inline constexpr std::int32_t kIntegrityViolation = static_cast<std::int32_t>(0x80040E2Fu);

// "tessaCustomer.RPContractUpdate".
class ContractUpdater {
public:
    virtual ~ContractUpdater() = default;
    // Writes a contract with its entry lines and receipt schemes, in one
    // transaction: a new contract when header's FContractID is 0, else the
    // contract with that id (its header, entries and schemes replaced).
    // Answers the contract id.
    //
    // A new contract whose FRP, FContractNo (not empty) and FSystemType are
    // those of a contract already saved raises kIntegrityViolation and saves
    // nothing: two imports that both found no contract save it only once.
    // The import then looks the contract up again and updates or skips it.
    virtual Variant Save(std::string& strPropsString, std::shared_ptr<ValueDictionary>& header,
                         std::shared_ptr<ValueVector>& schemes, std::shared_ptr<ValueVector>& entries) = 0;
    // Deletes the contract with that id and its lines.
    virtual void Delete(std::string& strPropsString, std::int32_t& contractId, bool& receivable) = 0;
};

// "tessaBill.NewBillUpdate".
class BillUpdater {
public:
    virtual ~BillUpdater() = default;
    // Deletes the receive bill (kind 0) or advance receipt (kind 1) with
    // that id; raises when there is none of that kind.
    virtual void DeleteReceiveBill(std::string& strPropsString, std::int32_t& billId, bool& receivable,
                                   std::int16_t kind) = 0;
};

}  // namespace ovardx
