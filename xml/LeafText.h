#pragma once

#include <string>
#include <string_view>

#include "ovardx/Variant.h"
#include "xml/SchemaModel.h"

namespace ovardx::xml {

// The text of a plain value in the document, by the value's kind:
// - empty: "";  Boolean: "true" / "false";  integer: decimal digits;
// - double: DecimalText;
// - text: XmlSafeText of it;
// - date-time: "yyyy-mm-dd" where the schema type is xs:date and the value
//   has no time of day, else xs:dateTime "yyyy-mm-ddThh:mm:ss[.fff]";
// - byte array: hexBinary, two upper-case digits per byte.
// Null, records and lists are not leaves; they raise a type mismatch.
std::string LeafText(const Variant& value, LeafType type);

// The most digits a schema validator takes in an xs:decimal (libxml2's
// limit; the digits of DECIMAL(28,10) fit in it).
inline constexpr int kMaxDecimalDigits = 24;

// The double in plain decimal notation, never an exponent: the shortest
// text that reads back as the same double when that has at most
// kMaxDecimalDigits digits, else rounded to that many (only fractions beyond
// every amount's precision are lost, 1/3e8 giving 0.000000003333333333333333).
// Beyond 10^24 no such text exists; the full digits are written then, and
// the schema check refuses them. "NaN", "INF", "-INF" for the others.
std::string DecimalText(double value);

// The text as XML 1.0 can carry it: every byte sequence that is not UTF-8,
// and every character XML 1.0 does not allow (the control characters but
// tab, line feed and carriage return; U+FFFE, U+FFFF), is replaced by
// U+FFFD, the replacement character. Text that needs none is returned as it is.
std::string XmlSafeText(std::string text);

}  // namespace ovardx::xml
