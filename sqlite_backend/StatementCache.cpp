#include "sqlite_backend/StatementCache.h"

#include <iterator>

namespace ovardx::sqlite {

PreparedRead DescribeRead(Statement statement) {
    PreparedRead read{std::move(statement), 0, {}, {}};
    const int count = read.statement.ColumnCount();
    read.columnNames.reserve(static_cast<std::size_t>(count));
    read.columnTypes.reserve(static_cast<std::size_t>(count));
    for (int column = 0; column < count; ++column) {
        read.columnNames.push_back(read.statement.ColumnName(column));
        read.columnTypes.push_back(ClassifyDeclaredType(read.statement.DeclaredType(column)));
    }
    return read;
}

PreparedRead* StatementCache::FindText(std::string_view sql) { return Find(texts_, sql); }

PreparedRead* StatementCache::FindShape(std::string_view key) { return Find(shapes_, key); }

PreparedRead& StatementCache::AddText(std::string_view sql, PreparedRead read) {
    return Add(false, sql, std::move(read));
}

PreparedRead& StatementCache::AddShape(std::string_view key, PreparedRead read) {
    return Add(true, key, std::move(read));
}

void StatementCache::Clear() noexcept {
    texts_.clear();
    shapes_.clear();
    entries_.clear();
}

PreparedRead* StatementCache::Find(Index& index, std::string_view key) {
    const auto found = index.find(key);
    if (found == index.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, found->second);
    return &found->second->read;
}

PreparedRead& StatementCache::Add(bool shape, std::string_view key, PreparedRead read) {
    Index& index = shape ? shapes_ : texts_;
    if (const auto old = index.find(key); old != index.end()) {
        const auto entry = old->second;
        index.erase(old);
        entries_.erase(entry);
    }
    if (entries_.size() >= kCapacity) {
        const auto oldest = std::prev(entries_.end());
        (oldest->shape ? shapes_ : texts_).erase(oldest->key);
        entries_.erase(oldest);
    }
    entries_.push_front(Entry{shape, std::string(key), std::move(read)});
    try {
        index.emplace(entries_.front().key, entries_.begin());
    } catch (...) {
        entries_.pop_front();
        throw;
    }
    return entries_.front().read;
}

}  // namespace ovardx::sqlite
