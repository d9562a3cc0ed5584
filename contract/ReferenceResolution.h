#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "ovardx/DatabaseConnection.h"
#include "ovardx/ValueDictionary.h"

namespace ovardx::contracts {

// The lookups of the contract import: they only read, and answer 0 when
// they find nothing. Values placed between quotes in their statements have
// their quotes doubled. Every error (a failing statement, a missing or null
// "Number" or "Name", an id that does not convert) is raised, so that a
// lookup that could not be made never reads as "not found".

// Resolves the references of one import. The id of the row a reference
// record ("UUID", "Number", "Name") denotes: in t_Item of class itemClassId
// for "Item", in t_Currency for "Currency", in t_measureunit for
// "MeasureUnit" (the name compared exactly; another name answers 0 without
// a statement). With checkByUuid the UUID is tried first and number and
// name together are the fallback; without it only number and name are
// tried. A null, absent or blank UUID names no row: its statement is not
// run. A reference asked for again (same class, UUID, number and name) is
// answered from memory: the import writes no items, currencies or units, so
// an answer cannot go stale within it.
class ReferenceResolver {
public:
    ReferenceResolver(DatabaseConnection& connection, bool checkByUuid)
        : connection_(connection), checkByUuid_(checkByUuid) {}
    ReferenceResolver(const ReferenceResolver&) = delete;
    ReferenceResolver& operator=(const ReferenceResolver&) = delete;

    std::int32_t operator()(const ValueDictionary& reference, std::string_view itemClassName,
                            std::int32_t itemClassId);

private:
    DatabaseConnection& connection_;
    bool checkByUuid_;
    std::map<std::string, std::int32_t, std::less<>> known_;
};

// FContractID of the first contract with that UUID, or 0.
std::int32_t FindContractByUUID(DatabaseConnection& connection, std::string_view uuid);

// FContractID of the first contract on side frp with that number, or 0; an
// empty number answers 0 without a statement.
std::int32_t FindContractByNumber(DatabaseConnection& connection, std::int16_t frp, std::string_view number);

}  // namespace ovardx::contracts
