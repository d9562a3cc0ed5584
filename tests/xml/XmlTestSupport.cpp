#include "XmlTestSupport.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "xml/LeafText.h"
#include "xml/LibxmlComponents.h"

namespace ovardx::xmltest {

std::shared_ptr<ValueDictionary> Rec(std::initializer_list<std::pair<const char*, Variant>> entries) {
    auto record = NewRecord();
    for (const auto& [key, value] : entries) record->SetValue(key, value);
    return record;
}

std::shared_ptr<ValueVector> ListOf(std::initializer_list<Variant> items) {
    auto list = NewList();
    for (const Variant& item : items) list->Add(item);
    return list;
}

std::shared_ptr<ValueDictionary> Ref(Variant number, Variant name, Variant uuid) {
    return Rec({{"Number", std::move(number)}, {"Name", std::move(name)}, {"UUID", std::move(uuid)}});
}

std::string SchemaPath(const std::string& fileName) { return std::string(OVARDX_SCHEMA_DIR) + "/" + fileName; }
std::string FixturePath(const std::string& fileName) { return std::string(OVARDX_XML_FIXTURES) + "/" + fileName; }

std::string ReadTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file) throw std::runtime_error("cannot write " + path);
}

Written WriteDocument(std::shared_ptr<ValueVector> list, std::string schemaPath, std::string rootName) {
    Written result;
    CreateXmlWriter()->OutputXMLString(list, result.xml, schemaPath, rootName, result.error);
    return result;
}

Read ReadDocument(std::string xml, std::string schemaPath, std::string rootName) {
    Read result;
    CreateXmlReader()->InputXMLString(result.list, xml, schemaPath, rootName, result.error);
    return result;
}

namespace {

Variant ReadBackValue(const Variant& value) {
    switch (value.kind()) {
        case Variant::Kind::Null: return Variant::Null();
        case Variant::Kind::Record: {
            auto record = NewRecord();
            for (const auto& [key, item] : *value.AsRecord()) record->SetValue(key, ReadBackValue(item));
            return record;
        }
        case Variant::Kind::List: return AsReadBack(*value.AsList());
        default: return xml::LeafText(value, xml::LeafType::Text);
    }
}

}  // namespace

std::shared_ptr<ValueVector> AsReadBack(const ValueVector& list) {
    auto copy = NewList();
    for (const Variant& item : list) copy->Add(ReadBackValue(item));
    return copy;
}

std::shared_ptr<ValueVector> PlanSample() {
    return ListOf({
        Rec({{"FNumber", "AR-0001"},
             {"FArDate", DateTime{2024, 3, 5}},
             {"FExchangerate", 6.8},
             {"FAmountFor", 1234.5},
             {"FModifyTime", Bytes{0, 0, 0, 0, 0, 0, 0x1F, 0xA0}},
             {"FCustomer", Ref("C001", "Acme & Sons <Ltd>", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}")},
             {"FCurrency", Ref("RMB", "人民币", "{00000000-0000-0000-0000-000000000001}")},
             {"FContractNo", "HT-7"},
             {"FContractID", 12}}),
        // No customer row, no contract number, null date, a null UUID in a reference.
        Rec({{"FNumber", "AR-0002"},
             {"FArDate", Variant::Null()},
             {"FExchangerate", 1},
             {"FAmountFor", 0.1 + 0.2},
             {"FModifyTime", Bytes{0, 0, 0, 0, 0, 0, 0x1F, 0xA1}},
             {"FCurrency", Ref("USD", "US Dollar", Variant::Null())},
             {"FContractID", "0"}}),
    });
}

std::shared_ptr<ValueVector> ReceiveBillSample() {
    auto full = Rec({{"Number", "RB-0001"},
                     {"Year", 2024},
                     {"Period", 3},
                     {"Date", DateTime{2024, 3, 5}},
                     {"FincDate", DateTime{2024, 3, 6, 14, 30, 5, 120}},
                     {"RPBank", "Bank of Tests"},
                     {"Settle", "Cash"},
                     {"ReceiveCy", Ref("RMB", "人民币", "{CY-1}")},
                     {"SettleDiscountFor", 0},
                     {"SettleDiscount", 0.0},
                     {"SettleNo", "S-9"},
                     {"Amount", 1000.5},
                     {"AmountFor", 7000.25},
                     {"ARNumber", "AR-9"},
                     {"BillType", "收款单"},
                     {"Checker", "Li Lei"},
                     {"ContractNo", "HT-7"},
                     {"ContractID", 12},
                     {"Currency", Ref("USD", "US Dollar", "{CY-2}")},
                     {"ExchangeRate", 6.8},
                     {"SettleAmount", 0},
                     {"SettleAmountFor", 0},
                     {"DiscountAmount", 1e-7},
                     {"DiscountAmountFor", -2.5},
                     {"ReceiveAmount", 1e21},
                     {"ReceiveAmountFor", 123456789012},
                     {"Customer", Ref("C001", "Acme", "{C-1}")},
                     {"Department", Ref("D01", "Sales", Variant::Null())},
                     {"Employee", Ref(Variant::Null(), "Wang", "{E-1}")},
                     {"Explanation", "Paid <in full> & on time\n\"thanks\""},
                     {"SettleCy", Ref("RMB", "人民币", "{CY-1}")},
                     {"MulCy", "否"},
                     {"Preparer", "Han Meimei"},
                     {"UUID", "{RB-1}"}});
    // Every optional key left out, every nillable key null.
    auto bare = Rec({{"Number", ""},
                     {"Year", Variant::Null()},
                     {"Period", Variant::Null()},
                     {"Date", Variant::Null()},
                     {"FincDate", Variant::Null()},
                     {"SettleDiscountFor", 0},
                     {"SettleDiscount", 0},
                     {"Amount", 0},
                     {"AmountFor", 0},
                     {"ContractID", 0},
                     {"ExchangeRate", Variant::Null()},
                     {"SettleAmount", 0},
                     {"SettleAmountFor", 0},
                     {"DiscountAmount", 0},
                     {"DiscountAmountFor", 0},
                     {"ReceiveAmount", 0},
                     {"ReceiveAmountFor", 0},
                     {"MulCy", "是"},
                     {"Preparer", ""},
                     {"UUID", ""}});
    return ListOf({full, bare});
}

std::shared_ptr<ValueVector> ContractSample() {
    auto entry1 = Rec({{"Item", Ref("P-01", "Pump", "{I-1}")},
                       {"MeasureUnit", Ref("PCS", "Piece", "{U-1}")},
                       {"DiscountRate", 1000},
                       {"Quantity", 2},
                       {"PriceFor", 100},
                       {"TaxPriceFor", 117},
                       {"TaxRate", 1700},
                       {"BusinessDiscountFor", 20},
                       {"AmountFor", 180},
                       {"TaxFor", 30.6},
                       {"AmountIncludeTaxFor", 210.6},
                       {"Explanation", "first line"}});
    auto entry2 = Rec({{"DiscountRate", 0},
                       {"Quantity", Variant::Null()},
                       {"PriceFor", Variant::Null()},
                       {"TaxPriceFor", Variant::Null()},
                       {"TaxRate", Variant::Null()},
                       {"BusinessDiscountFor", 0},
                       {"AmountFor", Variant::Null()},
                       {"TaxFor", Variant::Null()},
                       {"AmountIncludeTaxFor", Variant::Null()}});
    auto full = Rec({{"FRP", 1},
                     {"ContractNo", "HT-7"},
                     {"ContractType", "Sales contract"},
                     {"UUID", "{K-1}"},
                     {"ContractName", "Pumps for 2024"},
                     {"Date", "2024-03-05"},
                     {"Customer", Ref("C001", "Acme", "{C-1}")},
                     {"Currency", Ref("RMB", "人民币", "{CY-1}")},
                     {"ExchangeRate", 1},
                     {"TotalAmountFor", 210.6},
                     {"Department", Ref("D01", "Sales", "{D-1}")},
                     {"Employee", Ref("E01", "Wang", Variant::Null())},
                     {"Explanation", ""},
                     {"Content", "Terms: 30 days"},
                     {"Checker", Variant::Null()},
                     {"Status", "Approved"},
                     {"Body", ListOf({entry1, entry2})},
                     {"Plan", ListOf({Rec({{"Date", DateTime{2024, 4, 1, 9, 30, 0}}, {"AmountFor", 100}}),
                                      Rec({{"Date", DateTime{2024, 5, 1}}, {"AmountFor", 110.6}})})}});
    // A contract with the fewest keys, and an empty entry list.
    auto bare = Rec({{"FRP", 0},
                     {"ContractNo", Variant::Null()},
                     {"UUID", ""},
                     {"ContractName", ""},
                     {"Date", "2024-01-31"},
                     {"ExchangeRate", Variant::Null()},
                     {"TotalAmountFor", Variant::Null()},
                     {"Status", "UnApproved"},
                     {"Body", NewList()}});
    return ListOf({full, bare});
}

std::shared_ptr<ValueVector> DeleteSample() {
    return ListOf({Rec({{"Remark", "收款单"}, {"UUID", "{B-1}"}}),
                   Rec({{"Remark", "收款单"}, {"UUID", Variant::Null()}}),
                   Rec({{"Remark", ""}, {"UUID", ""}})});
}

}  // namespace ovardx::xmltest
