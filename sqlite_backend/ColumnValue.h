#pragma once

#include <string>
#include <string_view>

#include "ovardx/Variant.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::sqlite {

// What a result column delivers, chosen by its declared SQL Server type.
enum class ColumnType {
    DateTime,   // DATETIME, DATETIME2, SMALLDATETIME, DATE
    Bytes,      // ROWVERSION, TIMESTAMP, BINARY, VARBINARY, IMAGE
    Double,     // DECIMAL, NUMERIC, MONEY, SMALLMONEY, FLOAT, REAL, DOUBLE
    Integer,    // INT, INTEGER, SMALLINT, BIGINT, TINYINT
    Boolean,    // BIT
    Text,       // CHAR, VARCHAR, NCHAR, NVARCHAR, TEXT, NTEXT, UNIQUEIDENTIFIER, ...
    ByStorage,  // no or an unknown declared type: by the value's storage class
};

// Classifies a declared type such as "NVARCHAR(50)" or "decimal(18, 2)",
// without regard to letter case.
ColumnType ClassifyDeclaredType(std::string_view declaredType);

// The value of `column` in the statement's current row. NULL gives
// Variant::Null(); a value the type cannot hold (a DATETIME column holding
// "abc") raises kStatementError naming the column. Integers in a byte
// column come back as 8 bytes, most significant first, as row versions do.
Variant ReadColumn(const Statement& statement, int column, ColumnType type);

}  // namespace ovardx::sqlite
