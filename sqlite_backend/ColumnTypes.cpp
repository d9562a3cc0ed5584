#include "sqlite_backend/ColumnTypes.h"

#include <sqlite3.h>

#include "sqlite_backend/ColumnValue.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::sqlite {

namespace {

std::string Lower(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

ColumnKind KindOf(ColumnType type) {
    switch (type) {
        case ColumnType::DateTime: return ColumnKind::DateTime;
        case ColumnType::Bytes: return ColumnKind::Binary;
        case ColumnType::Double: return ColumnKind::Decimal;
        case ColumnType::Integer: return ColumnKind::Integer;
        case ColumnType::Boolean: return ColumnKind::Bit;
        case ColumnType::Text: return ColumnKind::Text;
        case ColumnType::ByStorage: break;
    }
    return ColumnKind::Ambiguous;
}

}  // namespace

ColumnTypes::ColumnTypes(std::initializer_list<std::pair<std::string_view, ColumnKind>> columns) {
    for (const auto& [column, kind] : columns) Add(column, kind);
}

void ColumnTypes::Add(std::string_view column, ColumnKind kind) {
    const auto [entry, added] = kinds_.emplace(Lower(column), kind);
    if (!added && entry->second != kind) entry->second = ColumnKind::Ambiguous;
}

void ColumnTypes::AddDeclared(std::string_view column, std::string_view declaredType) {
    Add(column, KindOf(ClassifyDeclaredType(declaredType)));
}

std::optional<ColumnKind> ColumnTypes::Find(std::string_view column) const {
    const auto entry = kinds_.find(Lower(column));
    if (entry == kinds_.end()) return std::nullopt;
    return entry->second;
}

SchemaColumnTypes ReadColumnTypes(sqlite3* db) {
    // One statement reads in one transaction, so the version belongs to
    // the columns.
    std::string_view sql =
        "SELECT (SELECT schema_version FROM pragma_schema_version), c.name, c.type "
        "FROM sqlite_schema s JOIN pragma_table_info(s.name) c WHERE s.type = 'table'";
    Statement columns = Statement::PrepareNext(db, sql);
    SchemaColumnTypes result;
    while (columns.Step()) {
        result.schemaVersion = columns.ColumnInt64(0);
        result.types.AddDeclared(columns.ColumnText(1), columns.ColumnText(2));
    }
    if (result.schemaVersion < 0) result.schemaVersion = ReadSchemaVersion(db);
    return result;
}

long long ReadSchemaVersion(sqlite3* db) {
    std::string_view sql = "PRAGMA schema_version";
    Statement version = Statement::PrepareNext(db, sql);
    return version.Step() ? version.ColumnInt64(0) : -1;
}

}  // namespace ovardx::sqlite
