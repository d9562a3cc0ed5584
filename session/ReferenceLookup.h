#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

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
// statement of one call reads the same state of the database. Records that
// share a customer or a currency share one reference record, which nobody
// changes afterwards.
class ReferenceCache {
public:
    explicit ReferenceCache(DatabaseConnection& connection) : connection_(connection) {}
    ReferenceCache(const ReferenceCache&) = delete;
    ReferenceCache& operator=(const ReferenceCache&) = delete;

    // LookupReference, once per kind and id.
    std::shared_ptr<ValueDictionary> Lookup(std::int32_t id, std::string_view kind);
    // Stores the reference record of id under key in record, when there is one.
    void Add(ValueDictionary& record, std::int32_t id, std::string_view key, std::string_view kind);

private:
    DatabaseConnection& connection_;
    std::map<std::pair<std::string, std::int32_t>, std::shared_ptr<ValueDictionary>, std::less<>> known_;
};

}  // namespace ovardx
