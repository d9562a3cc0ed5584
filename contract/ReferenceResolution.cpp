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

std::int32_t ResolveReference(DatabaseConnection& connection, const ValueDictionary& reference,
                              std::string_view itemClassName, std::int32_t itemClassId, bool checkByUuid) {
    const std::string uuid = ObjectLibraryGlobals::NullToDefault(reference.GetValueOr("UUID", ""), "").ToText();
    const std::string number = reference.GetValue("Number").ToText();
    const std::string name = reference.GetValue("Name").ToText();
    const std::string base = ReferenceBaseStatement(itemClassName, itemClassId);
    if (base.empty()) return 0;
    // A blank UUID names no row; number and name decide then.
    if (checkByUuid && !IsBlank(uuid)) {
        auto rows = OpenRecordset(connection, ReferenceByUuidStatement(base, uuid));
        if (!rows->Eof()) return rows->Value("FItemID").ToInt32();
    }
    return FirstId(connection, ReferenceByNumberStatement(base, number, name), "FItemID");
}

std::int32_t FindContractByUUID(DatabaseConnection& connection, std::string_view uuid) {
    return FirstId(connection, ContractByUuidStatement(uuid), "FContractID");
}

std::int32_t FindContractByNumber(DatabaseConnection& connection, std::int16_t frp, std::string_view number) {
    if (number.empty()) return 0;
    return FirstId(connection, ContractByNumberStatement(frp, number), "FContractID");
}

}  // namespace ovardx::contracts
