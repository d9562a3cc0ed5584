#pragma once

#include <string>

#include "ovardx/Error.h"

namespace ovardx {

// The text a public method returns in strError for a caught error: three
// lines joined by CRLF, without a trailing line break, each label localized
// into language with LoadLocalizedText:
//   "错误号:" number (decimal, "-" for negative numbers)
//   "错误源:" source
//   "错误描述:" description
std::string BuildErrorText(const ErrorRecord& error, const std::string& language);

}  // namespace ovardx
