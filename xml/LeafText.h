#pragma once

#include <string>

#include "ovardx/Variant.h"
#include "xml/SchemaModel.h"

namespace ovardx::xml {

// The text of a plain value in the document, by the value's kind:
// - empty: "";  Boolean: "true" / "false";  integer: decimal digits;
// - double: plain decimal notation, no exponent, the shortest text that
//   reads back as the same double ("NaN", "INF", "-INF" for the others);
// - text: as it is;
// - date-time: "yyyy-mm-dd" where the schema type is xs:date and the value
//   has no time of day, else xs:dateTime "yyyy-mm-ddThh:mm:ss[.fff]";
// - byte array: hexBinary, two upper-case digits per byte.
// Null, records and lists are not leaves; they raise a type mismatch.
std::string LeafText(const Variant& value, LeafType type);

// The double's shortest round-trip text in plain decimal notation.
std::string DecimalText(double value);

}  // namespace ovardx::xml
