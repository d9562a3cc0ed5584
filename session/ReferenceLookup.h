#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ovardx/DatabaseConnection.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx {

// The reference record ("Number", "Name", "UUID") of the row id of a kind:
// "Item" (t_item), "Currency" (t_Currency) or "MeasureUnit" (t_measureunit),
// the kind compared exactly. Answers no record, without running a statement,
// for id 0 or another kind, and no record when the row does not exist.
// Statement errors are raised.
std::shared_ptr<ValueDictionary> LookupReference(DatabaseConnection& connection, std::int32_t id,
                                                 std::string_view kind);

// The reference records of one public call. Each kind and id is looked up
// with its statement once; later asks are answered from memory, since every
// statement of one call reads the same state of the database. When the
// connection names that state (DatabaseConnection::SnapshotState), the
// records are kept for the thread's later calls that read the same state,
// up to kKeptRecords of them. Records that share a customer or a currency
// share one reference record, which nobody changes afterwards.
class ReferenceCache {
public:
    static constexpr std::size_t kKeptRecords = 50000;

    // By kind (its index) and id.
    using Records = std::unordered_map<std::uint64_t, std::shared_ptr<ValueDictionary>>;

    explicit ReferenceCache(DatabaseConnection& connection) : connection_(connection) {}
    ReferenceCache(const ReferenceCache&) = delete;
    ReferenceCache& operator=(const ReferenceCache&) = delete;

    // LookupReference, once per kind and id.
    std::shared_ptr<ValueDictionary> Lookup(std::int32_t id, std::string_view kind);
    // Stores the reference record of id under key in record, when there is one.
    void Add(ValueDictionary& record, std::int32_t id, std::string_view key, std::string_view kind);

private:
    // The records of the state this call reads: the thread's when the
    // state has a name, else the call's own.
    Records& Known();

    DatabaseConnection& connection_;
    bool stateAsked_ = false;
    std::optional<std::string> state_;
    Records own_;
};

}  // namespace ovardx
