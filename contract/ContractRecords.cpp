#include "contract/ContractRecords.h"

#include "contract/ContractStatements.h"
#include "object_library/ObjectLibraryGlobals.h"
#include "ovardx/DateTime.h"
#include "ovardx/MessageHook.h"
#include "session/OpenConnection.h"
#include "session/ReferenceLookup.h"

namespace ovardx::contracts {

namespace {

Variant NullTo(const Variant& value, Variant defaultValue) {
    return ObjectLibraryGlobals::NullToDefault(value, std::move(defaultValue));
}

// Rates travel as percentages times 100; a null stays null.
Variant Times100(const Variant& value) {
    if (value.IsNull()) return value;
    if (value.kind() == Variant::Kind::Integer) return Variant(value.ToInt64() * 100);
    return Variant(value.ToDouble() * 100);
}

// The optional department or employee: a null, 0 or negative id has none.
void AddOptionalItem(ReferenceCache& references, ValueDictionary& record, const Variant& id, std::string_view key) {
    if (NullTo(id, 0).ToDouble() > 0) references.Add(record, id.ToInt32(), key, "Item");
}

std::shared_ptr<ValueDictionary> ContractRecord(ReferenceCache& references, const Recordset& row) {
    auto record = NewRecord();
    record->SetValue("FRP", static_cast<std::int16_t>(row.Value("FRP").ToDouble() != 0 ? 1 : 0));
    record->SetValue("ContractNo", row.Value("FContractNo"));
    if (const Variant type = row.Value("FContractTypeName"); !type.IsNull()) record->SetValue("ContractType", type);
    record->SetValue("UUID", NullTo(row.Value("UUID"), ""));
    record->SetValue("ContractName", row.Value("FContractName"));
    const Variant date = row.Value("FDate");
    record->SetValue("Date", (date.IsNull() ? DateTime::Now() : date.ToDate()).DateText());
    references.Add(*record, row.Value("FCustomer").ToInt32(), "Customer", "Item");
    references.Add(*record, row.Value("FCurrencyID").ToInt32(), "Currency", "Currency");
    record->SetValue("ExchangeRate", row.Value("FExchangeRate"));
    record->SetValue("TotalAmountFor", row.Value("FTotalAmountFor"));
    AddOptionalItem(references, *record, row.Value("FDepartment"), "Department");
    AddOptionalItem(references, *record, row.Value("FEmployee"), "Employee");
    if (const Variant text = row.Value("FExplanation"); !text.IsNull()) record->SetValue("Explanation", text);
    if (const Variant text = row.Value("FText"); !text.IsNull()) record->SetValue("Content", text);
    if (NullTo(row.Value("FXItemID"), 0).ToDouble() > 0) record->SetValue("Checker", row.Value("FCheckerName"));
    record->SetValue("Status", ContractStatusText(row.Value("FStatus")));
    return record;
}

std::shared_ptr<ValueDictionary> EntryRecord(ReferenceCache& references, const Recordset& row) {
    auto entry = NewRecord();
    references.Add(*entry, row.Value("FProductID").ToInt32(), "Item", "Item");
    references.Add(*entry, row.Value("FUnitID").ToInt32(), "MeasureUnit", "MeasureUnit");
    entry->SetValue("DiscountRate", Times100(NullTo(row.Value("FBusinessDiscountRate"), 0)));
    entry->SetValue("Quantity", row.Value("FQuantity"));
    entry->SetValue("PriceFor", row.Value("FPriceFor"));
    entry->SetValue("TaxPriceFor", row.Value("FTaxPriceFor"));
    entry->SetValue("TaxRate", Times100(row.Value("FTaxRate")));
    entry->SetValue("BusinessDiscountFor", NullTo(row.Value("FBusinessDiscountFor"), 0));
    entry->SetValue("AmountFor", row.Value("FAmountFor"));
    entry->SetValue("TaxFor", row.Value("FTaxFor"));
    entry->SetValue("AmountIncludeTaxFor", row.Value("FAmountIncludeTaxFor"));
    if (const Variant text = row.Value("FExplanation"); !text.IsNull()) entry->SetValue("Explanation", text);
    return entry;
}

std::shared_ptr<ValueDictionary> SchemeRecord(ReferenceCache&, const Recordset& row) {
    auto scheme = NewRecord();
    scheme->SetValue("Date", row.Value("FReceiveDate"));
    scheme->SetValue("AmountFor", row.Value("FAmountFor"));
    return scheme;
}

// Runs sql and stores one record per row under key; nothing when no row.
template <class MakeRecord>
void AddLines(DatabaseConnection& connection, ReferenceCache& references, std::string sql, ValueDictionary& record,
              std::string_view key, MakeRecord makeRecord) {
    auto rows = OpenRecordset(connection, std::move(sql));
    if (!rows->Bof() && !rows->Eof()) {
        auto lines = NewList();
        for (; !rows->Eof(); rows->MoveNext()) lines->Add(makeRecord(references, *rows));
        record.SetObject(key, lines);
    }
    rows->Close();
}

}  // namespace

const char* ContractStatusText(const Variant& status) {
    if (status.IsNull()) return "Closed";
    const double value = status.ToDouble();
    if (value == 0) return "UnApproved";
    if (value == 1) return "Approved";
    return "Closed";
}

void AddContractEntries(DatabaseConnection& connection, ReferenceCache& references, std::int32_t contractId,
                        ValueDictionary& record) {
    AddLines(connection, references, ContractEntriesStatement(contractId), record, "Body", EntryRecord);
}

void AddContractPlans(DatabaseConnection& connection, ReferenceCache& references, std::int32_t contractId,
                      ValueDictionary& record) {
    AddLines(connection, references, ContractSchemesStatement(contractId), record, "Plan", SchemeRecord);
}

std::shared_ptr<ValueVector> BuildContractRecords(DatabaseConnection& connection, Recordset* page,
                                                  const ContractProgress& progress) {
    auto list = NewList();
    if (!page) return list;
    ReferenceCache references(connection);
    std::int32_t done = 0;
    while (!page->Eof()) {
        auto record = ContractRecord(references, *page);
        const std::int32_t contractId = page->Value("FContractID").ToInt32();
        AddContractEntries(connection, references, contractId, *record);
        AddContractPlans(connection, references, contractId, *record);
        list->Add(record);
        page->MoveNext();
        ProcessPendingMessages();
        if (progress) progress(++done, page->RecordCount());
    }
    return list;
}

}  // namespace ovardx::contracts
