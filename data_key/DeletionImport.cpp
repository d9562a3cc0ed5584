#include "data_key/DeletionImport.h"

#include <memory>
#include <vector>

#include "data_key/DeletionStatements.h"
#include "data_key/DeletionTypes.h"
#include "object_library/ObjectLibraryGlobals.h"
#include "ovardx/BusinessComponents.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/Error.h"
#include "session/CaughtError.h"
#include "session/LocalizedText.h"
#include "session/MParse.h"
#include "session/OpenConnection.h"
#include "session/SqlText.h"
#include "session/XmlBridge.h"

namespace ovardx {

namespace {

template <class Component>
std::shared_ptr<Component> CreateBusinessComponent(const char* progId) {
    std::shared_ptr<Component> component = ComponentRegistry::Create<Component>(progId);
    if (!component) RaiseRuntime(errnum::kCannotCreateObject, progId);
    return component;
}

std::string UuidOf(const Variant& key) {
    const auto record = key.AsRecord();
    if (!record || !record->HasKey("UUID")) return {};
    return ObjectLibraryGlobals::NullToDefault(record->GetValue("UUID"), "").ToText();
}

}  // namespace

std::int32_t ApplyDeletion(DatabaseConnection& connection, std::string& strPropsString, const Variant& key,
                           std::int16_t changeType) {
    const std::string uuid = UuidOf(key);
    // Documents without a UUID are many; a key without one names none of them.
    if (IsBlank(uuid))
        Raise(errnum::kApplicationError, kDataKeySource,
              LoadLocalizedText(kBlankUuidText, GetPropFromString(strPropsString, "Language")));
    if (changeType == kContractChangeType) {
        auto found = OpenRecordset(connection, ContractByUuidStatement(uuid));
        if (found->Eof()) return 0;
        std::int32_t id = found->Value("FContractID").ToInt32();
        bool receivable = found->Value("FRP").ToBool();
        auto updater = CreateBusinessComponent<ContractUpdater>(kContractUpdaterProgId);
        updater->Delete(strPropsString, id, receivable);
        return id;
    }
    auto found = OpenRecordset(connection, BillByUuidStatement(uuid));
    if (found->Eof()) return 0;
    std::int32_t id = found->Value("FBillID").ToInt32();
    bool receivable = found->Value("FRP").ToBool();
    const std::int16_t kind = changeType == kAdvanceReceiptChangeType ? 1 : 0;
    auto updater = CreateBusinessComponent<BillUpdater>(kBillUpdaterProgId);
    updater->DeleteReceiveBill(strPropsString, id, receivable, kind);
    return id;
}

bool ApplyDeletionDocument(DatabaseConnection& connection, std::string& strPropsString, const std::string& xml,
                           const std::string& schemaPath, std::string& errorText,
                           std::optional<std::int16_t> changeType) {
    std::optional<ErrorRecord> firstFailure;
    std::vector<std::string> failedUuids;
    const bool read = ReadXmlItems(xml, schemaPath, "Delete", errorText, [&](const Variant& key, std::int32_t) {
        if (!changeType)
            Raise(errnum::kApplicationError, kDataKeySource,
                  LoadLocalizedText(kUnsupportedTypeText, GetPropFromString(strPropsString, "Language")));
        try {
            ApplyDeletion(connection, strPropsString, key, *changeType);
        } catch (...) {
            // One failing key does not keep the others from being applied,
            // but it is reported once all were tried.
            if (!firstFailure) firstFailure = CaughtErrorRecord();
            std::string uuid;
            try {
                uuid = UuidOf(key);
            } catch (...) {
            }
            failedUuids.push_back(std::move(uuid));
        }
    });
    if (!firstFailure) return read;
    std::string uuids;
    for (std::size_t i = 0; i < failedUuids.size(); ++i) uuids += (i == 0 ? "" : ", ") + failedUuids[i];
    Raise(firstFailure->Number, firstFailure->Source, firstFailure->Description + " (UUID: " + uuids + ")");
}

}  // namespace ovardx
