#include "arap_plan/PlanRecords.h"

#include "ovardx/ValueDictionary.h"
#include "session/ReferenceLookup.h"
#include "session/SqlText.h"

namespace ovardx {

std::shared_ptr<ValueVector> BuildPlanRecords(Recordset* page, DatabaseConnection& connection) {
    auto list = NewList();
    if (page == nullptr) return list;
    ReferenceCache references(connection);
    if (!page->Bof()) page->MoveFirst();
    while (!page->Eof()) {
        auto record = NewRecord();
        for (std::int32_t column = 0; column < page->FieldCount(); ++column) {
            const Field field = page->Item(column);
            if (EqualsIgnoreCase(field.Name, "FCustomer")) {
                references.Add(*record, field.Value.ToInt32(), "FCustomer", "Item");
            } else if (EqualsIgnoreCase(field.Name, "FCurrencyID")) {
                references.Add(*record, field.Value.ToInt32(), "FCurrency", "Currency");
            } else if (EqualsIgnoreCase(field.Name, "FContractNo")) {
                if (!IsNullOrEmptyText(field.Value)) record->SetValue(field.Name, field.Value);
            } else if (EqualsIgnoreCase(field.Name, "FContractID")) {
                record->SetValue(field.Name, IsNullOrEmptyText(field.Value) ? Variant("0") : field.Value);
            } else {
                record->SetValue(field.Name, field.Value);
            }
        }
        list->Add(record);
        page->MoveNext();
    }
    return list;
}

}  // namespace ovardx
