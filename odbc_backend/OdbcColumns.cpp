#include "odbc_backend/OdbcColumns.h"

#include <sqlext.h>

#include <cstdint>
#include <optional>

#include "odbc_backend/OdbcDiagnostics.h"
#include "odbc_backend/OdbcText.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::odbc {

namespace {

constexpr std::size_t kPieceBytes = 16 * 1024;

// Reads a variable-length value in pieces: binary as it is, text as
// UTF-16 (each piece the driver ends with a terminator, which is dropped).
std::optional<std::string> ReadPieces(SQLHANDLE statement, SQLUSMALLINT column, SQLSMALLINT cType,
                                      const ErrorContext& context) {
    const std::size_t terminator = cType == SQL_C_WCHAR ? sizeof(SQLWCHAR) : 0;
    std::string value;
    std::string piece(kPieceBytes, '\0');
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(statement, column, cType, piece.data(), static_cast<SQLLEN>(piece.size()),
                                        &indicator);
        if (rc == SQL_NO_DATA) break;
        Check(rc, SQL_HANDLE_STMT, statement, sqlite::kStatementError, context, "Reading a column");
        if (indicator == SQL_NULL_DATA) return std::nullopt;
        // A piece that did not hold the rest says so with SQL_SUCCESS_WITH_INFO
        // (01004); its length is then the total left, or SQL_NO_TOTAL.
        const bool truncated = rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL ||
                                                               static_cast<std::size_t>(indicator) + terminator > piece.size());
        const std::size_t bytes =
            truncated ? piece.size() - terminator : static_cast<std::size_t>(indicator);
        value.append(piece.data(), bytes);
        if (!truncated) break;
    }
    return value;
}

std::optional<std::string> ReadText(SQLHANDLE statement, SQLUSMALLINT column, const ErrorContext& context) {
    const auto units = ReadPieces(statement, column, SQL_C_WCHAR, context);
    if (!units) return std::nullopt;
    return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(units->data()), units->size() / 2));
}

template <class T>
std::optional<T> ReadFixed(SQLHANDLE statement, SQLUSMALLINT column, SQLSMALLINT cType, const ErrorContext& context) {
    T value{};
    SQLLEN indicator = 0;
    Check(SQLGetData(statement, column, cType, &value, sizeof value, &indicator), SQL_HANDLE_STMT, statement,
          sqlite::kStatementError, context, "Reading a column");
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    return value;
}

Variant ReadDate(SQLHANDLE statement, SQLUSMALLINT column, DateReading dates, const std::string& columnName,
                 const ErrorContext& context) {
    if (dates == DateReading::Text) {
        const auto text = ReadText(statement, column, context);
        if (!text) return Variant::Null();
        if (auto date = DateTime::Parse(*text)) return Variant(*date);
        sqlite::RaiseProviderError(sqlite::kStatementError, "Column '" + columnName + "' holds '" + *text +
                                                                "', which is not a valid date value");
    }
    const auto stamp = ReadFixed<SQL_TIMESTAMP_STRUCT>(statement, column, SQL_C_TYPE_TIMESTAMP, context);
    if (!stamp) return Variant::Null();
    DateTime date;
    date.Year = stamp->year;
    date.Month = stamp->month;
    date.Day = stamp->day;
    date.Hour = stamp->hour;
    date.Minute = stamp->minute;
    date.Second = stamp->second;
    date.Millisecond = static_cast<int>(stamp->fraction / 1000000);  // nanoseconds
    return Variant(date);
}

template <class T>
Variant OrNull(const std::optional<T>& value) {
    return value ? Variant(*value) : Variant::Null();
}

}  // namespace

ColumnType ClassifyColumn(SQLSMALLINT sqlType, std::string_view typeName) {
    const ColumnType byName = sqlite::ClassifyDeclaredType(typeName);
    if (byName != ColumnType::ByStorage) return byName;
    switch (sqlType) {
        case SQL_TYPE_TIMESTAMP:
        case SQL_TYPE_DATE:
        case SQL_TIMESTAMP:
        case SQL_DATE: return ColumnType::DateTime;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY: return ColumnType::Bytes;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
        case SQL_FLOAT:
        case SQL_REAL:
        case SQL_DOUBLE: return ColumnType::Double;
        case SQL_INTEGER:
        case SQL_SMALLINT:
        case SQL_TINYINT:
        case SQL_BIGINT: return ColumnType::Integer;
        case SQL_BIT: return ColumnType::Boolean;
        default: return ColumnType::Text;
    }
}

Variant ReadColumnValue(SQLHANDLE statement, SQLUSMALLINT column, ColumnType type, DateReading dates,
                        const std::string& columnName, const ErrorContext& context) {
    switch (type) {
        case ColumnType::DateTime: return ReadDate(statement, column, dates, columnName, context);
        case ColumnType::Bytes: {
            const auto bytes = ReadPieces(statement, column, SQL_C_BINARY, context);
            return bytes ? Variant(Bytes(bytes->begin(), bytes->end())) : Variant::Null();
        }
        case ColumnType::Double: return OrNull(ReadFixed<double>(statement, column, SQL_C_DOUBLE, context));
        case ColumnType::Integer:
            return OrNull(ReadFixed<std::int64_t>(statement, column, SQL_C_SBIGINT, context));
        case ColumnType::Boolean: {
            const auto bit = ReadFixed<unsigned char>(statement, column, SQL_C_BIT, context);
            return bit ? Variant(*bit != 0) : Variant::Null();
        }
        case ColumnType::Text:
        case ColumnType::ByStorage: break;
    }
    return OrNull(ReadText(statement, column, context));
}

}  // namespace ovardx::odbc
