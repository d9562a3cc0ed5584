#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "sqlite_backend/ColumnValue.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::sqlite {

// A T-SQL text that ends in "= <whole number>" (blanks allowed around the
// number, one to nine digits, so always an int to SQL Server and to the
// translator whatever its value): the text before the number and the
// number. Lookups of one kind differ only there ("... WHERE FItemID =42").
struct TrailingNumber {
    std::string_view head;   // the text up to the number, "=" included
    std::string_view digits;
    std::int64_t value = 0;
};
std::optional<TrailingNumber> SplitTrailingNumber(std::string_view sql);

// A T-SQL text whose binary literals ("0x0000000000A1B2C3") all hold one
// value of the same length, as a page statement's bound does: the text with
// the literals marked (the key to file it by), the value, and the text with
// another value of that length in their place, to check that the
// translation treats the value as an opaque operand. Texts with a
// character \x01 (the mark) or an empty literal are left alone.
struct BinaryLiterals {
    std::string key;
    Bytes value;
    std::string literal;       // the literal as the translation writes it
    std::string probe;         // the text with the other value
    std::string probeLiteral;  // the other value as the translation writes it
};
std::optional<BinaryLiterals> SplitBinaryLiterals(std::string_view sql);

// What a prepared statement takes as parameter 1.
enum class Parameter { None, TrailingNumber, BinaryLiterals };

// A prepared read statement with what its rows are read by.
struct PreparedRead {
    Statement statement;
    Parameter parameter = Parameter::None;
    std::vector<std::string> columnNames;
    std::vector<ColumnType> columnTypes;
};

// Describes the result columns of a freshly prepared statement.
PreparedRead DescribeRead(Statement statement, Parameter parameter);

// The prepared read statements of one database handle, most recently used
// kept, so a statement that a thread runs again is neither translated nor
// prepared again. Filed by T-SQL text: a whole text, or the head of a text
// with a trailing number whose translation takes that number as parameter
// (SQLite compares a bound integer exactly as it compares the same literal;
// the column names were checked equal when it was filed). Statements stay
// valid across schema changes (SQLite prepares them again), but their
// translations may not: Clear() when the schema changes.
class StatementCache {
public:
    StatementCache() = default;
    StatementCache(StatementCache&&) noexcept = default;
    StatementCache& operator=(StatementCache&&) noexcept = default;
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // The statement filed for the whole text, or nullptr.
    PreparedRead* FindWhole(std::string_view sql);
    // The statement filed for the head of a text with a trailing number.
    PreparedRead* FindHead(std::string_view head);
    PreparedRead& AddWhole(std::string_view sql, PreparedRead read);
    PreparedRead& AddHead(std::string_view head, PreparedRead read);
    void Clear() noexcept;

    static constexpr std::size_t kCapacity = 64;

private:
    struct Entry {
        bool head;
        std::string key;
        PreparedRead read;
    };
    using Entries = std::list<Entry>;
    using Index = std::unordered_map<std::string_view, Entries::iterator>;

    PreparedRead* Find(Index& index, std::string_view key);
    PreparedRead& Add(bool head, std::string_view key, PreparedRead read);

    Entries entries_;  // most recently used first
    Index whole_;      // keys point into entries_
    Index heads_;
};

}  // namespace ovardx::sqlite
