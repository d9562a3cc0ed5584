#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

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

// Stores the reference record of id under key in record, when there is one.
void AddReference(DatabaseConnection& connection, ValueDictionary& record, std::int32_t id,
                  std::string_view key, std::string_view kind);

}  // namespace ovardx
