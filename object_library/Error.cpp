#include "ovardx/Error.h"

#include <utility>

namespace ovardx {

Error::Error(ErrorRecord record) : record_(std::move(record)) {}

Error::Error(std::int32_t number, std::string source, std::string description)
    : record_{number, std::move(source), std::move(description)} {}

void Raise(std::int32_t number, std::string source, std::string description) {
    throw Error(number, std::move(source), std::move(description));
}

namespace {

const char* StandardDescription(std::int32_t number) {
    switch (number) {
        case errnum::kInvalidProcedureCall: return "Invalid procedure call or argument";
        case errnum::kOverflow: return "Overflow";
        case errnum::kTypeMismatch: return "Type mismatch";
        case errnum::kInvalidUseOfNull: return "Invalid use of Null";
        case errnum::kObjectRequired: return "Object required";
        case errnum::kCannotCreateObject: return "Component can't create object";
        case errnum::kDuplicateKey: return "This key is already associated with an element of this collection";
        case errnum::kNoCurrentRecord: return "Either BOF or EOF is True, or the current record has been deleted";
        case errnum::kItemNotFound: return "Item cannot be found in the collection corresponding to the requested name or ordinal";
        default: return "Application-defined or object-defined error";
    }
}

}  // namespace

void RaiseRuntime(std::int32_t number, std::string detail) {
    std::string description = StandardDescription(number);
    if (!detail.empty()) description += ": " + detail;
    throw Error(number, kRuntimeSource, std::move(description));
}

}  // namespace ovardx
