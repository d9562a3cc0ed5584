#pragma once

#include <string>
#include <string_view>

#include "ovardx/Variant.h"

namespace ovardx {

// A value for a place between single quotes in a statement: every single
// quote doubled, so the value can never end the literal and change what the
// statement does.
std::string QuoteSqlText(std::string_view value);

// True for null, empty and the empty text: the "no value" test the records
// make with NullToDefault(value, "") = "".
bool IsNullOrEmptyText(const Variant& value);

// True when text holds nothing but blanks (space, tab, line breaks). A
// blank UUID names no document: lookups by it are not made.
bool IsBlank(std::string_view text);

}  // namespace ovardx
