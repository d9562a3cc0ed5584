#include "receive_bill/BillRecords.h"

#include "object_library/ObjectLibraryGlobals.h"
#include "session/LocalizedText.h"
#include "session/ReferenceLookup.h"
#include "session/SqlText.h"

namespace ovardx {

namespace {

// The localized texts of a yes/no value.
struct YesNoTexts {
    std::string yes;
    std::string no;
};

Variant OrDefault(const Variant& value, Variant defaultValue) {
    return ObjectLibraryGlobals::NullToDefault(value, std::move(defaultValue));
}

// The greater-than-0 test of an optional id: null counts as 0.
bool IsPositive(const Variant& value) { return OrDefault(value, 0).ToDouble() > 0; }

class BillRecordBuilder {
public:
    BillRecordBuilder(const Recordset& row, ReferenceCache& references, ValueDictionary& record)
        : row_(row), references_(references), record_(record) {}

    void Value(const char* key, const char* column) { record_.SetValue(key, row_.Value(column)); }

    void ValueOr(const char* key, const char* column, Variant defaultValue) {
        record_.SetValue(key, OrDefault(row_.Value(column), std::move(defaultValue)));
    }

    // The key only when the column holds a text that is not empty.
    void TextIfSet(const char* key, const char* column) {
        const Variant value = row_.Value(column);
        if (!IsNullOrEmptyText(value)) record_.SetValue(key, value);
    }

    void Reference(const char* key, const char* column, const char* kind) {
        references_.Add(record_, row_.Value(column).ToInt32(), key, kind);
    }

    void ReferenceIfPositive(const char* key, const char* column, const char* kind) {
        const Variant id = row_.Value(column);
        if (IsPositive(id)) references_.Add(record_, id.ToInt32(), key, kind);
    }

    void SettleName() {
        if (IsPositive(row_.Value("FSettle"))) ValueOr("Settle", "FSettleName", "");
    }

    void YesNo(const char* key, const char* column, const YesNoTexts& texts) {
        record_.SetValue(key, row_.Value(column).ToBool() ? texts.yes : texts.no);
    }

private:
    const Recordset& row_;
    ReferenceCache& references_;
    ValueDictionary& record_;
};

std::shared_ptr<ValueDictionary> BuildBillRecord(const Recordset& row, ReferenceCache& references,
                                                 const YesNoTexts& yesNo) {
    auto record = NewRecord();
    BillRecordBuilder bill(row, references, *record);
    bill.ValueOr("Number", "FNumber", "");
    bill.Value("Year", "FYear");
    bill.Value("Period", "FPeriod");
    bill.Value("Date", "FDate");
    bill.Value("FincDate", "FFincDate");
    bill.TextIfSet("RPBank", "FRPBank");
    bill.SettleName();
    bill.Reference("ReceiveCy", "FReceiveCyID", "Currency");
    bill.ValueOr("SettleDiscountFor", "FSettleDiscountFor", 0);
    bill.ValueOr("SettleDiscount", "FSettleDiscount", 0);
    bill.TextIfSet("SettleNo", "FSettleNo");
    bill.ValueOr("Amount", "FAmount", 0);
    bill.ValueOr("AmountFor", "FAmountFor", 0);
    bill.TextIfSet("ARNumber", "FARNumber");
    bill.TextIfSet("BillType", "FBillTypeName");
    bill.TextIfSet("Checker", "FCheckerName");
    // The contract number and the contract id each under a key of their own.
    bill.TextIfSet("ContractNo", "FContractNo");
    bill.ValueOr("ContractID", "FContractID", 0);
    bill.Reference("Currency", "FCurrencyID", "Currency");
    bill.Value("ExchangeRate", "FExchangeRate");
    bill.ValueOr("SettleAmount", "FSettleAmount", 0);
    bill.ValueOr("SettleAmountFor", "FSettleAmountFor", 0);
    bill.ValueOr("DiscountAmount", "FDiscountAmount", 0);
    bill.ValueOr("DiscountAmountFor", "FDiscountAmountFor", 0);
    bill.ValueOr("ReceiveAmount", "FReceiveAmount", 0);
    bill.ValueOr("ReceiveAmountFor", "FReceiveAmountFor", 0);
    bill.Reference("Customer", "FCustomer", "Item");
    bill.ReferenceIfPositive("Department", "FDepartment", "Item");
    bill.ReferenceIfPositive("Employee", "FEmployee", "Item");
    bill.TextIfSet("Explanation", "FExplanation");
    bill.Reference("SettleCy", "FSettleCyID", "Currency");
    bill.YesNo("MulCy", "FMulCy", yesNo);
    bill.ValueOr("Preparer", "FPreparerName", "");
    bill.ValueOr("UUID", "UUID", "");
    return record;
}

}  // namespace

std::shared_ptr<ValueVector> BuildBillRecords(Recordset* page, DatabaseConnection& connection,
                                              const std::string& language) {
    auto list = NewList();
    if (page == nullptr) return list;
    const YesNoTexts yesNo{LoadLocalizedText("是", language), LoadLocalizedText("否", language)};
    ReferenceCache references(connection);
    if (!page->Bof()) page->MoveFirst();
    for (; !page->Eof(); page->MoveNext()) list->Add(BuildBillRecord(*page, references, yesNo));
    return list;
}

}  // namespace ovardx
