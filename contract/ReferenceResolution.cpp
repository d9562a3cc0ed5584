#include "contract/ReferenceResolution.h"

#include "contract/ContractStatements.h"
#include "object_library/ObjectLibraryGlobals.h"
#include "session/OpenConnection.h"
#include "session/SqlText.h"

namespace ovardx::contracts {

namespace {

// The first row's column as an id, 0 when there is no row.
std::int32_t FirstId(DatabaseConnection& connection, std::string sql, std::string_view column) {
    auto rows = OpenRecordset(connection, std::move(sql));
    const std::int32_t id = rows->Eof() ? 0 : rows->Value(column).ToInt32();
    rows->Close();
    return id;
}

}  // namespace

namespace {

// What a reference record names.
struct ReferenceFields {
    std::string uuid, number, name;
};

ReferenceFields FieldsOf(const ValueDictionary& reference) {
    ReferenceFields fields;
    fields.uuid = ObjectLibraryGlobals::NullToDefault(reference.GetValueOr("UUID", ""), "").ToText();
    fields.number = reference.GetValue("Number").ToText();
    fields.name = reference.GetValue("Name").ToText();
    return fields;
}

std::int32_t Resolve(DatabaseConnection& connection, const ReferenceFields& fields, const std::string& base,
                     bool checkByUuid) {
    // A blank UUID names no row; number and name decide then.
    if (checkByUuid && !IsBlank(fields.uuid)) {
        auto rows = OpenRecordset(connection, ReferenceByUuidStatement(base, fields.uuid));
        if (!rows->Eof()) return rows->Value("FItemID").ToInt32();
    }
    return FirstId(connection, ReferenceByNumberStatement(base, fields.number, fields.name), "FItemID");
}

}  // namespace

std::int32_t ReferenceResolver::operator()(const ValueDictionary& reference, std::string_view itemClassName,
                                           std::int32_t itemClassId) {
    const ReferenceFields fields = FieldsOf(reference);
    const std::string base = ReferenceBaseStatement(itemClassName, itemClassId);
    if (base.empty()) return 0;
    // The base statement names the table and class; the values follow it,
    // each ended by a character no text of them can hold unescaped.
    std::string key = base;
    for (const std::string* part : {&fields.uuid, &fields.number, &fields.name}) {
        key += '\0';
        key += std::to_string(part->size());
        key += ':';
        key += *part;
    }
    if (auto known = known_.find(key); known != known_.end()) return known->second;
    const std::int32_t id = Resolve(connection_, fields, base, checkByUuid_);
    known_.emplace(std::move(key), id);
    return id;
}

std::int32_t FindContractByUUID(DatabaseConnection& connection, std::string_view uuid) {
    return FirstId(connection, ContractByUuidStatement(uuid), "FContractID");
}

std::int32_t FindContractByNumber(DatabaseConnection& connection, std::int16_t frp, std::string_view number) {
    if (number.empty()) return 0;
    return FirstId(connection, ContractByNumberStatement(frp, number), "FContractID");
}

}  // namespace ovardx::contracts
