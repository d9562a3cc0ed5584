#include "ovardx/clsContract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "erp/ContractUpdaterStandIn.h"
#include "ovardx/BusinessComponents.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/Error.h"
#include "ovardx/MessageHook.h"
#include "sqlite_backend/SqliteHandle.h"
#include "tests/contract/ContractTestSupport.h"
#include "tests/support/RecordingConnection.h"

namespace ovardx::testing {
namespace {

// What "Save" was handed, call by call.
struct SavedContract {
    std::shared_ptr<ValueDictionary> header;
    std::shared_ptr<ValueVector> schemes, entries;
};

struct UpdaterLog {
    std::vector<SavedContract> saves;
    int failAtSave = -1;  // 0-based "Save" call that raises
};

class FakeContractUpdater final : public ContractUpdater {
public:
    explicit FakeContractUpdater(std::shared_ptr<UpdaterLog> log) : log_(std::move(log)) {}
    Variant Save(std::string&, std::shared_ptr<ValueDictionary>& header, std::shared_ptr<ValueVector>& schemes,
                 std::shared_ptr<ValueVector>& entries) override {
        if (static_cast<int>(log_->saves.size()) == log_->failAtSave)
            Raise(-2147467259, "tessaCustomer.RPContractUpdate", "客户不能为空");
        log_->saves.push_back({header, schemes, entries});
        return 7000 + static_cast<int>(log_->saves.size());
    }
    void Delete(std::string&, std::int32_t&, bool&) override {}

private:
    std::shared_ptr<UpdaterLog> log_;
};

class ClsContractImportTest : public ContractDatabaseTest {
protected:
    void SetUp() override {
        ContractDatabaseTest::SetUp();
        customer_ = Row("SELECT FNumber, FName, UUID, FItemID FROM t_item WHERE FItemID=" +
                        std::to_string(summary_.FirstCustomer.Id));
        currency_ = Row("SELECT FNumber, FName, UUID, FCurrencyID FROM t_Currency WHERE FCurrencyID=1");
        product_ = Row("SELECT FNumber, FName, UUID, FItemID FROM t_item WHERE FItemClassID=4 ORDER BY FItemID LIMIT 1");
        unit_ = Row("SELECT FNumber, FName, UUID, FMeasureUnitID FROM t_measureunit WHERE FMeasureUnitID=2");
    }

    // Number, name, UUID and id of a row.
    std::vector<std::string> Row(const std::string& sql) const {
        sqlite::Database db = sqlite::Database::Open(path_.string(), sqlite::OpenMode::ReadOnly);
        sqlite::Statement statement(db, sql);
        EXPECT_TRUE(statement.Step()) << sql;
        std::vector<std::string> row;
        for (int column = 0; column < 4; ++column) row.push_back(statement.ColumnText(column));
        return row;
    }

    static std::string Reference(const char* element, const std::vector<std::string>& row) {
        return std::string("<") + element + "><Number>" + row[0] + "</Number><Name>" + row[1] + "</Name><UUID>" +
               row[2] + "</UUID></" + element + ">";
    }

    // One contract record; body and plan are the inner elements of Body and Plan.
    std::string Record(const std::string& number, const std::string& uuid, const std::string& body = {},
                       const std::string& plan = {}) const {
        std::string xml = "<Record><FRP>1</FRP><ContractNo>" + number + "</ContractNo>";
        if (!uuid.empty()) xml += "<UUID>" + uuid + "</UUID>";
        xml += "<ContractName>Pumps</ContractName><Date>2024-03-05</Date>" + Reference("Customer", customer_) +
               Reference("Currency", currency_);
        if (!body.empty()) xml += "<Body>" + body + "</Body>";
        if (!plan.empty()) xml += "<Plan>" + plan + "</Plan>";
        return xml + "</Record>";
    }

    std::string Entry(const std::string& amounts) const {
        return "<Entry>" + Reference("Item", product_) + Reference("MeasureUnit", unit_) + amounts + "</Entry>";
    }

    static std::string Document(const std::string& records) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<Contract xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">" +
               records + "</Contract>";
    }

    bool Import(clsContract& contract, const std::string& xml, std::string& error,
                const Variant& systemType = Variant(1)) {
        std::string props = Props();
        return contract.Import(props, xml, error, systemType);
    }

    std::shared_ptr<UpdaterLog> updates_ = std::make_shared<UpdaterLog>();
    ScopedComponent updater_{kContractUpdaterProgId, std::function<std::shared_ptr<ContractUpdater>()>(
                                                         [log = updates_] { return std::make_shared<FakeContractUpdater>(log); })};
    std::vector<std::string> customer_, currency_, product_, unit_;
};

TEST_F(ClsContractImportTest, FindsExistingContractsByUuidOrNumberAsTheSettingsSay) {
    const auto& sample = summary_.SampleContract;
    const std::string id = std::to_string(sample.Id);
    struct Case {
        bool checkByUuid, addNewOnly;
        std::string number, uuid;
        int saves;
        std::string savedId;  // FContractID handed to "Save"
    } cases[] = {
        // Found by number.
        {false, false, sample.Number, "", 1, id},
        {false, true, sample.Number, "", 0, ""},
        {true, false, sample.Number, "", 1, id},
        {true, true, sample.Number, "", 0, ""},
        // Found by UUID (blanks trimmed) only when CheckByUUID is set.
        {false, false, "HT-NEW", "  " + sample.Uuid + " ", 1, "0"},
        {false, true, "HT-NEW", sample.Uuid, 1, "0"},
        {true, false, "HT-NEW", "  " + sample.Uuid + " ", 1, id},
        {true, true, "HT-NEW", sample.Uuid, 0, ""},
        // An unknown UUID falls back to the number; an empty number finds nothing.
        {true, false, sample.Number, "{nothing}", 1, id},
        {true, true, "", "{nothing}", 1, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.checkByUuid ? "CheckByUUID " : "") + (c.addNewOnly ? "AddNewOnly " : "") +
                     c.number + " " + c.uuid);
        updates_->saves.clear();
        clsContract contract;
        contract.CheckByUUID(c.checkByUuid);
        contract.AddNewOnly(c.addNewOnly);
        std::vector<std::pair<int, int>> progress;
        contract.OnProgress([&progress](std::int32_t cur, std::int32_t total) { progress.emplace_back(cur, total); });
        std::string error = "stale";
        ASSERT_TRUE(Import(contract, Document(Record(c.number, c.uuid)), error)) << error;
        EXPECT_EQ(error, "");
        ASSERT_EQ(static_cast<int>(updates_->saves.size()), c.saves);
        if (c.saves) {
            EXPECT_EQ(updates_->saves[0].header->GetValue("FContractID").ToText(), c.savedId);
        }
        EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 1}}));
    }
}

TEST_F(ClsContractImportTest, HeaderEntriesAndSchemesCarryResolvedIdsAndComputedAmounts) {
    const std::string body =
        // No PriceFor: 117 / (1 + 17 / 100) = 100; no AmountFor: 100 * 2 * (1 - 10 / 100) = 180.
        Entry("<DiscountRate>1000</DiscountRate><Quantity>2</Quantity><TaxPriceFor>117</TaxPriceFor>"
              "<TaxRate>1700</TaxRate>") +
        // Every amount given: taken as it stands.
        Entry("<Quantity>3</Quantity><PriceFor>10</PriceFor><TaxRate>600</TaxRate><BusinessDiscountFor>1"
              "</BusinessDiscountFor><AmountFor>29</AmountFor><TaxFor>1.74</TaxFor><AmountIncludeTaxFor>30.74"
              "</AmountIncludeTaxFor><Explanation>given</Explanation>") +
        // A null tax rate leaves the amounts computed from it null.
        Entry("<Quantity>1</Quantity><PriceFor>5</PriceFor><TaxRate xsi:nil=\"true\"/>");
    const std::string plan = "<Scheme><Date>2024-04-01T09:30:00</Date><AmountFor>100</AmountFor></Scheme>";
    clsContract contract;
    std::string error;
    ASSERT_TRUE(Import(contract, Document(Record("HT-NEW", "", body, plan)), error, Variant("3"))) << error;
    ASSERT_EQ(updates_->saves.size(), 1u);
    const SavedContract& saved = updates_->saves[0];

    std::vector<std::string> keys;
    for (const auto& [key, value] : *saved.header) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"FRP", "FContractTypeID", "FContractNo", "FContractName", "FCustomer",
                                              "FCurrencyID", "FExchangeRate", "FTotalAmountFor", "FReceiveAmountFor",
                                              "FExplanation", "FDate", "FText", "FCashDiscount", "FContractID",
                                              "FSystemType"}));
    EXPECT_EQ(saved.header->GetValue("FContractTypeID").ToText(), "1");
    EXPECT_EQ(saved.header->GetValue("FCustomer").ToText(), customer_[3]);
    EXPECT_EQ(saved.header->GetValue("FCurrencyID").ToText(), currency_[3]);
    EXPECT_EQ(saved.header->GetValue("FExchangeRate").ToText(), "1");
    EXPECT_EQ(saved.header->GetValue("FTotalAmountFor").ToText(), "0");
    EXPECT_EQ(saved.header->GetValue("FDate").ToText(), "2024-03-05");
    EXPECT_EQ(saved.header->GetValue("FContractID").ToText(), "0");
    EXPECT_EQ(saved.header->GetValue("FSystemType").ToText(), "3");

    ASSERT_EQ(saved.entries->Count(), 3);
    const auto computed = (*saved.entries)[0].AsRecord();
    EXPECT_EQ(computed->GetValue("FProductID").ToText(), product_[3]);
    EXPECT_EQ(computed->GetValue("FUnitID").ToText(), unit_[3]);
    EXPECT_DOUBLE_EQ(computed->GetValue("FTaxRate").ToDouble(), 17);
    EXPECT_DOUBLE_EQ(computed->GetValue("FBusinessDiscountRate").ToDouble(), 10);
    EXPECT_DOUBLE_EQ(computed->GetValue("FPriceFor").ToDouble(), 100);
    EXPECT_DOUBLE_EQ(computed->GetValue("FAmountFor").ToDouble(), 180);
    EXPECT_DOUBLE_EQ(computed->GetValue("FTaxFor").ToDouble(), 30.6);
    EXPECT_DOUBLE_EQ(computed->GetValue("FAmountIncludeTaxFor").ToDouble(), 210.6);
    EXPECT_DOUBLE_EQ(computed->GetValue("FBusinessDiscountFor").ToDouble(), 20);
    EXPECT_EQ(computed->GetValue("FExplanation").ToText(), "");

    const auto given = (*saved.entries)[1].AsRecord();
    for (const auto& [key, text] : std::map<std::string, std::string>{{"FPriceFor", "10"},
                                                                      {"FAmountFor", "29"},
                                                                      {"FTaxFor", "1.74"},
                                                                      {"FAmountIncludeTaxFor", "30.74"},
                                                                      {"FBusinessDiscountFor", "1"},
                                                                      {"FTaxPriceFor", "0"},
                                                                      {"FExplanation", "given"}})
        EXPECT_EQ(given->GetValue(key).ToText(), text) << key;

    const auto untaxed = (*saved.entries)[2].AsRecord();
    EXPECT_TRUE(untaxed->GetValue("FTaxRate").IsNull());
    EXPECT_DOUBLE_EQ(untaxed->GetValue("FAmountFor").ToDouble(), 5);
    EXPECT_TRUE(untaxed->GetValue("FTaxFor").IsNull());
    EXPECT_TRUE(untaxed->GetValue("FAmountIncludeTaxFor").IsNull());

    ASSERT_EQ(saved.schemes->Count(), 1);
    const auto scheme = (*saved.schemes)[0].AsRecord();
    EXPECT_EQ(scheme->GetValue("FReceiveDate").ToText(), "2024-04-01");
    EXPECT_EQ(scheme->GetValue("FAmountFor").ToText(), "100");
    EXPECT_EQ(scheme->GetValue("FCurrencyID").ToText(), currency_[3]);
    EXPECT_EQ(scheme->GetValue("FExchangeRate").ToText(), "1");
}

TEST_F(ClsContractImportTest, ReferencesResolveByUuidFirstOnlyWithCheckByUuid) {
    // The customer's UUID with another customer's number and name.
    const auto other = Row("SELECT FNumber, FName, UUID, FItemID FROM t_item WHERE FItemClassID=1 AND FItemID<>" +
                           customer_[3] + " LIMIT 1");
    customer_ = {other[0], other[1], customer_[2], customer_[3]};
    struct Case {
        bool checkByUuid;
        std::string expected;
        bool runsUuidStatement;
    } cases[] = {{true, customer_[3], true}, {false, other[3], false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.checkByUuid);
        updates_->saves.clear();
        RecordingScope recording;
        clsContract contract;
        contract.CheckByUUID(c.checkByUuid);
        std::string error;
        ASSERT_TRUE(Import(contract, Document(Record("HT-NEW", "")), error)) << error;
        ASSERT_EQ(updates_->saves.size(), 1u);
        EXPECT_EQ(updates_->saves[0].header->GetValue("FCustomer").ToText(), c.expected);
        const std::string uuidStatement = "SELECT FItemID FROM t_Item  WHERE FItemClassID=1 and UUID='" +
                                          customer_[2] + "'";
        const auto& statements = recording.Statements();
        EXPECT_EQ(std::find(statements.begin(), statements.end(), uuidStatement) != statements.end(),
                  c.runsUuidStatement);
        const std::string currencyStatement =
            "SELECT FCurrencyID as FItemID FROM t_Currency  WHERE 1=1  and " +
            (c.checkByUuid ? "UUID='" + currency_[2] + "'"
                           : "FNumber='" + currency_[0] + "' AND FName='" + currency_[1] + "'");
        EXPECT_NE(std::find(statements.begin(), statements.end(), currencyStatement), statements.end());
    }

    // Neither number nor name alone is enough, and a miss passes 0 on.
    customer_ = {other[0], "No such name", "", ""};
    updates_->saves.clear();
    clsContract contract;
    contract.CheckByUUID(true);
    std::string error;
    ASSERT_TRUE(Import(contract, Document(Record("HT-NEW", "")), error)) << error;
    EXPECT_EQ(updates_->saves.at(0).header->GetValue("FCustomer").ToText(), "0");
}

// The export writes <UUID/> for a document without one; with CheckByUUID
// such a blank UUID must not select the rows whose UUID is empty.
TEST_F(ClsContractImportTest, ABlankUuidSelectsNothing) {
    const auto& sample = summary_.SampleContract;
    RunSql("UPDATE t_RPContract SET UUID='' WHERE FContractID=" + std::to_string(sample.Id));
    const auto blank = Row("SELECT FNumber, FName, UUID, FItemID FROM t_item WHERE FItemClassID=1 AND FItemID<>" +
                           customer_[3] + " LIMIT 1");
    RunSql("UPDATE t_item SET UUID='' WHERE FItemID=" + blank[3]);
    customer_[2] = "";
    RecordingScope recording;
    clsContract contract;
    contract.CheckByUUID(true);
    std::string error;
    ASSERT_TRUE(Import(contract, Document(Record("HT-NEW", "  ")), error)) << error;
    ASSERT_EQ(updates_->saves.size(), 1u);
    EXPECT_EQ(updates_->saves[0].header->GetValue("FContractID").ToText(), "0");
    EXPECT_EQ(updates_->saves[0].header->GetValue("FCustomer").ToText(), customer_[3]);
    for (const std::string& statement : recording.Statements()) {
        EXPECT_EQ(statement.find("UUID=''"), std::string::npos) << statement;
        EXPECT_EQ(statement.find("UUID='  '"), std::string::npos) << statement;
    }

    // A UUID that matches nothing leaves number and name to decide.
    customer_[2] = "{no-such-uuid}";
    updates_->saves.clear();
    ASSERT_TRUE(Import(contract, Document(Record("HT-NEW", "")), error)) << error;
    EXPECT_EQ(updates_->saves.at(0).header->GetValue("FCustomer").ToText(), customer_[3]);
}

// A payable record (FRP 0) is looked up among payable contracts and saved
// with contract type 2; the thread's messages are processed before each
// Progress.
TEST_F(ClsContractImportTest, PayableRecordsAndTheOrderOfMessagesAndProgress) {
    const std::string payable = Scalar("SELECT FContractNo FROM t_RPContract WHERE FRP=0 ORDER BY FContractID LIMIT 1");
    const std::string payableId =
        Scalar("SELECT FContractID FROM t_RPContract WHERE FRP=0 AND FContractNo='" + payable + "'");
    std::string record = Record(payable, "");
    record.replace(record.find("<FRP>1</FRP>"), 12, "<FRP>0</FRP>");
    std::vector<std::string> events;
    SetMessageHook([&events] { events.push_back("messages"); });
    clsContract contract;
    contract.OnProgress([&events](std::int32_t cur, std::int32_t total) {
        events.push_back("progress " + std::to_string(cur) + "/" + std::to_string(total));
    });
    std::string error;
    const bool imported = Import(contract, Document(record + Record("HT-NEW", "")), error);
    SetMessageHook({});
    ASSERT_TRUE(imported) << error;
    ASSERT_EQ(updates_->saves.size(), 2u);
    EXPECT_EQ(updates_->saves[0].header->GetValue("FContractID").ToText(), payableId);
    EXPECT_EQ(updates_->saves[0].header->GetValue("FContractTypeID").ToText(), "2");
    EXPECT_EQ(updates_->saves[0].header->GetValue("FRP").ToText(), "0");
    EXPECT_EQ(updates_->saves[1].header->GetValue("FContractTypeID").ToText(), "1");
    EXPECT_EQ(events, (std::vector<std::string>{"messages", "progress 1/2", "messages", "progress 2/2"}));
}

TEST_F(ClsContractImportTest, QuotesInDocumentValuesCannotChangeAStatement) {
    const std::string hostile = "x' OR '1'='1'; DELETE FROM t_item; --";
    customer_ = {hostile, hostile, hostile, ""};
    RecordingScope recording;
    clsContract contract;
    contract.CheckByUUID(true);
    std::string error;
    ASSERT_TRUE(Import(contract, Document(Record(hostile, hostile)), error)) << error;
    ASSERT_EQ(updates_->saves.size(), 1u);
    EXPECT_EQ(updates_->saves[0].header->GetValue("FContractID").ToText(), "0");
    EXPECT_EQ(updates_->saves[0].header->GetValue("FCustomer").ToText(), "0");
    EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t_item WHERE FItemClassID=1"), std::to_string(summary_.Customers));
    const std::string doubled = "x'' OR ''1''=''1''; DELETE FROM t_item; --";
    const std::vector<std::string> expected = {
        "Select FContractID From t_Rpcontract Where UUID='" + doubled + "'",
        "Select FContractID from t_Rpcontract  Where FRP=1 AND FContractNo='" + doubled + "'",
        "SELECT FItemID FROM t_Item  WHERE FItemClassID=1 and UUID='" + doubled + "'",
        "SELECT FItemID FROM t_Item  WHERE FItemClassID=1 and FNumber='" + doubled + "' AND FName='" + doubled + "'",
    };
    const auto& statements = recording.Statements();
    for (const std::string& statement : expected)
        EXPECT_NE(std::find(statements.begin(), statements.end(), statement), statements.end()) << statement;
}

TEST_F(ClsContractImportTest, TheFirstFailingRecordEndsTheImport) {
    updates_->failAtSave = 1;
    clsContract contract;
    std::vector<std::pair<int, int>> progress;
    contract.OnProgress([&progress](std::int32_t cur, std::int32_t total) { progress.emplace_back(cur, total); });
    std::string error;
    EXPECT_FALSE(Import(contract, Document(Record("A-1", "") + Record("A-2", "") + Record("A-3", "")), error));
    EXPECT_EQ(updates_->saves.size(), 1u);
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 3}}));
    EXPECT_EQ(error, "错误号:-2147467259\r\n错误源:tessaCustomer.RPContractUpdate\r\n错误描述:客户不能为空");
}

TEST_F(ClsContractImportTest, AFailingContractLookupIsAnErrorNotANewContract) {
    // Statement 5 is the first after the gate: the lookup by UUID, then the
    // one by number.
    for (std::size_t failing : {5u, 6u}) {
        SCOPED_TRACE(failing);
        updates_->saves.clear();
        RecordingScope recording;
        recording.Log().failAt = failing;
        clsContract contract;
        contract.CheckByUUID(true);
        std::string error;
        EXPECT_FALSE(Import(contract, Document(Record(summary_.SampleContract.Number, "{nothing}")), error));
        EXPECT_TRUE(updates_->saves.empty());
        EXPECT_EQ(error.rfind("错误号:-2147217871\r\n", 0), 0u) << error;
        EXPECT_GE(recording.Log().closeCalls, 1);
    }
}

TEST_F(ClsContractImportTest, DocumentsThatDoNotReadSaveNothing) {
    const std::string valid = Record("HT-NEW", "");
    struct Case {
        const char* what;
        std::string xml;
    } cases[] = {
        {"malformed", Document(valid).substr(0, 200)},
        {"another root", "<ArApPlan>" + valid + "</ArApPlan>"},
        {"unknown element", Document("<Record><FRP>1</FRP><Remark/></Record>")},
        {"entity", "<!DOCTYPE Contract [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>" + Document(valid)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clsContract contract;
        int events = 0;
        contract.OnProgress([&events](std::int32_t, std::int32_t) { ++events; });
        std::string error;
        EXPECT_FALSE(Import(contract, c.xml, error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(updates_->saves.empty());
        EXPECT_EQ(events, 0);
    }

    clsContract contract;
    int events = 0;
    contract.OnProgress([&events](std::int32_t, std::int32_t) { ++events; });
    std::string error;
    EXPECT_TRUE(Import(contract, Document(""), error)) << error;
    EXPECT_EQ(events, 0);
}

TEST_F(ClsContractImportTest, SystemTypeDefaultsToOneAndMustBeANumber) {
    clsContract contract;
    std::string props = Props(), error;
    ASSERT_TRUE(contract.Import(props, Document(Record("HT-NEW", "")), error)) << error;
    EXPECT_EQ(updates_->saves.at(0).header->GetValue("FSystemType").ToText(), "1");

    EXPECT_FALSE(Import(contract, Document(Record("HT-NEW", "")), error, Variant("abc")));
    EXPECT_EQ(error.rfind("错误号:13\r\n", 0), 0u) << error;
    EXPECT_EQ(updates_->saves.size(), 1u);

    std::string refusedProps = Props(erp::kPlainUserId);
    EXPECT_FALSE(contract.Import(refusedProps, Document(Record("HT-NEW", "")), error));
    EXPECT_EQ(error, "当前连接用户没有授权通过 WebServices 进行数据处理!");
}

// Another import saves the same new contract between this import's lookup
// and its "Save": the ERP component refuses the twin, and this import then
// skips or updates the contract its rival saved, as its settings say.
TEST_F(ClsContractImportTest, AContractSavedByARivalImportMeanwhileIsSkippedOrUpdated) {
    class RacingUpdater final : public ContractUpdater {
    public:
        Variant Save(std::string& props, std::shared_ptr<ValueDictionary>& header,
                     std::shared_ptr<ValueVector>& schemes, std::shared_ptr<ValueVector>& entries) override {
            if (header->GetValue("FContractID").ToInt32() == 0) {
                auto rival = NewRecord();
                for (const auto& [key, value] : *header) rival->SetValue(key, value);
                rival->SetValue("FContractName", "saved by the rival");
                auto none = NewList();
                erp::ContractUpdaterStandIn().Save(props, rival, none, none);
            }
            return erp::ContractUpdaterStandIn().Save(props, header, schemes, entries);
        }
        void Delete(std::string&, std::int32_t&, bool&) override {}
    };
    const ScopedComponent racing(kContractUpdaterProgId, std::function<std::shared_ptr<ContractUpdater>()>([] {
                                     return std::make_shared<RacingUpdater>();
                                 }));
    for (const bool addNewOnly : {true, false}) {
        SCOPED_TRACE(addNewOnly ? "add new only" : "update");
        const std::string number = addNewOnly ? "HT-RACE-1" : "HT-RACE-2";
        clsContract contract;
        contract.AddNewOnly(addNewOnly);
        std::string error;
        ASSERT_TRUE(Import(contract, Document(Record(number, "", Entry("<Quantity>2</Quantity><PriceFor>5</PriceFor>"
                                                                       "<TaxRate>0</TaxRate>"))),
                           error))
            << error;
        const std::string where = " FROM t_RPContract WHERE FContractNo='" + number + "'";
        EXPECT_EQ(Scalar("SELECT COUNT(*)" + where), "1");
        EXPECT_EQ(Scalar("SELECT FContractName" + where), addNewOnly ? "saved by the rival" : "Pumps");
        EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t_rpcontractentry WHERE FContractID=(SELECT FContractID" + where + ")"),
                  addNewOnly ? "0" : "1");
    }
}

// Every contract of one demo database exported, imported into a second one
// whose contracts were removed, and exported again gives the same document,
// but for what the import does not carry: contract UUIDs (new ones),
// contract type, status and checker; a missing explanation or content comes
// back empty, and plan dates keep their day but not their time of day.
TEST_F(ClsContractImportTest, RoundTripThroughASecondDatabase) {
    const ScopedComponent standIn(kContractUpdaterProgId, std::function<std::shared_ptr<ContractUpdater>()>([] {
                                      return std::make_shared<erp::ContractUpdaterStandIn>();
                                  }));
    TemporaryFolder otherFolder;
    const auto otherPath = otherFolder.Path() / "other.db";
    erp::CreateDemoDatabase(otherPath);
    {
        sqlite::Database other = sqlite::Database::Open(otherPath.string(), sqlite::OpenMode::ReadWrite);
        other.Exec("DELETE FROM t_RPContract");
    }
    std::string props = Props(), otherProps = PropsFor(otherPath, erp::kAdministratorUserId);

    auto exportAll = [](std::string& properties) {
        clsContract contract;
        std::string xml, timeStamp, maxTimeStamp, error;
        EXPECT_TRUE(contract.Export(properties, xml, 1, 0, timeStamp, maxTimeStamp, error)) << error;
        return xml;
    };
    auto comparable = [](const std::string& xml) {
        std::function<std::shared_ptr<ValueDictionary>(const ValueDictionary&)> normalize =
            [&normalize](const ValueDictionary& record) {
                auto kept = NewRecord();
                for (const auto& [key, value] : record) {
                    if (key == "UUID" && record.HasKey("ContractNo")) continue;
                    if (key == "ContractType" || key == "Status" || key == "Checker") continue;
                    if ((key == "Explanation" || key == "Content") && value == Variant("")) continue;
                    if (key == "Date" && !record.HasKey("ContractNo")) {
                        kept->SetValue(key, value.ToDate().DateText());
                    } else if (value.kind() == Variant::Kind::List) {
                        auto lines = NewList();
                        for (const Variant& line : *value.AsList()) lines->Add(normalize(*line.AsRecord()));
                        kept->SetObject(key, lines);
                    } else {
                        kept->SetValue(key, value);
                    }
                }
                return kept;
            };
        auto records = Records(xml);
        auto result = NewList();
        for (const Variant& item : *records) result->Add(normalize(*item.AsRecord()));
        return result;
    };

    const std::string first = exportAll(props);
    clsContract importer;
    std::string error;
    ASSERT_TRUE(importer.Import(otherProps, first, error)) << error;
    const std::string second = exportAll(otherProps);
    const auto expected = comparable(first);
    const auto actual = comparable(second);
    ASSERT_EQ(actual->Count(), summary_.ExportableContracts);
    for (std::int32_t i = 0; i < expected->Count(); ++i)
        EXPECT_EQ(Describe((*actual)[static_cast<std::size_t>(i)]), Describe((*expected)[static_cast<std::size_t>(i)]));
}

}  // namespace
}  // namespace ovardx::testing
