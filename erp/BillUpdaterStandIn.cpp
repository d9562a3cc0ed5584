#include "erp/BillUpdaterStandIn.h"

#include "erp/ErpComponents.h"
#include "ovardx/Error.h"

namespace ovardx::erp {

void BillUpdaterStandIn::DeleteReceiveBill(std::string& strPropsString, std::int32_t& billId, bool& receivable,
                                           std::int16_t kind) {
    if (kind != 0 && kind != 1)
        RaiseRuntime(errnum::kInvalidProcedureCall, "the kind of bill must be 0 or 1, not " + std::to_string(kind));
    sqlite::Database& db = ErpDatabase(strPropsString);
    // One statement: the change-log trigger runs inside it, so the bill and
    // its log row go together or not at all.
    sqlite::Statement remove(db, "DELETE FROM t_RP_NewReceiveBill WHERE FBillID=?1 AND (FRP<>0)=?2 AND FPre=?3");
    remove.Bind(1, static_cast<std::int64_t>(billId));
    remove.Bind(2, static_cast<std::int64_t>(receivable ? 1 : 0));
    remove.Bind(3, static_cast<std::int64_t>(kind));
    remove.Step();
    if (db.Changes() == 0)
        Raise(errnum::kApplicationError, kBillUpdaterSource,
              std::string(kind == 1 ? "预收单" : "收款单") + "不存在 (FBillID " + std::to_string(billId) + ", FRP " +
                  (receivable ? "1" : "0") + ")");
}

}  // namespace ovardx::erp
