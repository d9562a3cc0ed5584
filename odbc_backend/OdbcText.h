#pragma once

#include <string>
#include <string_view>

namespace ovardx::odbc {

// Text crosses the ODBC boundary as UTF-16 (the W functions), so that no
// driver converts it through the process's locale: statements, connection
// strings, diagnostics and text columns alike.

// UTF-8 to UTF-16. Bytes that are no valid UTF-8 raise kStatementError
// naming `what` (never quoting the text: it may be a password).
std::u16string ToUtf16(std::string_view utf8, std::string_view what);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view utf16);

}  // namespace ovardx::odbc
