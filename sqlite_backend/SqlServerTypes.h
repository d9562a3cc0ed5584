#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sqlite_backend/SqlServerDates.h"

namespace ovardx::sqlite {

// A target type of CAST or CONVERT that this backend reproduces.
struct SqlServerType {
    enum class Family {
        DateTime, SmallDateTime, Date, DateTime2,   // date types
        TinyInt, SmallInt, Int, BigInt, Bit,        // integers
        Decimal, Float, Real,                       // other numbers
        Char, VarChar, NChar, NVarChar,             // text
    };
    static constexpr int kMax = -1;  // (max) length

    Family family = Family::Int;
    int length = 30;    // text: characters, kMax for (max); 30 when CAST gives none
    int precision = 0;  // decimal: 1..38 digits (18 by default); datetime2: 0..7 (7)
    int scale = 0;      // decimal: 0..precision

    bool IsDate() const;
    bool IsText() const;
    bool IsInteger() const;  // tinyint .. bigint and bit
    DateTypeInfo DateInfo() const;

    // The normalized name the translation writes and the functions read:
    // "datetime", "datetime2(3)", "decimal(18,2)", "varchar(10)", "nchar(max)".
    std::string ToText() const;

    // Reads a type name with its arguments, without regard to case and
    // blanks: "DATETIME", "decimal(18, 2)", "numeric", "nvarchar(max)",
    // "varchar". Answers nothing for any other type (money, time, binary, ...)
    // or arguments out of range.
    static std::optional<SqlServerType> Parse(std::string_view text);
};

}  // namespace ovardx::sqlite
