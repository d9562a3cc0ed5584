#include "ovardx/clsArapPlan.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "erp/DemoData.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/ValueDictionary.h"
#include "ovardx/XmlComponents.h"
#include "session/SchemaFolder.h"
#include "session/XmlBridge.h"
#include "sqlite_backend/SqliteConnection.h"
#include "tests/support/DemoDatabaseFixture.h"
#include "tests/support/RecordingConnection.h"

namespace ovardx::testing {
namespace {

constexpr const char* kZero = "0x0000000000000000";

class ClsArapPlanTest : public DemoDatabaseSuite {
protected:
    struct Page {
        bool ok = false;
        std::string xml, timeStamp, maxTimeStamp, error;
    };

    Page Export(clsArapPlan& plan, std::int32_t perCount, std::string timeStamp, std::string props = {}) {
        Page page;
        page.timeStamp = std::move(timeStamp);
        if (props.empty()) props = AdminProps();
        page.ok = plan.Export(props, page.xml, perCount, page.timeStamp, page.maxTimeStamp, page.error);
        return page;
    }

    static std::shared_ptr<ValueVector> Records(const std::string& xml) {
        auto list = NewList();
        std::string error;
        EXPECT_TRUE(ReadXml(list, xml, SchemaFolder() + "ArApPlan.xsd", "ArApPlan", error)) << error;
        return list;
    }

    static void RunSql(std::string sql) {
        auto connection = std::make_shared<sqlite::SqliteConnection>(sqlite::SqliteConnection::Policy::Scripts);
        connection->ConnString("Provider=SQLite;Data Source=" + DatabasePath().string());
        connection->GetAnyRecordSet(sql);
        connection->CloseConn();
    }
};

using RowKey = std::tuple<std::string, std::string, std::string, std::string>;

RowKey KeyOf(const ValueDictionary& record) {
    return {record.GetValue("FNumber").ToText(), record.GetValue("FArDate").ToText(),
            record.GetValue("FAmountFor").ToText(), record.GetValue("FModifyTime").ToText()};
}

TEST_F(ClsArapPlanTest, SendsThePageStatementCharacterForCharacter) {
    RecordingScope recording;
    clsArapPlan plan;
    Page page = Export(plan, 100, "");
    ASSERT_TRUE(page.ok) << page.error;
    const auto& statements = recording.Statements();
    ASSERT_GE(statements.size(), 7u);
    EXPECT_EQ(statements[5], "SELECT MAX(FModifyTime) as FMT FROM t_RP_Contact WHERE FRP=1 and FType in(3,13) ");
    EXPECT_EQ(statements[6],
              "SELECT TOP 100 c.FNumber,d.FDate FArDate,  c.FExchangerate,d.FRemainAmountFor FAmountFor, "
              "c.FModifyTime,c.FCustomer,c.FCurrencyID,c.FContractNo,e.FContractID  from t_rp_contact c  join "
              "t_item i on c.FCustomer=i.FitemID  join t_currency b on c.FCurrencyID=b.FCurrencyID  join (select "
              "FOrgID,FDate,FRemainAmountFor from t_rp_plan_ar union select FOrgID,FDate,FRemainAmountFor from "
              "t_Rp_plan_ap) d on c.FID=d.FOrgID  left join t_rpContract e on c.FContractNo=e.FContractNo where "
              "c.FRP=1 and c.FType in(3,13)  and d.FRemainAmountFor<>0  and   c.FModifyTime>0x0000000000000000 "
              "ORDER BY c.FModifyTime");
    EXPECT_GE(recording.Log().closeCalls, 1);
}

TEST_F(ClsArapPlanTest, PagingDeliversEveryRowExactlyOnceAcrossSharedTimestamps) {
    clsArapPlan plan;
    Page all = Export(plan, 0, "");
    ASSERT_TRUE(all.ok) << all.error;
    std::map<RowKey, int> expected;
    const auto allRecords = Records(all.xml);
    for (const auto& item : *allRecords) ++expected[KeyOf(*item.AsRecord())];
    ASSERT_EQ(static_cast<std::int64_t>(allRecords->Count()), Summary().ExportablePlanRows);

    std::map<RowKey, int> paged;
    std::string timeStamp;
    bool sawCompletedGroup = false;
    for (int call = 0; call < 10000; ++call) {
        Page page = Export(plan, 7, timeStamp);
        ASSERT_TRUE(page.ok) << page.error;
        EXPECT_EQ(page.maxTimeStamp, all.maxTimeStamp);
        if (page.timeStamp == kZero) break;
        auto records = Records(page.xml);
        sawCompletedGroup = sawCompletedGroup || records->Count() > 7;
        for (const auto& item : *records) ++paged[KeyOf(*item.AsRecord())];
        timeStamp = page.timeStamp;
    }
    EXPECT_EQ(paged, expected);
    EXPECT_TRUE(sawCompletedGroup) << "no page ended inside a group of one FModifyTime";
}

TEST_F(ClsArapPlanTest, ReusesOneConnectionAndClosesItOnRelease) {
    RecordingScope recording;
    int created = 0;
    {
        ScopedComponent counting(kConnectionProgId, std::function<std::shared_ptr<DatabaseConnection>()>([&] {
                                     ++created;
                                     return std::make_shared<RecordingConnection>(
                                         std::shared_ptr<ConnectionLog>(&recording.Log(), [](ConnectionLog*) {}));
                                 }));
        clsArapPlan plan;
        ASSERT_TRUE(Export(plan, 5, "").ok);
        ASSERT_TRUE(Export(plan, 5, "").ok);
        EXPECT_EQ(created, 2 * 3 + 1);  // three per gate, one for the object
        EXPECT_EQ(recording.Log().closeCalls, 2);
    }
    EXPECT_EQ(recording.Log().closeCalls, 3);  // released with the object
}

TEST_F(ClsArapPlanTest, EmptyPageAfterTheNewestTimestamp) {
    clsArapPlan plan;
    Page first = Export(plan, 1, "");
    ASSERT_TRUE(first.ok) << first.error;
    Page last = Export(plan, 10, first.maxTimeStamp);
    ASSERT_TRUE(last.ok) << last.error;
    EXPECT_EQ(last.timeStamp, kZero);
    EXPECT_EQ(Records(last.xml)->Count(), 0);
}

TEST_F(ClsArapPlanTest, RecordsCarryReferencesAndContractData) {
    clsArapPlan plan;
    Page all = Export(plan, 0, "");
    ASSERT_TRUE(all.ok) << all.error;
    bool sawNoContract = false, sawContract = false;
    const auto records = Records(all.xml);
    for (const auto& item : *records) {
        const auto record = item.AsRecord();
        const auto customer = record->GetValue("FCustomer").AsRecord();
        EXPECT_TRUE(customer->HasKey("Number") && customer->HasKey("Name") && customer->HasKey("UUID"));
        EXPECT_TRUE(record->GetValue("FCurrency").AsRecord()->HasKey("Number"));
        if (!record->HasKey("FContractNo")) {
            EXPECT_EQ(record->GetValue("FContractID").ToText(), "0");
            sawNoContract = true;
        } else if (record->GetValue("FContractID").ToText() != "0") {
            sawContract = true;
        }
    }
    EXPECT_TRUE(sawNoContract);
    EXPECT_TRUE(sawContract);
}

TEST_F(ClsArapPlanTest, FilterQuotesValuesAndKeepsItsOrder) {
    RunSql("UPDATE t_item SET FName='O''Brien' WHERE FItemID=" + std::to_string(Summary().FirstCustomer.Id));
    RecordingScope recording;
    clsArapPlan plan;
    plan.Filter("DateFrom=2000-1-7||Name=O'Brien");
    Page page = Export(plan, 0, "");
    ASSERT_TRUE(page.ok) << page.error;
    const std::string& statement = recording.Statements()[6];
    EXPECT_NE(statement.find("c.FModifyTime>0x0000000000000000 and i.FName='O''Brien' and d.FDate>='2000-01-07' "
                             "ORDER BY"),
              std::string::npos)
        << statement;
    auto records = Records(page.xml);
    ASSERT_GT(records->Count(), 0);
    for (const auto& item : *records)
        EXPECT_EQ(item.AsRecord()->GetValue("FCustomer").AsRecord()->GetValue("Name").ToText(), "O'Brien");
    RunSql("UPDATE t_item SET FName='" + Summary().FirstCustomer.Name + "' WHERE FItemID=" +
           std::to_string(Summary().FirstCustomer.Id));
}

TEST_F(ClsArapPlanTest, InvalidFilterDateFailsAfterTheMaximumWasRead) {
    clsArapPlan plan;
    plan.Filter("DateTo=abc");
    Page page = Export(plan, 100, "0x00000000000000A0");
    EXPECT_FALSE(page.ok);
    EXPECT_EQ(page.timeStamp, "0x00000000000000A0");
    EXPECT_NE(page.maxTimeStamp, "");
    EXPECT_EQ(page.error,
              "错误号:-2147221304\r\n错误源:ArDataExchange.clsArapPlan.GetList\r\n错误描述:无效的日期格式");
}

TEST_F(ClsArapPlanTest, MalformedTimestampIsRefusedBeforeAnyStatement) {
    for (const char* bad : {"0x12G4", "1 or 1=1", "0x00 OR 1=1", "00FF"}) {
        SCOPED_TRACE(bad);
        RecordingScope recording;
        clsArapPlan plan;
        Page page = Export(plan, 100, bad, PropsFor(DatabasePath(), erp::kAdministratorUserId, "eng"));
        EXPECT_FALSE(page.ok);
        EXPECT_EQ(page.timeStamp, bad);
        EXPECT_EQ(recording.Statements().size(), 5u);  // the gate's statements only
        EXPECT_EQ(page.error.rfind("Error number:-2147221304\r\n", 0), 0u) << page.error;
        EXPECT_NE(page.error.find("OVArDataExchange.clsArapPlan.Export"), std::string::npos);
    }
}

TEST_F(ClsArapPlanTest, RefusedUserLeavesEveryArgumentAsPassed) {
    clsArapPlan plan;
    std::string props = PropsFor(DatabasePath(), erp::kPlainUserId);
    std::string xml = "old", timeStamp, maxTimeStamp = "max", error;
    EXPECT_FALSE(plan.Export(props, xml, 100, timeStamp, maxTimeStamp, error));
    EXPECT_EQ(xml, "old");
    EXPECT_EQ(timeStamp, "");
    EXPECT_EQ(maxTimeStamp, "max");
    EXPECT_EQ(error, "当前连接用户没有授权通过 WebServices 进行数据处理!");
}

// Within one call each customer and currency is read once, however many
// records name it; the document is the same.
TEST_F(ClsArapPlanTest, EachReferenceIsReadOncePerCall) {
    RecordingScope recording;
    clsArapPlan plan;
    Page page = Export(plan, 0, "");
    ASSERT_TRUE(page.ok) << page.error;
    std::map<std::string, int> lookups;
    for (const std::string& statement : recording.Statements())
        if (statement.rfind("SELECT  FNumber,FName,UUID FROM ", 0) == 0) ++lookups[statement];
    ASSERT_FALSE(lookups.empty());
    for (const auto& [statement, count] : lookups) EXPECT_EQ(count, 1) << statement;
    EXPECT_LT(static_cast<std::int32_t>(lookups.size()), 2 * Records(page.xml)->Count());
}

// References kept between calls are read again once anything was committed.
TEST_F(ClsArapPlanTest, AReferenceChangedBetweenCallsIsReadAnew) {
    const std::string customer = std::to_string(Summary().FirstCustomer.Id);
    const auto namesOf = [&](const Page& page) {
        std::map<std::string, int> names;
        const auto records = Records(page.xml);
        for (const auto& item : *records) {
            const auto reference = item.AsRecord()->GetValue("FCustomer").AsRecord();
            ++names[reference->GetValue("Name").ToText()];
        }
        return names;
    };
    clsArapPlan plan;
    const Page before = Export(plan, 0, "");
    ASSERT_TRUE(before.ok) << before.error;
    EXPECT_EQ(namesOf(before).count("Renamed between calls"), 0u);
    RunSql("UPDATE t_item SET FName='Renamed between calls' WHERE FItemID=" + customer);
    const Page after = Export(plan, 0, "");
    ASSERT_TRUE(after.ok) << after.error;
    EXPECT_GT(namesOf(after)["Renamed between calls"], 0);
    EXPECT_EQ(Export(plan, 0, "").xml, after.xml);
}

TEST_F(ClsArapPlanTest, AContractNumberOfNoContractKeepsItsNumberWithIdZero) {
    RunSql("UPDATE t_rp_contact SET FContractNo='NO-SUCH-CONTRACT' WHERE FID=(SELECT FID FROM t_rp_contact"
           " WHERE FRP=1 AND FType IN (3,13) AND FContractNo IS NOT NULL ORDER BY FID LIMIT 1)");
    clsArapPlan plan;
    Page all = Export(plan, 0, "");
    ASSERT_TRUE(all.ok) << all.error;
    int seen = 0;
    const auto records = Records(all.xml);
    for (const auto& item : *records) {
        const auto record = item.AsRecord();
        if (!record->HasKey("FContractNo") || record->GetValue("FContractNo").ToText() != "NO-SUCH-CONTRACT") continue;
        EXPECT_EQ(record->GetValue("FContractID").ToText(), "0");
        ++seen;
    }
    EXPECT_GT(seen, 0);
}

// The writer's own refusal is the answer: no document, its text, and the
// bound as it was passed.
TEST_F(ClsArapPlanTest, AWriterFailureLeavesTheBoundAsPassed) {
    class RefusingWriter final : public XmlWriter {
    public:
        void OutputXMLString(std::shared_ptr<ValueVector>&, std::string& xml, std::string&, std::string&,
                             std::string& errorText) override {
            xml.clear();
            errorText = "the writer refuses";
        }
    };
    const ScopedComponent writer(kXmlWriterProgId, std::function<std::shared_ptr<XmlWriter>()>(
                                                       [] { return std::make_shared<RefusingWriter>(); }));
    clsArapPlan plan;
    Page page;
    page.xml = "old";
    page.timeStamp = kZero;
    std::string props = AdminProps();
    page.ok = plan.Export(props, page.xml, 10, page.timeStamp, page.maxTimeStamp, page.error);
    EXPECT_FALSE(page.ok);
    EXPECT_EQ(page.xml, "");
    EXPECT_EQ(page.error, "the writer refuses");
    EXPECT_EQ(page.timeStamp, kZero);
}

TEST_F(ClsArapPlanTest, FaultAtEveryStatementFailsCleanly) {
    RecordingScope recording;
    std::size_t total = 0;
    {
        clsArapPlan plan;
        ASSERT_TRUE(Export(plan, 3, "").ok);
        total = recording.Statements().size();
    }
    ASSERT_GT(total, 7u);
    for (std::size_t failing = 5; failing < total; ++failing) {
        SCOPED_TRACE("failing statement " + std::to_string(failing));
        recording.Clear();
        recording.Log().failAt = failing;
        clsArapPlan plan;
        Page page = Export(plan, 3, "");
        EXPECT_FALSE(page.ok);
        EXPECT_EQ(page.timeStamp, "");
        EXPECT_NE(page.error.find("错误号:" + std::to_string(kInjectedFault) + "\r\n错误源:" + kInjectedFaultSource),
                  std::string::npos)
            << page.error;
        EXPECT_EQ(recording.Log().closeCalls, 1);
    }
}

}  // namespace
}  // namespace ovardx::testing
