#include "data_key/DeletionTypes.h"

namespace ovardx {

std::optional<std::int16_t> ChangeTypeOfBillType(std::int16_t iBillType) noexcept {
    switch (iBillType) {
    case 1: return kReceiveBillChangeType;
    case 2: return kAdvanceReceiptChangeType;
    case 3: return kContractChangeType;
    default: return std::nullopt;
    }
}

const char* RemarkDefaultText(std::int16_t changeType) noexcept {
    switch (changeType) {
    case kReceiveBillChangeType: return "收款单";
    case kAdvanceReceiptChangeType: return "预收单";
    case kContractChangeType: return "合同";
    default: return "未知类别";
    }
}

}  // namespace ovardx
