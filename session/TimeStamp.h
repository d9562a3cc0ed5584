#pragma once

#include <string>
#include <string_view>

#include "ovardx/Variant.h"

namespace ovardx {

// The timestamp text that stands for "no timestamp".
inline constexpr const char* kZeroTimeStamp = "0x0000000000000000";

// A row version as timestamp text: "0x" and two upper-case hexadecimal digits
// per byte ("0x" for an empty array). Null, or any value that is not a byte
// array, gives kZeroTimeStamp. Never throws.
std::string TimeStampToHex(const Variant& value) noexcept;

// True for "" and for "0x" followed by hexadecimal digits only (either
// case): the texts that may stand in SQL as a binary literal.
bool IsTimeStampText(std::string_view text) noexcept;

}  // namespace ovardx
