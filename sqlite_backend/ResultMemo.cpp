#include "sqlite_backend/ResultMemo.h"

#include <functional>

#include "object_library/Text.h"

namespace ovardx::sqlite {

namespace {

// What a kept row costs, roughly: its texts and binaries and a fixed share
// per value.
std::size_t BytesOf(const Recordset& rows) {
    std::size_t bytes = sizeof(Recordset) + 64 * static_cast<std::size_t>(rows.FieldCount());
    for (const std::string& name : rows.ColumnNames()) bytes += name.size();
    Recordset cursor = rows;
    for (cursor.MoveFirst(); !cursor.Eof(); cursor.MoveNext()) {
        for (std::int32_t column = 0; column < cursor.FieldCount(); ++column) {
            const Variant value = cursor.Item(column).Value;
            bytes += sizeof(Variant);
            if (value.kind() == Variant::Kind::Text) bytes += value.ToText().size();
            if (value.kind() == Variant::Kind::Bytes) bytes += value.AsBytes().size();
        }
    }
    return bytes;
}


}  // namespace

std::shared_ptr<Recordset> ResultMemo::Find(const std::string& sql, std::uint32_t version) const {
    if (version != version_) return nullptr;
    const auto found = results_.find(sql);
    return found == results_.end() ? nullptr : std::make_shared<Recordset>(*found->second);
}

void ResultMemo::Add(const std::string& sql, std::uint32_t version, const Recordset& rows) {
    if (static_cast<std::size_t>(rows.RecordCount()) > kMaxRows) return;
    if (seenTexts_.size() >= kMaxSeenTexts) seenTexts_.clear();
    if (seenTexts_.insert(std::hash<std::string>{}(sql)).second) return;
    const std::size_t bytes = BytesOf(rows) + sql.size();
    if (bytes > kMaxResultBytes) return;
    if (version != version_ || bytes_ + bytes > kMaxBytes) {
        Clear();
        version_ = version;
    }
    if (results_.try_emplace(sql, std::make_shared<const Recordset>(rows)).second) bytes_ += bytes;
}

void ResultMemo::Clear() noexcept {
    results_.clear();
    bytes_ = 0;
}

bool IsRepeatable(std::string_view translated) {
    for (std::string_view word : {"'now'", "current_", "random", "changes(", "last_insert_rowid"})
        if (FindNoCase(translated, word) != std::string_view::npos) return false;
    return true;
}

}  // namespace ovardx::sqlite
