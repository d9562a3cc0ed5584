#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ovardx {

// Change types (COM_DataChange.FType) of the documents whose deletions are
// exchanged.
inline constexpr std::int16_t kContractChangeType = -1;
inline constexpr std::int16_t kReceiveBillChangeType = 5;
inline constexpr std::int16_t kAdvanceReceiptChangeType = 15;

// The change type that a deletion type selects: 1 receive bill, 2 advance
// receipt, 3 contract; none for any other value.
std::optional<std::int16_t> ChangeTypeOfBillType(std::int16_t iBillType) noexcept;

// The default text of the "Remark" of an exported key: the document kind of
// the change type, "未知类别" for a change type of no known document.
const char* RemarkDefaultText(std::int16_t changeType) noexcept;

// Default text of the refusal of an unsupported deletion type.
inline constexpr const char* kUnsupportedTypeText = "不支持不识别删除关键字的导入导出!";

// Default text of the failure of a key without a UUID.
inline constexpr const char* kBlankUuidText = "删除关键字没有 UUID!";

// Error source of the class's own errors.
inline constexpr const char* kDataKeySource = "OVArDataExchange.clsDataKey";

}  // namespace ovardx
