#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

struct sqlite3;

namespace ovardx::sqlite {

// What kind of value a column holds, by its declared SQL Server type.
enum class ColumnKind {
    Text,       // CHAR, VARCHAR, NVARCHAR, ...
    Integer,    // INT, SMALLINT, BIGINT, TINYINT
    Decimal,    // DECIMAL, NUMERIC, MONEY, FLOAT, REAL
    DateTime,   // DATETIME, SMALLDATETIME, DATE, DATETIME2
    Binary,     // ROWVERSION, BINARY, VARBINARY, IMAGE
    Bit,        // BIT
    Ambiguous,  // tables disagree, or a column without a known type
};

// The kind of each column name of a database, without regard to case and
// to the table: the translation knows a column "d.FDate" by its last part.
class ColumnTypes {
public:
    ColumnTypes() = default;
    ColumnTypes(std::initializer_list<std::pair<std::string_view, ColumnKind>> columns);

    // Records a column; a second, different kind for the same name makes the
    // name Ambiguous.
    void Add(std::string_view column, ColumnKind kind);
    // Records a column by its declared type ("NVARCHAR(80)", "decimal(28,10)");
    // a type ClassifyDeclaredType does not know counts as Ambiguous.
    void AddDeclared(std::string_view column, std::string_view declaredType);

    // The kind of a column name; nothing for a name no table has.
    std::optional<ColumnKind> Find(std::string_view column) const;
    bool Empty() const noexcept { return kinds_.empty(); }

    friend bool operator==(const ColumnTypes&, const ColumnTypes&) = default;

private:
    std::map<std::string, ColumnKind> kinds_;  // by ASCII lower-case name
};

// The column types of every table of the open database (PRAGMA
// table_info of each), and the schema version they belong to (PRAGMA
// schema_version), read in one go.
struct SchemaColumnTypes {
    long long schemaVersion = -1;
    ColumnTypes types;
};
SchemaColumnTypes ReadColumnTypes(sqlite3* db);
// The schema version alone, to tell whether ReadColumnTypes must run again.
long long ReadSchemaVersion(sqlite3* db);

}  // namespace ovardx::sqlite
