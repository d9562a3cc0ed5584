#include "sqlite_backend/ColumnValue.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "object_library/Text.h"
#include "ovardx/DateTime.h"

namespace ovardx::sqlite {

namespace {

struct TypeName {
    std::string_view name;
    ColumnType type;
};

constexpr std::array kTypeNames{
    TypeName{"DATETIME", ColumnType::DateTime},    TypeName{"DATETIME2", ColumnType::DateTime},
    TypeName{"SMALLDATETIME", ColumnType::DateTime}, TypeName{"DATE", ColumnType::DateTime},
    TypeName{"ROWVERSION", ColumnType::Bytes},     TypeName{"TIMESTAMP", ColumnType::Bytes},
    TypeName{"BINARY", ColumnType::Bytes},         TypeName{"VARBINARY", ColumnType::Bytes},
    TypeName{"IMAGE", ColumnType::Bytes},          TypeName{"BLOB", ColumnType::Bytes},
    TypeName{"DECIMAL", ColumnType::Double},       TypeName{"NUMERIC", ColumnType::Double},
    TypeName{"MONEY", ColumnType::Double},         TypeName{"SMALLMONEY", ColumnType::Double},
    TypeName{"FLOAT", ColumnType::Double},         TypeName{"REAL", ColumnType::Double},
    TypeName{"DOUBLE", ColumnType::Double},
    TypeName{"INT", ColumnType::Integer},          TypeName{"INTEGER", ColumnType::Integer},
    TypeName{"SMALLINT", ColumnType::Integer},     TypeName{"BIGINT", ColumnType::Integer},
    TypeName{"TINYINT", ColumnType::Integer},
    TypeName{"BIT", ColumnType::Boolean},
    TypeName{"CHAR", ColumnType::Text},            TypeName{"VARCHAR", ColumnType::Text},
    TypeName{"NCHAR", ColumnType::Text},           TypeName{"NVARCHAR", ColumnType::Text},
    TypeName{"TEXT", ColumnType::Text},            TypeName{"NTEXT", ColumnType::Text},
    TypeName{"UNIQUEIDENTIFIER", ColumnType::Text}, TypeName{"SYSNAME", ColumnType::Text},
    TypeName{"XML", ColumnType::Text},
};

std::string_view TypeWord(std::string_view declared) {
    while (!declared.empty() && std::isspace(static_cast<unsigned char>(declared.front()))) {
        declared.remove_prefix(1);
    }
    const auto end = std::find_if(declared.begin(), declared.end(), [](char c) {
        return c == '(' || std::isspace(static_cast<unsigned char>(c));
    });
    return declared.substr(0, static_cast<std::size_t>(end - declared.begin()));
}

[[noreturn]] void RaiseBadValue(const Statement& statement, int column, std::string_view typeName,
                                std::string_view value) {
    RaiseProviderError(kStatementError, "Column '" + statement.ColumnName(column) + "' holds '" +
                                            std::string(value) + "', which is not a valid " +
                                            std::string(typeName) + " value");
}

std::optional<double> ParseDouble(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    while (*end == ' ') ++end;
    if (*end != '\0' || std::isspace(static_cast<unsigned char>(text.front()))) return std::nullopt;
    return value;
}

Bytes BigEndian(std::int64_t value) {
    Bytes bytes(8);
    auto bits = static_cast<std::uint64_t>(value);
    for (int i = 7; i >= 0; --i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits & 0xFF);
        bits >>= 8;
    }
    return bytes;
}

Variant ByStorage(const Statement& statement, int column) {
    switch (statement.ColumnStorage(column)) {
        case StorageClass::Integer: return Variant(statement.ColumnInt64(column));
        case StorageClass::Float: return Variant(statement.ColumnDouble(column));
        case StorageClass::Text: return Variant(statement.ColumnText(column));
        case StorageClass::Blob: return Variant(statement.ColumnBlob(column));
        case StorageClass::Null: break;
    }
    return Variant::Null();
}

Variant ReadDate(const Statement& statement, int column) {
    const std::string text = statement.ColumnText(column);
    if (statement.ColumnStorage(column) == StorageClass::Text) {
        if (auto date = DateTime::Parse(text)) return Variant(*date);
    }
    RaiseBadValue(statement, column, "date", text);
}

Variant ReadDouble(const Statement& statement, int column) {
    switch (statement.ColumnStorage(column)) {
        case StorageClass::Integer:
        case StorageClass::Float: return Variant(statement.ColumnDouble(column));
        default: break;
    }
    const std::string text = statement.ColumnText(column);
    if (auto value = ParseDouble(text)) return Variant(*value);
    RaiseBadValue(statement, column, "number", text);
}

Variant ReadInteger(const Statement& statement, int column) {
    switch (statement.ColumnStorage(column)) {
        case StorageClass::Integer: return Variant(statement.ColumnInt64(column));
        case StorageClass::Float: {
            // Integer affinity keeps 2.5 as a real; do not cut it to 2.
            const double value = statement.ColumnDouble(column);
            if (value == std::trunc(value) && std::abs(value) < 9.2e18) {
                return Variant(static_cast<std::int64_t>(value));
            }
            return Variant(value);
        }
        default: break;
    }
    const std::string text = statement.ColumnText(column);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size() && !text.empty()) return Variant(value);
    RaiseBadValue(statement, column, "integer", text);
}

Variant ReadBoolean(const Statement& statement, int column) {
    switch (statement.ColumnStorage(column)) {
        case StorageClass::Integer: return Variant(statement.ColumnInt64(column) != 0);
        case StorageClass::Float: return Variant(statement.ColumnDouble(column) != 0.0);
        default: break;
    }
    const std::string text = statement.ColumnText(column);
    if (EqualsNoCase(text, "true") || text == "1") return Variant(true);
    if (EqualsNoCase(text, "false") || text == "0") return Variant(false);
    RaiseBadValue(statement, column, "bit", text);
}

Variant ReadBytes(const Statement& statement, int column) {
    if (statement.ColumnStorage(column) == StorageClass::Integer) {
        return Variant(BigEndian(statement.ColumnInt64(column)));
    }
    return Variant(statement.ColumnBlob(column));
}

}  // namespace

ColumnType ClassifyDeclaredType(std::string_view declaredType) {
    const std::string_view word = TypeWord(declaredType);
    for (const TypeName& entry : kTypeNames) {
        if (EqualsNoCase(word, entry.name)) return entry.type;
    }
    return ColumnType::ByStorage;
}

Variant ReadColumn(const Statement& statement, int column, ColumnType type) {
    if (statement.ColumnStorage(column) == StorageClass::Null) return Variant::Null();
    switch (type) {
        case ColumnType::DateTime: return ReadDate(statement, column);
        case ColumnType::Bytes: return ReadBytes(statement, column);
        case ColumnType::Double: return ReadDouble(statement, column);
        case ColumnType::Integer: return ReadInteger(statement, column);
        case ColumnType::Boolean: return ReadBoolean(statement, column);
        case ColumnType::Text: return Variant(statement.ColumnText(column));
        case ColumnType::ByStorage: break;
    }
    return ByStorage(statement, column);
}

}  // namespace ovardx::sqlite
