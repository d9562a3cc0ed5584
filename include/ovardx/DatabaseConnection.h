#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ovardx/Export.h"
#include "ovardx/Variant.h"

namespace ovardx {

inline constexpr const char* kConnectionProgId = "OVMConnection.Connection";

struct Field {
    std::string Name;
    Variant Value;
};

// The rows of one statement, held in memory: scrollable, positioned on the
// first row when there is one. Null arrives as null, rowversion columns as
// 8-byte arrays, date columns as date-times. Fields are found by name (without
// regard to letter case) or by 0-based position.
//
// Reading a field while BOF or EOF is true raises error 3021; an unknown field
// name or position raises error 3265.
class OVARDX_EXPORT Recordset {
public:
    Recordset(std::vector<std::string> columns, std::vector<std::vector<Variant>> rows);

    bool Bof() const { return position_ < 0 || rows_.empty(); }
    bool Eof() const { return position_ >= static_cast<std::int64_t>(rows_.size()) || rows_.empty(); }
    std::int32_t RecordCount() const { return static_cast<std::int32_t>(rows_.size()); }
    std::int32_t FieldCount() const { return static_cast<std::int32_t>(columns_.size()); }

    Field Item(std::string_view name) const;
    Field Item(std::int32_t position) const;
    // Shorthand for Item(name).Value.
    Variant Value(std::string_view name) const { return Item(name).Value; }
    const std::vector<std::string>& ColumnNames() const { return columns_; }

    void MoveFirst() { position_ = 0; }
    void MoveLast() { position_ = static_cast<std::int64_t>(rows_.size()) - 1; }
    void MoveNext();
    void Close();

private:
    std::int32_t ColumnIndex(std::string_view name) const;
    const std::vector<Variant>& CurrentRow() const;

    std::vector<std::string> columns_;
    std::vector<std::vector<Variant>> rows_;
    std::int64_t position_ = 0;
};

// The database connection component ("OVMConnection.Connection").
class DatabaseConnection {
public:
    virtual ~DatabaseConnection() = default;

    // Sets the connection string; the connection opens on the next statement.
    virtual void ConnString(const std::string& connectString) = 0;
    // Runs one complete statement and answers its rows (possibly none); may
    // answer no recordset at all. Errors of the database raise ovardx::Error.
    virtual std::shared_ptr<Recordset> GetAnyRecordSet(std::string& sql) = 0;
    // Releases the database connection; harmless on a closed one.
    virtual void CloseConn() = 0;

    // Asks that every statement from the next one until CloseConn read one
    // and the same state of the database, as a read transaction gives it, so
    // that a page and the references read for it agree. A connection that
    // cannot do so may ignore it (each statement then reads the latest
    // state). The exports ask for it; the imports do not, since their
    // lookups must see what the business components saved meanwhile.
    virtual void HoldSnapshot() {}

    // Optional: the lowest row version a transaction still in flight may
    // hold. A row version is handed out when a row is written, but the row
    // becomes visible only at commit; a reader that pages by row version
    // must not pass such a version, or it skips that row for good. Exports
    // end a page before the first row at or above the answer (those rows
    // come with the next call). Nothing means no limit: every row version
    // below the newest is visible (the default, and SQLite's case).
    virtual std::optional<Bytes> MinActiveRowVersion() { return std::nullopt; }

    // Optional: a name for the state of the database that the statements
    // since HoldSnapshot read, once one has run. Two equal answers, from any
    // connection of the process, mean the same data: nothing was committed
    // in between. Lets a caller keep what it read for later calls. Nothing
    // (the default) means the connection cannot tell.
    virtual std::optional<std::string> SnapshotState() { return std::nullopt; }
};

}  // namespace ovardx
