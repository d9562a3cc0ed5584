#pragma once

#include <cstdint>
#include <string>

namespace ovardx {

// The newest FModifyTime of the receivable bills with FPre iPre.
std::string BillMaxTimeStampStatement(std::int16_t iPre);

// The page statement: at most lPerCount receivable bills with FPre iPre (no
// limit for 0) whose FModifyTime is after timeStamp and that meet filter (an
// SQL condition, none when empty), oldest first, with the names of their
// settle entry, bill type, checker and preparer.
std::string BillPageStatement(std::int16_t iPre, const std::string& timeStamp, std::int32_t lPerCount,
                              const std::string& filter);

}  // namespace ovardx
