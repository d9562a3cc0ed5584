#pragma once

#include <cstdint>
#include <string>

namespace ovardx {

// The newest FModifyTime of the plan headers.
inline constexpr const char* kPlanMaxTimeStampStatement =
    "SELECT MAX(FModifyTime) as FMT FROM t_RP_Contact WHERE FRP=1 and FType in(3,13) ";

// The page statement: at most lPerCount plan rows (no limit for 0) whose
// header changed after timeStamp, oldest first, narrowed by conditions.
std::string PlanPageStatement(std::int32_t lPerCount, const std::string& timeStamp,
                              const std::string& conditions);

// Every plan row whose header has exactly the row version timeStamp, with
// the same conditions: completes a page that ended inside such a group.
std::string PlanGroupStatement(const std::string& timeStamp, const std::string& conditions);

}  // namespace ovardx
