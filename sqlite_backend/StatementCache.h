#pragma once

#include <cstddef>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sqlite_backend/ColumnValue.h"
#include "sqlite_backend/SqliteHandle.h"
#include "sqlite_backend/StatementShape.h"

namespace ovardx::sqlite {

// A prepared read statement with what its rows are read by.
struct PreparedRead {
    Statement statement;
    std::size_t parameters = 0;  // the values of its shape it takes, ?1 on
    std::vector<std::string> columnNames;
    std::vector<ColumnType> columnTypes;
    bool repeatable = false;  // reads the same rows from the same data (see IsRepeatable)
};

// Describes the result columns of a freshly prepared statement.
PreparedRead DescribeRead(Statement statement);

// The prepared read statements of one database handle, the most recently
// used kept, so a statement that a thread runs again is neither translated
// nor prepared again. Filed by T-SQL text, or by the key of a statement
// shape (see StatementShape.h) when the texts of the shape share one
// statement. Statements stay valid across schema changes (SQLite prepares
// them again), but their translations may not: Clear() when the schema
// changes.
class StatementCache {
public:
    StatementCache() = default;
    StatementCache(StatementCache&&) noexcept = default;
    StatementCache& operator=(StatementCache&&) noexcept = default;
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // The statement filed for the whole text, or nullptr.
    PreparedRead* FindText(std::string_view sql);
    // The statement shared by the texts of a shape, or nullptr.
    PreparedRead* FindShape(std::string_view key);
    PreparedRead& AddText(std::string_view sql, PreparedRead read);
    PreparedRead& AddShape(std::string_view key, PreparedRead read);
    void Clear() noexcept;

    static constexpr std::size_t kCapacity = 64;

private:
    struct Entry {
        bool shape;
        std::string key;
        PreparedRead read;
    };
    using Entries = std::list<Entry>;
    using Index = std::unordered_map<std::string_view, Entries::iterator>;

    PreparedRead* Find(Index& index, std::string_view key);
    PreparedRead& Add(bool shape, std::string_view key, PreparedRead read);

    Entries entries_;  // most recently used first
    Index texts_;      // keys point into entries_
    Index shapes_;
};

}  // namespace ovardx::sqlite
