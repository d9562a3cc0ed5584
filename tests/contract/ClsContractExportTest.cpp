#include "ovardx/clsContract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "ovardx/DateTime.h"
#include "ovardx/MessageHook.h"
#include "tests/contract/ContractTestSupport.h"
#include "tests/support/RecordingConnection.h"

namespace ovardx::testing {
namespace {

constexpr const char* kZero = "0x0000000000000000";

class ClsContractExportTest : public ContractDatabaseTest {
protected:
    struct Page {
        bool ok = false;
        std::string xml, timeStamp, maxTimeStamp, error;
    };

    Page Export(clsContract& contract, std::int16_t rp, std::int32_t perCount, std::string timeStamp = {}) {
        Page page;
        page.timeStamp = std::move(timeStamp);
        std::string props = Props();
        page.ok = contract.Export(props, page.xml, rp, perCount, page.timeStamp, page.maxTimeStamp, page.error);
        return page;
    }

    // Contracts of side 5 (exported with "FRP" 1) that show the presence
    // rules and conversions, next to the demo data.
    void AddFixtureContracts() {
        const std::string customer = std::to_string(summary_.FirstCustomer.Id);
        RunSql(
            "INSERT INTO t_RPContract (FRP, FSystemType, FContractTypeID, FContractNo, FContractName, FDate, FCustomer,"
            " FDepartment, FEmployee, FCurrencyID, FExchangeRate, FTotalAmountFor, FExplanation, FText, FXItemID,"
            " FStatus, UUID) VALUES"
            " (5, 1, NULL, 'K-1', 'Bare', NULL, 0, NULL, -3, 1, 1, 10, NULL, NULL, 0, 2, NULL),"
            " (5, 1, 1, 'K-2', 'Full', '2024-03-05 10:20:00', " + customer + ", 0,"
            "  (SELECT MIN(FItemID) FROM t_item WHERE FItemClassID=3), 99, 6.5, 20, 'e', 't', 999, 7, '{K-2}'),"
            " (5, 1, 1, 'K-3', 'Open', '2024-03-06', " + customer + ", NULL, NULL, 1, 1, 0, NULL, NULL, 20, 0, 'u3'),"
            " (5, 1, 1, 'K-4', 'Approved', '2024-03-07', " + customer + ", NULL, NULL, 1, 1, 0, NULL, NULL, NULL, 1, 'u4'),"
            " (5, 2, 1, 'K-5', 'Other system', '2024-03-08', " + customer + ", NULL, NULL, 1, 1, 0, NULL, NULL, 0, 0, 'u5');"
            "INSERT INTO t_rpcontractentry (FContractID, FIndex, FProductID, FUnitID, FQuantity, FPriceFor,"
            " FTaxPriceFor, FTaxRate, FBusinessDiscountRate, FBusinessDiscountFor, FAmountFor, FTaxFor,"
            " FAmountIncludeTaxFor, FExplanation)"
            " SELECT FContractID, 1, (SELECT MIN(FItemID) FROM t_item WHERE FItemClassID=4), 1, 2, 100, 117, 17, 10,"
            "  20, 180, 30.6, 210.6, 'x' FROM t_RPContract WHERE FContractNo='K-2'"
            " UNION ALL SELECT FContractID, 2, (SELECT MIN(FItemID) FROM t_item WHERE FItemClassID=4), 1, 1, 5, 5,"
            "  NULL, NULL, NULL, 5, 0, 5, NULL FROM t_RPContract WHERE FContractNo='K-2';"
            "INSERT INTO t_rpcontractscheme (FContractID, FIndex, FReceiveDate, FAmountFor)"
            " SELECT FContractID, 1, '2024-04-01 09:30:00', 100 FROM t_RPContract WHERE FContractNo='K-2';");
    }
};

const ValueDictionary& RecordNamed(const ValueVector& records, const std::string& number) {
    for (const Variant& item : records)
        if (item.AsRecord()->GetValue("ContractNo").ToText() == number) return *item.AsRecord();
    throw std::runtime_error("no record " + number);
}

std::vector<std::string> Keys(const ValueDictionary& record) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : record) keys.push_back(key);
    return keys;
}

TEST_F(ClsContractExportTest, SendsTheStatementsCharacterForCharacter) {
    RecordingScope recording;
    clsContract contract;
    Page page = Export(contract, 1, 100);
    ASSERT_TRUE(page.ok) << page.error;
    const auto& statements = recording.Statements();
    ASSERT_GE(statements.size(), 9u);
    EXPECT_EQ(statements[5], "SELECT MAX(FModifyTime) as FMT FROM t_rpcontract WHERE FRP= 1");
    EXPECT_EQ(statements[6],
              "SELECT TOP 100 c.*,e.FName FContractTypeName,u.FName FCheckerName  from t_RPContract c  left join "
              "t_rp_systemenum e on c.FContractTypeID=e.FItemID  left join t_user u on c.FXItemID=u.FUserID  where "
              "c.FRP=1 and c.FSystemType=1  and c.FContractID in(select FContractID from t_RPContract where "
              "FModifyTime>0x0000000000000000 )  ORDER BY c.FModifyTime");
    const std::string firstId = Scalar(
        "SELECT FContractID FROM t_RPContract WHERE FRP=1 AND FSystemType=1 ORDER BY FModifyTime LIMIT 1");
    EXPECT_EQ(statements[7].rfind("SELECT  FNumber,FName,UUID FROM t_item WHERE FItemID =", 0), 0u);
    EXPECT_NE(std::find(statements.begin(), statements.end(),
                        " select * from t_rpcontractentry where FContractID=" + firstId),
              statements.end());
    EXPECT_NE(std::find(statements.begin(), statements.end(),
                        " select * from t_rpcontractscheme where FContractID=" + firstId),
              statements.end());

    recording.Clear();
    contract.Filter("FContractNo like 'HT%'");
    ASSERT_TRUE(Export(contract, 0, 0).ok);
    EXPECT_EQ(recording.Statements()[5], "SELECT MAX(FModifyTime) as FMT FROM t_rpcontract WHERE FRP= 0");
    EXPECT_EQ(recording.Statements()[6],
              "SELECT  c.*,e.FName FContractTypeName,u.FName FCheckerName  from t_RPContract c  left join "
              "t_rp_systemenum e on c.FContractTypeID=e.FItemID  left join t_user u on c.FXItemID=u.FUserID  where "
              "c.FRP=0 and c.FSystemType=1  and c.FContractID in(select FContractID from t_RPContract where "
              "(FModifyTime>0x0000000000000000) AND (FContractNo like 'HT%') )  ORDER BY c.FModifyTime");
}

TEST_F(ClsContractExportTest, RecordsFollowThePresenceRulesAndConversions) {
    AddFixtureContracts();
    clsContract contract;
    Page page = Export(contract, 5, 0);
    ASSERT_TRUE(page.ok) << page.error;
    const auto records = Records(page.xml);
    ASSERT_EQ(records->Count(), 4);  // K-5 has another system type

    const ValueDictionary& bare = RecordNamed(*records, "K-1");
    EXPECT_EQ(Keys(bare), (std::vector<std::string>{"FRP", "ContractNo", "UUID", "ContractName", "Date", "Currency",
                                                    "ExchangeRate", "TotalAmountFor", "Status"}));
    EXPECT_EQ(bare.GetValue("FRP").ToText(), "1");
    EXPECT_EQ(bare.GetValue("UUID").ToText(), "");
    EXPECT_EQ(bare.GetValue("Date").ToText(), DateTime::Now().DateText());
    EXPECT_EQ(bare.GetValue("Status").ToText(), "Closed");

    const ValueDictionary& full = RecordNamed(*records, "K-2");
    EXPECT_EQ(Keys(full), (std::vector<std::string>{"FRP", "ContractNo", "ContractType", "UUID", "ContractName",
                                                    "Date", "Customer", "ExchangeRate", "TotalAmountFor", "Employee",
                                                    "Explanation", "Content", "Checker", "Status", "Body", "Plan"}));
    EXPECT_EQ(full.GetValue("ContractType").ToText(), "销售合同");
    EXPECT_EQ(full.GetValue("UUID").ToText(), "{K-2}");
    EXPECT_EQ(full.GetValue("Date").ToText(), "2024-03-05");
    const auto customer = full.GetValue("Customer").AsRecord();
    EXPECT_EQ(customer->GetValue("Number").ToText(), summary_.FirstCustomer.Number);
    EXPECT_EQ(customer->GetValue("UUID").ToText(), summary_.FirstCustomer.Uuid);
    EXPECT_EQ(full.GetValue("ExchangeRate").ToText(), "6.5");
    EXPECT_TRUE(full.GetValue("Checker").IsNull());  // FXItemID 999 has no user row
    EXPECT_EQ(full.GetValue("Status").ToText(), "Closed");

    const auto body = full.GetValue("Body").AsList();
    ASSERT_EQ(body->Count(), 2);
    const auto first = (*body)[0].AsRecord();
    EXPECT_EQ(Keys(*first), (std::vector<std::string>{"Item", "MeasureUnit", "DiscountRate", "Quantity", "PriceFor",
                                                      "TaxPriceFor", "TaxRate", "BusinessDiscountFor", "AmountFor",
                                                      "TaxFor", "AmountIncludeTaxFor", "Explanation"}));
    EXPECT_EQ(first->GetValue("DiscountRate").ToText(), "1000");
    EXPECT_EQ(first->GetValue("TaxRate").ToText(), "1700");
    EXPECT_EQ(first->GetValue("AmountFor").ToText(), "180");
    const auto second = (*body)[1].AsRecord();
    EXPECT_FALSE(second->HasKey("Explanation"));
    EXPECT_EQ(second->GetValue("DiscountRate").ToText(), "0");
    EXPECT_TRUE(second->GetValue("TaxRate").IsNull());
    EXPECT_EQ(second->GetValue("BusinessDiscountFor").ToText(), "0");
    const auto plan = full.GetValue("Plan").AsList();
    ASSERT_EQ(plan->Count(), 1);
    EXPECT_EQ((*plan)[0].AsRecord()->GetValue("Date").ToText(), "2024-04-01T09:30:00");

    const ValueDictionary& open = RecordNamed(*records, "K-3");
    EXPECT_EQ(open.GetValue("Status").ToText(), "UnApproved");
    EXPECT_EQ(open.GetValue("Checker").ToText(), Scalar("SELECT FName FROM t_User WHERE FUserID=20"));
    const ValueDictionary& approved = RecordNamed(*records, "K-4");
    EXPECT_EQ(approved.GetValue("Status").ToText(), "Approved");
    EXPECT_FALSE(approved.HasKey("Checker"));
}

TEST_F(ClsContractExportTest, NullIdentifiersFailTheExportAndKeepTheTimestamp) {
    struct Case {
        const char* what;
        const char* sql;
    } cases[] = {
        {"customer", "UPDATE t_RPContract SET FCustomer=NULL WHERE FContractNo='K-3'"},
        {"currency", "UPDATE t_RPContract SET FCurrencyID=NULL WHERE FContractNo='K-3'"},
        {"product", "UPDATE t_rpcontractentry SET FProductID=NULL WHERE FIndex=2 AND FContractID="
                    "(SELECT FContractID FROM t_RPContract WHERE FContractNo='K-2')"},
    };
    AddFixtureContracts();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunSql(c.sql);
        clsContract contract;
        Page page = Export(contract, 5, 0, "0x0000000000000001");
        EXPECT_FALSE(page.ok);
        EXPECT_EQ(page.timeStamp, "0x0000000000000001");
        EXPECT_EQ(page.error.rfind("错误号:94\r\n", 0), 0u) << page.error;
        EXPECT_EQ(page.xml, "");
        // Put the fixture back for the next case.
        RunSql("DELETE FROM t_RPContract WHERE FRP=5");
        AddFixtureContracts();
    }
}

TEST_F(ClsContractExportTest, PagesDeliverEveryContractOnceAndEndWithTheZeroTimestamp) {
    clsContract contract;
    Page all = Export(contract, 1, 0);
    ASSERT_TRUE(all.ok) << all.error;
    const auto allRecords = Records(all.xml);
    ASSERT_EQ(allRecords->Count(), summary_.ExportableContracts);
    EXPECT_EQ(all.maxTimeStamp, Scalar("SELECT '0x' || hex(MAX(FModifyTime)) FROM t_RPContract WHERE FRP=1"));

    std::multiset<std::string> paged;
    std::string timeStamp;
    for (int call = 0; call < 1000; ++call) {
        Page page = Export(contract, 1, 4, timeStamp);
        ASSERT_TRUE(page.ok) << page.error;
        EXPECT_EQ(page.maxTimeStamp, all.maxTimeStamp);
        if (page.timeStamp == kZero) {
            EXPECT_EQ(Records(page.xml)->Count(), 0);
            break;
        }
        const auto records = Records(page.xml);
        for (const Variant& item : *records) paged.insert(item.AsRecord()->GetValue("ContractNo").ToText());
        timeStamp = page.timeStamp;
    }
    std::multiset<std::string> expected;
    for (const Variant& item : *allRecords) expected.insert(item.AsRecord()->GetValue("ContractNo").ToText());
    EXPECT_EQ(paged, expected);
}

TEST_F(ClsContractExportTest, SideFilterAndSystemTypeSelectTheContractsButNotTheMaximum) {
    clsContract contract;
    Page payable = Export(contract, 0, 0);
    ASSERT_TRUE(payable.ok) << payable.error;
    const auto records = Records(payable.xml);
    EXPECT_EQ(std::to_string(records->Count()),
              Scalar("SELECT COUNT(*) FROM t_RPContract WHERE FRP=0 AND FSystemType=1"));
    for (const Variant& item : *records) EXPECT_EQ(item.AsRecord()->GetValue("FRP").ToText(), "0");

    Page unfiltered = Export(contract, 1, 0);
    contract.Filter("FContractNo='" + summary_.SampleContract.Number + "'");
    Page filtered = Export(contract, 1, 0);
    ASSERT_TRUE(filtered.ok) << filtered.error;
    ASSERT_EQ(Records(filtered.xml)->Count(), 1);
    EXPECT_EQ(filtered.maxTimeStamp, unfiltered.maxTimeStamp);

    contract.Filter("no such column = 1");
    Page broken = Export(contract, 1, 0, "0x00");
    EXPECT_FALSE(broken.ok);
    EXPECT_EQ(broken.timeStamp, "0x00");
    EXPECT_NE(broken.error.find("错误描述:"), std::string::npos);
}

TEST_F(ClsContractExportTest, ProgressFollowsEachCompletedContractOnlyWhenAsked) {
    std::vector<std::string> events;
    SetMessageHook([&events] { events.push_back("messages"); });
    clsContract contract;
    contract.OnProgress([&events](std::int32_t cur, std::int32_t total) {
        events.push_back(std::to_string(cur) + "/" + std::to_string(total));
    });
    ASSERT_TRUE(Export(contract, 1, 3).ok);
    EXPECT_EQ(events, (std::vector<std::string>{"messages", "messages", "messages"}));

    events.clear();
    contract.bProgress(true);
    ASSERT_TRUE(Export(contract, 1, 3).ok);
    EXPECT_EQ(events, (std::vector<std::string>{"messages", "1/3", "messages", "2/3", "messages", "3/3"}));

    // A handler that throws fails the export like any other error.
    contract.OnProgress([](std::int32_t, std::int32_t) { throw std::runtime_error("host gave up"); });
    Page page = Export(contract, 1, 3);
    EXPECT_FALSE(page.ok);
    EXPECT_NE(page.error.find("host gave up"), std::string::npos) << page.error;
    SetMessageHook({});
}

// A Progress handler that calls the running object again, with another
// database, must not switch the running export to that database.
TEST_F(ClsContractExportTest, ACallOnTheSameObjectFromInsideACallIsRefused) {
    TemporaryFolder otherFolder;
    const auto otherPath = otherFolder.Path() / "other.db";
    erp::CreateDemoDatabase(otherPath, 1, 7);
    std::string otherProps = PropsFor(otherPath, erp::kAdministratorUserId, "eng");

    clsContract contract, other;
    contract.bProgress(true);
    std::vector<std::string> nested;
    contract.OnProgress([&](std::int32_t, std::int32_t) {
        std::string xml, timeStamp, maxTimeStamp, error;
        if (!contract.Export(otherProps, xml, 1, 1, timeStamp, maxTimeStamp, error)) nested.push_back(error);
        // Another object is served as usual.
        if (!other.Export(otherProps, xml, 1, 1, timeStamp, maxTimeStamp, error)) nested.push_back("other: " + error);
        std::string importError;
        if (!contract.Import(otherProps, "<Contract/>", importError)) nested.push_back(importError);
    });
    const Page page = Export(contract, 1, 3);
    ASSERT_TRUE(page.ok) << page.error;
    ASSERT_EQ(nested.size(), 6u);
    EXPECT_EQ(nested[0], "Error number:-2147221304\r\nError source:OVArDataExchange.clsContract.Export\r\n"
                         "Error description:The object is already running a call; it cannot be called again from "
                         "inside that call!");
    EXPECT_EQ(nested[1], "错误号:-2147221304\r\n错误源:OVArDataExchange.clsContract.Import\r\n"
                         "错误描述:对象正在处理另一个调用，不能在其中再次调用它!");
    // Every contract of the page is this database's.
    const auto records = Records(page.xml);
    ASSERT_EQ(records->Count(), 3);
    for (const Variant& record : *records) {
        const std::string number = record.AsRecord()->GetValue("ContractNo").ToText();
        EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t_RPContract WHERE FContractNo='" + number + "'"), "1") << number;
    }
    // And the object serves the next call as usual.
    EXPECT_TRUE(Export(contract, 1, 1).ok);
}

TEST_F(ClsContractExportTest, RefusalsAndFaultsKeepTheCallersTimestamp) {
    RecordingScope recording;
    clsContract contract;
    Page refused = Export(contract, 1, 100, "0x01 or 1=1");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.timeStamp, "0x01 or 1=1");
    EXPECT_EQ(recording.Statements().size(), 5u);  // the gate's statements only
    EXPECT_NE(refused.error.find("无效的时间戳"), std::string::npos) << refused.error;

    for (std::size_t failing : {5u, 6u, 8u}) {
        SCOPED_TRACE(failing);
        recording.Clear();
        recording.Log().failAt = failing;
        Page page = Export(contract, 1, 3, "0x00");
        EXPECT_FALSE(page.ok);
        EXPECT_EQ(page.timeStamp, "0x00");
        EXPECT_EQ(page.error.rfind("错误号:-2147217871\r\n", 0), 0u) << page.error;
        EXPECT_GE(recording.Log().closeCalls, 1);
    }

    std::string props = Props(erp::kPlainUserId);
    std::string xml = "old", timeStamp, maxTimeStamp = "max", error;
    EXPECT_FALSE(contract.Export(props, xml, 1, 100, timeStamp, maxTimeStamp, error));
    EXPECT_EQ(xml, "old");
    EXPECT_EQ(timeStamp, "");
    EXPECT_EQ(maxTimeStamp, "max");
    EXPECT_EQ(error, "当前连接用户没有授权通过 WebServices 进行数据处理!");
}

}  // namespace
}  // namespace ovardx::testing
