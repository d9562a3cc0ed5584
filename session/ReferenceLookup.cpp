#include "session/ReferenceLookup.h"

#include <string>

#include "session/OpenConnection.h"

namespace ovardx {

namespace {

// The lookup statement of a kind without its id; empty for an unknown kind.
// The texts are the ERP's own, two blanks after SELECT included.
std::string_view StatementPrefix(std::string_view kind) {
    if (kind == "Currency") return "SELECT  FNumber,FName,UUID FROM t_Currency WHERE FCurrencyID=";
    if (kind == "Item") return "SELECT  FNumber,FName,UUID FROM t_item WHERE FItemID =";
    if (kind == "MeasureUnit") return "SELECT  FNumber,FName,UUID FROM t_measureunit where FMeasureUnitID =";
    return {};
}

}  // namespace

std::shared_ptr<ValueDictionary> LookupReference(DatabaseConnection& connection, std::int32_t id,
                                                 std::string_view kind) {
    const std::string_view prefix = StatementPrefix(kind);
    if (id == 0 || prefix.empty()) return nullptr;
    auto rows = OpenRecordset(connection, std::string(prefix) + std::to_string(id));
    if (rows->Eof()) return nullptr;
    auto reference = NewRecord();
    reference->SetValue("Number", rows->Value("FNumber"));
    reference->SetValue("Name", rows->Value("FName"));
    reference->SetValue("UUID", rows->Value("UUID"));
    return reference;
}

std::shared_ptr<ValueDictionary> ReferenceCache::Lookup(std::int32_t id, std::string_view kind) {
    auto key = std::make_pair(std::string(kind), id);
    if (auto known = known_.find(key); known != known_.end()) return known->second;
    auto reference = LookupReference(connection_, id, kind);
    known_.emplace(std::move(key), reference);
    return reference;
}

void ReferenceCache::Add(ValueDictionary& record, std::int32_t id, std::string_view key, std::string_view kind) {
    if (auto reference = Lookup(id, kind)) record.SetObject(key, std::move(reference));
}

}  // namespace ovardx
