#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ovardx {

// The newest FTimeStamp of the change log's deletions of that change type.
std::string DeletionMaxTimeStampStatement(std::int16_t changeType);

// At most lPerCount deletions (no limit for 0) of that change type after
// timeStamp, oldest first, so that the last row's FTimeStamp is a bound
// that skips no deletion.
std::string DeletionPageStatement(std::int16_t changeType, std::int32_t lPerCount, const std::string& timeStamp);

// FContractID and FRP of the contracts with that UUID.
std::string ContractByUuidStatement(std::string_view uuid);

// FBillID and FRP of the receive bills and advance receipts with that UUID.
std::string BillByUuidStatement(std::string_view uuid);

}  // namespace ovardx
