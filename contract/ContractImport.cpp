#include "contract/ContractImport.h"

#include <string_view>

#include "contract/ReferenceResolution.h"
#include "object_library/ObjectLibraryGlobals.h"
#include "ovardx/BusinessComponents.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/Error.h"
#include "ovardx/MessageHook.h"
#include "session/SqlText.h"
#include "session/XmlBridge.h"

namespace ovardx::contracts {

namespace {

constexpr std::int32_t kDivisionByZero = 11;

// Arithmetic of the run time: a null operand gives null; numeric text
// counts as its number.
Variant Multiply(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) return Variant::Null();
    return Variant(a.ToDouble() * b.ToDouble());
}

Variant Divide(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) return Variant::Null();
    const double divisor = b.ToDouble();
    if (divisor == 0) Raise(kDivisionByZero, kRuntimeSource, "Division by zero");
    return Variant(a.ToDouble() / divisor);
}

Variant Add(double a, const Variant& b) { return b.IsNull() ? Variant::Null() : Variant(a + b.ToDouble()); }
Variant Subtract(double a, const Variant& b) { return b.IsNull() ? Variant::Null() : Variant(a - b.ToDouble()); }

std::string Trim(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "yyyy-mm-dd" of a date value or date text.
std::string DateText(const Variant& value) { return value.ToDate().DateText(); }

const ValueDictionary& ReferenceOf(const ValueDictionary& record, std::string_view key) {
    return *record.GetValue(key).AsRecord();
}

std::int32_t FindExistingContract(DatabaseConnection& connection, const ValueDictionary& record, std::int16_t frp,
                                  const std::string& contractNo, bool checkByUuid) {
    std::int32_t id = 0;
    if (checkByUuid && record.HasKey("UUID")) {
        const std::string uuid = ObjectLibraryGlobals::NullToDefault(record.GetValue("UUID"), "").ToText();
        // A blank UUID (the export writes <UUID/> for none) names no contract.
        if (!IsBlank(uuid)) id = FindContractByUUID(connection, Trim(uuid));
    }
    if (id == 0) id = FindContractByNumber(connection, frp, contractNo);
    return id;
}

std::shared_ptr<ValueDictionary> HeaderRecord(ReferenceResolver& resolve, const ValueDictionary& record,
                                              std::int16_t frp, const Variant& contractNo, std::int32_t contractId,
                                              const ContractImportSettings& settings) {
    auto header = NewRecord();
    header->SetValue("FRP", frp);
    header->SetValue("FContractTypeID", static_cast<std::int16_t>(frp == 1 ? 1 : 2));
    header->SetValue("FContractNo", contractNo);
    header->SetValue("FContractName", record.GetValue("ContractName"));
    header->SetValue("FCustomer", resolve(ReferenceOf(record, "Customer"), "Item", 1));
    if (record.HasKey("Department"))
        header->SetValue("FDepartment",
                         resolve(ReferenceOf(record, "Department"), "Item", 2));
    if (record.HasKey("Employee"))
        header->SetValue("FEmployee", resolve(ReferenceOf(record, "Employee"), "Item", 3));
    header->SetValue("FCurrencyID",
                     resolve(ReferenceOf(record, "Currency"), "Currency", 0));
    header->SetValue("FExchangeRate", record.GetValueOr("ExchangeRate", 1));
    header->SetValue("FTotalAmountFor", record.GetValueOr("TotalAmountFor", 0));
    header->SetValue("FReceiveAmountFor", static_cast<std::int16_t>(0));
    header->SetValue("FExplanation", record.GetValueOr("Explanation", ""));
    header->SetValue("FDate", DateText(record.GetValue("Date")));
    header->SetValue("FText", record.GetValueOr("Content", ""));
    header->SetValue("FCashDiscount", "");
    header->SetValue("FContractID", contractId);
    header->SetValue("FSystemType", settings.systemType);
    return header;
}

// One entry line; amounts the document leaves out are computed from the
// values already set on the line (rates there are percentages).
std::shared_ptr<ValueDictionary> EntryRecord(ReferenceResolver& resolve, const ValueDictionary& entry) {
    auto line = NewRecord();
    line->SetValue("FProductID", resolve(ReferenceOf(entry, "Item"), "Item", 4));
    line->SetValue("FUnitID", resolve(ReferenceOf(entry, "MeasureUnit"), "MeasureUnit", 0));
    line->SetValue("FQuantity", entry.GetValue("Quantity"));
    line->SetValue("FTaxPriceFor", entry.GetValueOr("TaxPriceFor", 0));
    line->SetValue("FTaxRate", Divide(entry.GetValue("TaxRate"), 100));
    line->SetValue("FExplanation", entry.GetValueOr("Explanation", ""));
    line->SetValue("FBusinessDiscountRate", Divide(entry.GetValueOr("DiscountRate", 0), 100));

    const Variant taxRate = line->GetValue("FTaxRate");
    const Variant discountRate = line->GetValue("FBusinessDiscountRate");
    const Variant quantity = line->GetValue("FQuantity");
    line->SetValue("FPriceFor", entry.HasKey("PriceFor")
                                    ? entry.GetValue("PriceFor")
                                    : Divide(line->GetValue("FTaxPriceFor"), Add(1, Divide(taxRate, 100))));
    const Variant gross = Multiply(line->GetValue("FPriceFor"), quantity);
    line->SetValue("FAmountFor", entry.HasKey("AmountFor")
                                     ? entry.GetValue("AmountFor")
                                     : Multiply(gross, Subtract(1, Divide(discountRate, 100))));
    const Variant amount = line->GetValue("FAmountFor");
    line->SetValue("FTaxFor",
                   entry.HasKey("TaxFor") ? entry.GetValue("TaxFor") : Divide(Multiply(amount, taxRate), 100));
    line->SetValue("FAmountIncludeTaxFor", entry.HasKey("AmountIncludeTaxFor")
                                               ? entry.GetValue("AmountIncludeTaxFor")
                                               : Multiply(amount, Add(1, Divide(taxRate, 100))));
    line->SetValue("FBusinessDiscountFor", entry.HasKey("BusinessDiscountFor")
                                               ? entry.GetValue("BusinessDiscountFor")
                                               : Divide(Multiply(gross, discountRate), 100));
    return line;
}

std::shared_ptr<ValueDictionary> SchemeRecord(const ValueDictionary& scheme, const ValueDictionary& header) {
    auto line = NewRecord();
    line->SetValue("FReceiveDate", DateText(scheme.GetValue("Date")));
    line->SetValue("FAmountFor", scheme.GetValue("AmountFor"));
    line->SetValue("FCurrencyID", header.GetValue("FCurrencyID"));
    line->SetValue("FExchangeRate", header.GetValue("FExchangeRate"));
    return line;
}

// One call of the contract component, created for it and released after it.
std::int32_t SaveContract(std::string& strPropsString, std::shared_ptr<ValueDictionary>& header,
                          std::shared_ptr<ValueVector>& schemes, std::shared_ptr<ValueVector>& entries) {
    auto updater = ComponentRegistry::Create<ContractUpdater>(kContractUpdaterProgId);
    return updater->Save(strPropsString, header, schemes, entries).ToInt32();
}

// The list under key, or none when the record does not have the key.
std::shared_ptr<ValueVector> ListOf(const ValueDictionary& record, std::string_view key) {
    return record.HasKey(key) ? record.GetValue(key).AsList() : nullptr;
}

}  // namespace

std::int32_t ImportContract(DatabaseConnection& connection, ReferenceResolver& resolve, std::string& strPropsString,
                            const ValueDictionary& record, const ContractImportSettings& settings) {
    const std::int16_t frp = record.GetValue("FRP").ToInt16();
    const Variant contractNo = record.GetValue("ContractNo");
    const std::int32_t id = FindExistingContract(connection, record, frp, contractNo.ToText(), settings.checkByUuid);
    if (id > 0 && settings.addNewOnly) return id;

    auto header = HeaderRecord(resolve, record, frp, contractNo, id, settings);
    auto entries = NewList();
    if (auto body = ListOf(record, "Body"))
        for (const Variant& item : *body) entries->Add(EntryRecord(resolve, *item.AsRecord()));
    auto schemes = NewList();
    if (auto plan = ListOf(record, "Plan"))
        for (const Variant& item : *plan) schemes->Add(SchemeRecord(*item.AsRecord(), *header));

    try {
        return SaveContract(strPropsString, header, schemes, entries);
    } catch (const Error& error) {
        // Another import saved a contract of this number after the lookup
        // above: it is now the existing contract, to skip or update.
        if (id != 0 || error.record().Number != kIntegrityViolation) throw;
        const std::int32_t saved =
            FindExistingContract(connection, record, frp, contractNo.ToText(), settings.checkByUuid);
        if (saved <= 0) throw;
        if (settings.addNewOnly) return saved;
        header->SetValue("FContractID", saved);
        return SaveContract(strPropsString, header, schemes, entries);
    }
}

bool ImportContractDocument(DatabaseConnection& connection, std::string& strPropsString, const std::string& xml,
                            const std::string& schemaPath, std::string& errorText,
                            const ContractImportSettings& settings, const ContractProgress& progress) {
    ReferenceResolver resolve(connection, settings.checkByUuid);
    std::int32_t done = 0;
    return ReadXmlItems(xml, schemaPath, "Contract", errorText, [&](const Variant& item, std::int32_t total) {
        ImportContract(connection, resolve, strPropsString, *item.AsRecord(), settings);
        ProcessPendingMessages();
        ++done;
        if (progress) progress(done, total);
    });
}

}  // namespace ovardx::contracts
