#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace ovardx::erp {

// Users of the demo database, by their fixed FUserID.
inline constexpr int kAdministratorUserId = 16;       // in group 1, no web-service bit
inline constexpr int kWebServiceUserId = 17;          // web-service right (bits 20 and 21), group 2
inline constexpr int kForbiddenAdministratorId = 18;  // group 1 and the bit, but FForbidden 1
inline constexpr int kPlainUserId = 19;               // neither: mask 0x000FFFFF, group 2
// Further users (checkers and preparers of documents) have ids from 20 on and
// no rights.
inline constexpr int kFirstClerkUserId = 20;

// The service pack value of T_SYSTEMPROFILE ('Base', 'ServicePack').
inline constexpr const char* kDemoServicePack = "SP2";

// A few rows of the demo database by their keys, for tests and examples.
struct DemoCustomer {
    std::int64_t Id = 0;  // FItemID (item class 1)
    std::string Number;   // "C001"
    std::string Name;
    std::string Uuid;
};
struct DemoContract {  // a receivable contract (FRP 1, FSystemType 1) with entry and plan lines
    std::int64_t Id = 0;  // FContractID
    std::string Number;   // FContractNo
    std::string Uuid;
    std::int64_t Entries = 0;
    std::int64_t Schemes = 0;
};
struct DemoBill {  // a receivable bill (FRP 1)
    std::int64_t Id = 0;  // FBillID
    std::string Uuid;
};

// What CreateDemoDatabase wrote, counted while writing, so that callers can
// check what a statement should return without asking the database.
struct DemoSummary {
    std::int64_t Customers = 0;
    std::int64_t Departments = 0;
    std::int64_t Employees = 0;
    std::int64_t Products = 0;
    std::int64_t Currencies = 0;
    std::int64_t Units = 0;

    std::int64_t PlanHeaders = 0;         // rows of t_rp_contact
    std::int64_t ExportablePlanHeaders = 0;  // FRP 1, FType 3 or 13
    std::int64_t PlanRows = 0;            // rows of t_rp_plan_ar and t_Rp_plan_ap together
    // Rows of the plan page statement without limit from the zero timestamp:
    // exportable headers with a customer and a currency row, entries whose
    // remaining amount is not 0, equal (header, date, amount) entries once.
    std::int64_t ExportablePlanRows = 0;

    std::int64_t Contracts = 0;            // rows left in t_RPContract
    std::int64_t ExportableContracts = 0;  // FRP 1 and FSystemType 1
    std::int64_t ContractEntries = 0;      // rows left in t_rpcontractentry
    std::int64_t ContractSchemes = 0;      // rows left in t_rpcontractscheme

    std::int64_t ReceiveBills = 0;      // FPre 0, all FRP, rows left
    std::int64_t AdvanceReceipts = 0;   // FPre 1, all FRP, rows left
    std::int64_t ExportableReceiveBills = 0;     // FPre 0 and FRP 1
    std::int64_t ExportableAdvanceReceipts = 0;  // FPre 1 and FRP 1

    // Deletion rows of the change log (FSystemFlag 2, FIfDelete 1) by FType.
    std::int64_t DeletedContracts = 0;        // FType -1
    std::int64_t DeletedReceiveBills = 0;     // FType 5
    std::int64_t DeletedAdvanceReceipts = 0;  // FType 15

    DemoCustomer FirstCustomer;         // C001
    DemoContract SampleContract;        // the first such contract left
    DemoBill SampleReceiveBill;         // FPre 0, the first left
    DemoBill SampleAdvanceReceipt;      // FPre 1, the first left
    std::string DeletedContractUuid;    // UUID of a deleted contract
    std::string DeletedReceiveBillUuid; // UUID of a deleted receive bill (FPre 0)
};

// Creates the SQLite file `path` with the ERP schema and deterministic,
// realistic demo data: the same scale and seed give a file with the same
// bytes. `scale` 1 gives a few hundred plan rows; `scale` 100 at least
// 100,000. Everything is written in one transaction.
//
// An existing file is refused (error 58, file already exists) unless
// `overwrite` is true, in which case it is replaced. Any failure raises
// ovardx::Error and leaves no file behind. `scale` must be at least 1
// (error 5 otherwise).
DemoSummary CreateDemoDatabase(const std::filesystem::path& path, int scale = 1,
                               std::uint64_t seed = 1, bool overwrite = false);

}  // namespace ovardx::erp
