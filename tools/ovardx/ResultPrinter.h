#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "ovardx/DatabaseConnection.h"
#include "ovardx/Variant.h"

namespace ovardx::tool {

// The text of one value as the sql command prints it: null as "NULL", byte
// arrays as "0x" and two upper-case hex digits per byte, dates in their
// storage form ("yyyy-mm-dd[ hh:mm:ss[.fff]]"), Booleans as 1 or 0, numbers
// plainly (no exponent), text as it is with tab, line feed, carriage return
// and backslash escaped ("\t", "\n", "\r", "\\") so that every row stays on
// one line.
std::string CellText(const Variant& value);

// Prints a header line of the column names and one line per row, the
// fields separated by tabs. Leaves the recordset past its last row.
void PrintRecordset(std::ostream& out, Recordset& rows);

// "(1 row affected)", "(N rows affected)".
std::string ChangedRowsText(std::int64_t count);

}  // namespace ovardx::tool
