#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "ovardx/DatabaseConnection.h"

namespace ovardx::sqlite {

// The small results a database handle has read, by T-SQL text, for one
// state of the database: the same repeatable statement on the same state
// reads the same rows, so the library's fixed lookups (the gate's rows, a
// customer, a currency, the newest row version) are read once while the
// file does not change, not once per call.
//
// The state is SQLite's data version of the handle (SQLITE_FCNTL_DATA_VERSION),
// which moves with every commit to the file by any connection or process,
// and is read inside the read transaction the rows came from. A different
// version forgets everything. A result is kept from the second time its text
// is run: a page statement, whose bound moves with every call, is not kept at
// all. Bounded: results of more than kMaxRows rows or kMaxResultBytes are not
// kept, and the memo starts afresh past kMaxBytes.
class ResultMemo {
public:
    static constexpr std::size_t kMaxRows = 4;
    static constexpr std::size_t kMaxResultBytes = 16 * 1024;
    static constexpr std::size_t kMaxBytes = 4 * 1024 * 1024;
    static constexpr std::size_t kMaxSeenTexts = 4096;

    // A fresh recordset of the rows read for sql at this version, or nullptr.
    std::shared_ptr<Recordset> Find(const std::string& sql, std::uint32_t version) const;
    // Keeps the rows of sql read at this version, when they are small enough;
    // rows is positioned on its first row.
    void Add(const std::string& sql, std::uint32_t version, const Recordset& rows);
    void Clear() noexcept;

private:
    std::uint32_t version_ = 0;
    std::unordered_map<std::string, std::shared_ptr<const Recordset>> results_;
    std::size_t bytes_ = 0;
    std::unordered_set<std::size_t> seenTexts_;  // hashes of texts run once, at any version
};

// Whether a translated statement reads the same rows whenever the database
// holds the same data: it reads no clock and nothing random. Conservative:
// any mention of SQLite's current time or random functions counts.
bool IsRepeatable(std::string_view translated);

}  // namespace ovardx::sqlite
