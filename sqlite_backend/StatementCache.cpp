#include "sqlite_backend/StatementCache.h"

#include <charconv>

namespace ovardx::sqlite {

namespace {

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::size_t kMaxDigits = 9;  // below 2^31: an int literal for any value

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<TrailingNumber> SplitTrailingNumber(std::string_view sql) {
    const std::size_t last = sql.find_last_not_of(kBlanks);
    if (last == std::string_view::npos) return std::nullopt;
    std::size_t first = last + 1;
    while (first > 0 && IsDigit(sql[first - 1])) --first;
    const std::size_t count = last + 1 - first;
    if (count == 0 || count > kMaxDigits || first == 0) return std::nullopt;
    const std::size_t equals = sql.find_last_not_of(kBlanks, first - 1);
    if (equals == std::string_view::npos || sql[equals] != '=') return std::nullopt;
    TrailingNumber number{sql.substr(0, first), sql.substr(first, count)};
    std::from_chars(number.digits.data(), number.digits.data() + number.digits.size(), number.value);
    return number;
}

PreparedRead DescribeRead(Statement statement, bool takesNumber) {
    PreparedRead read{std::move(statement), takesNumber, {}, {}};
    const int count = read.statement.ColumnCount();
    read.columnNames.reserve(static_cast<std::size_t>(count));
    read.columnTypes.reserve(static_cast<std::size_t>(count));
    for (int column = 0; column < count; ++column) {
        read.columnNames.push_back(read.statement.ColumnName(column));
        read.columnTypes.push_back(ClassifyDeclaredType(read.statement.DeclaredType(column)));
    }
    return read;
}

PreparedRead* StatementCache::FindWhole(std::string_view sql) { return Find(whole_, sql); }

PreparedRead* StatementCache::FindHead(std::string_view head) { return Find(heads_, head); }

PreparedRead& StatementCache::AddWhole(std::string_view sql, PreparedRead read) {
    return Add(false, sql, std::move(read));
}

PreparedRead& StatementCache::AddHead(std::string_view head, PreparedRead read) {
    return Add(true, head, std::move(read));
}

void StatementCache::Clear() noexcept {
    whole_.clear();
    heads_.clear();
    entries_.clear();
}

PreparedRead* StatementCache::Find(Index& index, std::string_view key) {
    const auto found = index.find(key);
    if (found == index.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, found->second);
    return &found->second->read;
}

PreparedRead& StatementCache::Add(bool head, std::string_view key, PreparedRead read) {
    Index& index = head ? heads_ : whole_;
    if (const auto old = index.find(key); old != index.end()) {
        const auto entry = old->second;
        index.erase(old);
        entries_.erase(entry);
    }
    if (entries_.size() >= kCapacity) {
        const auto oldest = std::prev(entries_.end());
        (oldest->head ? heads_ : whole_).erase(oldest->key);
        entries_.erase(oldest);
    }
    entries_.push_front(Entry{head, std::string(key), std::move(read)});
    try {
        index.emplace(entries_.front().key, entries_.begin());
    } catch (...) {
        entries_.pop_front();
        throw;
    }
    return entries_.front().read;
}

}  // namespace ovardx::sqlite
