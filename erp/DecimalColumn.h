#pragma once

#include <cstdint>
#include <string_view>

#include "ovardx/Variant.h"

namespace ovardx::erp {

// Error numbers of a value that a DECIMAL column refuses, as the database
// provider reports them.
inline constexpr std::int32_t kDataOverflow = static_cast<std::int32_t>(0x80040E57u);
inline constexpr std::int32_t kConversionFailed = static_cast<std::int32_t>(0x80040E07u);

// The value as the ERP's DECIMAL(28,10) column `column` stores it: null
// stays null; a number, or text that is a number, is rounded to 10 decimal
// places (half away from zero). A magnitude of 10^18 or more raises
// kDataOverflow, text that is no number kConversionFailed; both name the
// column and come from `source`, the component that writes it.
Variant DecimalColumnValue(const Variant& value, std::string_view column, const char* source);

}  // namespace ovardx::erp
