#pragma once

#include <sql.h>

#include <string>
#include <string_view>

#include "odbc_backend/OdbcDiagnostics.h"
#include "ovardx/Variant.h"
#include "sqlite_backend/ColumnValue.h"

namespace ovardx::odbc {

using sqlite::ColumnType;

// What a result column delivers, the same as the embedded database gives
// for the same SQL Server type: by the type name the driver reports
// (SQL_DESC_TYPE_NAME: the server's "timestamp", "datetime", "decimal"...;
// on SQLite the declared type, or the storage class of an expression), and
// by the SQL type code where the name is none the embedded database knows
// (time, datetimeoffset, sql_variant: text).
ColumnType ClassifyColumn(SQLSMALLINT sqlType, std::string_view typeName);

// How a date column is read: through the driver's date conversion, or as
// the text SQLite holds, parsed as the embedded database parses it.
enum class DateReading { Native, Text };

// The value of `column` (1-based) of the statement's current row, read with
// SQLGetData: NULL as null, row versions and binaries as Bytes (long values
// in pieces), dates as DateTime, decimals and floats as double, integers as
// integer, bits as Boolean, text as UTF-8 (long text in pieces). A date
// text that is no date raises kStatementError naming the column.
Variant ReadColumnValue(SQLHANDLE statement, SQLUSMALLINT column, ColumnType type, DateReading dates,
                        const std::string& columnName, const ErrorContext& context);

}  // namespace ovardx::odbc
