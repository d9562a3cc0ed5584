#pragma once

#include <cstdint>
#include <string>

#include "ovardx/BusinessComponents.h"

namespace ovardx::erp {

// Error source of the stand-in's own refusals.
inline constexpr const char* kBillUpdaterSource = "tessaBill.NewBillUpdate";

// The ERP's bill component for the embedded database
// ("tessaBill.NewBillUpdate"). Each call opens the database named by the
// property string's "ConnectString" and closes it again.
class BillUpdaterStandIn final : public BillUpdater {
public:
    // Deletes the bill with that id whose FRP matches receivable (true: FRP
    // not 0) and whose FPre is kind (0 receive bill, 1 advance receipt); the
    // database logs the deletion in COM_DataChange. Raises when there is no
    // such bill (0x800400C8), when kind is neither 0 nor 1 (5), or when the
    // database refuses the deletion (its own error).
    void DeleteReceiveBill(std::string& strPropsString, std::int32_t& billId, bool& receivable,
                           std::int16_t kind) override;
};

}  // namespace ovardx::erp
