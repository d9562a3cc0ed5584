#include "ovardx/clsReceiveBill.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "erp/DemoData.h"
#include "ovardx/ValueDictionary.h"
#include "session/SchemaFolder.h"
#include "session/XmlBridge.h"
#include "sqlite_backend/SqliteConnection.h"
#include "tests/support/DemoDatabaseFixture.h"
#include "tests/support/RecordingConnection.h"

namespace ovardx::testing {
namespace {

constexpr const char* kZero = "0x0000000000000000";

// FPre values of hand-made bills, apart from the demo's 0 and 1.
constexpr std::int16_t kCraftedPre = 7;
constexpr std::int16_t kNullRefPre = 8;

class ClsReceiveBillTest : public DemoDatabaseSuite {
protected:
    struct Page {
        bool ok = false;
        std::string xml, timeStamp, maxTimeStamp, error;
    };

    static void SetUpTestSuite() {
        DemoDatabaseSuite::SetUpTestSuite();
        const std::string customer = std::to_string(Summary().FirstCustomer.Id);
        const std::string columns =
            "INSERT INTO t_RP_NewReceiveBill (FRP, FPre, FNumber, FYear, FPeriod, FDate, FFincDate, FRPBank, FSettle,"
            " FReceiveCyID, FSettleDiscountFor, FSettleDiscount, FSettleNo, FAmount, FAmountFor, FARNumber, FBillType,"
            " FChecker, FContractNo, FContractID, FCurrencyID, FExchangeRate, FSettleAmount, FSettleAmountFor,"
            " FDiscountAmount, FDiscountAmountFor, FReceiveAmount, FReceiveAmountFor, FCustomer, FDepartment,"
            " FEmployee, FExplanation, FSettleCyID, FMulCy, FPreparer, UUID) VALUES ";
        // Every optional value missing (null or empty), references to ids
        // with no row, a null settle entry.
        RunSql(columns + "(1, 7, NULL, NULL, NULL, NULL, NULL, '', NULL, 0, NULL, NULL, NULL, NULL, NULL, '', NULL,"
                         " NULL, '', NULL, 0, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 900001, -1, 0, '', 99999, 0,"
                         " NULL, NULL)");
        // Every value set.
        RunSql(columns + "(1, 7, 'RB-FULL', 2025, 3, '2025-03-01', '2025-03-02', 'Test Bank 01', 1, 1, 1.5, 3,"
                         " 'ZP0001', 100, 50, 'XSFP0001', 1001, 20, 'HT-0042', 42, 1, 2, 90, 45, 10, 5, 80, 40, " +
               customer + ", " + customer + ", " + customer + ", 'note', 1, 1, 20, 'FULL-UUID')");
        // A settle id with no t_settle row, a checker id with no user.
        RunSql(columns + "(1, 7, 'RB-SETTLE', 2025, 4, NULL, NULL, NULL, 99, 0, 0, 0, '', 0, 0, NULL, NULL, 0,"
                         " NULL, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, NULL, NULL, NULL, 0, 0, 21, 'SETTLE-UUID')");
        // A payable bill: never exported.
        RunSql(columns + "(0, 7, 'RB-PAYABLE', 2025, 5, NULL, NULL, NULL, 0, 1, 0, 0, NULL, 0, 0, NULL, NULL, 0,"
                         " NULL, 0, 1, 1, 0, 0, 0, 0, 0, 0, " + customer + ", 0, 0, NULL, 1, 0, 20, 'PAYABLE-UUID')");
        // The bill whose required values the null tests take away one by one.
        RunSql(columns + "(1, 8, 'RB-NULLS', 2025, 6, NULL, NULL, NULL, 0, 1, 0, 0, NULL, 0, 0, NULL, NULL, 0,"
                         " NULL, 0, 1, 1, 0, 0, 0, 0, 0, 0, " + customer + ", 0, 0, NULL, 1, 0, 20, 'NULLS-UUID')");
    }

    Page Export(clsReceiveBill& bill, std::int16_t pre, std::int32_t perCount, std::string timeStamp,
                std::string props = {}) {
        Page page;
        page.timeStamp = std::move(timeStamp);
        if (props.empty()) props = AdminProps();
        page.ok = bill.Export(props, page.xml, pre, perCount, page.timeStamp, page.maxTimeStamp, page.error);
        return page;
    }

    static std::shared_ptr<ValueVector> Records(const std::string& xml) {
        auto list = NewList();
        std::string error;
        EXPECT_TRUE(ReadXml(list, xml, SchemaFolder() + "ReceiveBill.xsd", "ReceiveBill", error)) << error;
        return list;
    }

    static std::shared_ptr<Recordset> RunSql(std::string sql) {
        auto connection = std::make_shared<sqlite::SqliteConnection>(sqlite::SqliteConnection::Policy::Scripts);
        connection->ConnString("Provider=SQLite;Data Source=" + DatabasePath().string());
        auto rows = connection->GetAnyRecordSet(sql);
        connection->CloseConn();
        return rows;
    }

    static std::string QueryText(const std::string& sql) {
        auto rows = RunSql(sql);
        return rows && !rows->Eof() ? Describe(rows->Item(0).Value) : "(no row)";
    }
};

std::vector<std::string> KeysOf(const ValueDictionary& record) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : record) keys.push_back(key);
    return keys;
}

std::string Text(const ValueDictionary& record, const char* key) { return Describe(record.GetValue(key)); }

std::string UuidOf(const Variant& item) { return item.AsRecord()->GetValue("UUID").ToText(); }

TEST_F(ClsReceiveBillTest, SendsTheStatementsCharacterForCharacter) {
    RecordingScope recording;
    clsReceiveBill bill;
    Page page = Export(bill, 1, 100, "");
    ASSERT_TRUE(page.ok) << page.error;
    ASSERT_GE(recording.Statements().size(), 7u);
    EXPECT_EQ(recording.Statements()[5],
              "SELECT MAX(FModifyTime) as FMT FROM t_rp_newreceivebill WHERE FRP=1 and FPre=1");
    EXPECT_EQ(recording.Statements()[6],
              "SELECT TOP 100 r.*,s.FName FSettleName,e.FName FBillTypeName,ck.FName FCheckerName,pr.FName "
              "FPreparerName  FROM t_RP_NewReceiveBill r  left join t_settle s on r.FSettle=s.FItemID  left join "
              "t_RP_SystemEnum e on r.FBillType=e.FItemID  left join t_user ck on r.FChecker=ck.FUserID  left join "
              "t_user pr on r.FPreparer=pr.FUserID  WHERE r.FPre= 1 and r.FRP=1  AND r.FBillID in (select FBillID "
              "from t_RP_NewReceiveBill where  FModifyTime>0x0000000000000000) ORDER BY r.FModifyTime");
    EXPECT_EQ(recording.Statements()[7].rfind("SELECT  FNumber,FName,UUID FROM t_", 0), 0u);

    // No limit, a filter and a bound of the caller's.
    recording.Clear();
    bill.Filter("FChecker>0");
    page = Export(bill, 0, 0, "0x00000000000000A0");
    ASSERT_TRUE(page.ok) << page.error;
    EXPECT_EQ(recording.Statements()[5],
              "SELECT MAX(FModifyTime) as FMT FROM t_rp_newreceivebill WHERE FRP=1 and FPre=0");
    EXPECT_EQ(recording.Statements()[6],
              "SELECT  r.*,s.FName FSettleName,e.FName FBillTypeName,ck.FName FCheckerName,pr.FName "
              "FPreparerName  FROM t_RP_NewReceiveBill r  left join t_settle s on r.FSettle=s.FItemID  left join "
              "t_RP_SystemEnum e on r.FBillType=e.FItemID  left join t_user ck on r.FChecker=ck.FUserID  left join "
              "t_user pr on r.FPreparer=pr.FUserID  WHERE r.FPre= 0 and r.FRP=1  AND r.FBillID in (select FBillID "
              "from t_RP_NewReceiveBill where  (FModifyTime>0x00000000000000A0) AND (FChecker>0)) ORDER BY "
              "r.FModifyTime");
    const auto checked = Records(page.xml);
    ASSERT_GT(checked->Count(), 0);
    for (const auto& item : *checked) EXPECT_TRUE(item.AsRecord()->HasKey("Checker"));
    EXPECT_EQ(recording.Log().closeCalls, 1);
}

TEST_F(ClsReceiveBillTest, PreSelectsDisjointBillsAndPagingDeliversEachOnce) {
    const struct {
        std::int16_t pre;
        std::int64_t bills;
    } cases[] = {{0, Summary().ExportableReceiveBills}, {1, Summary().ExportableAdvanceReceipts}};
    std::set<std::string> seenByOtherPre;
    for (const auto& c : cases) {
        SCOPED_TRACE("iPre " + std::to_string(c.pre));
        clsReceiveBill bill;
        Page all = Export(bill, c.pre, 0, "");
        ASSERT_TRUE(all.ok) << all.error;
        const auto records = Records(all.xml);
        ASSERT_EQ(records->Count(), c.bills);
        EXPECT_EQ(all.maxTimeStamp, QueryText("SELECT MAX(FModifyTime) FROM t_RP_NewReceiveBill WHERE FRP=1 AND "
                                              "FPre=" + std::to_string(c.pre)));
        EXPECT_EQ(all.timeStamp, all.maxTimeStamp);  // every bill in one page

        std::multiset<std::string> expected, paged;
        for (const auto& item : *records) {
            expected.insert(UuidOf(item));
            EXPECT_EQ(seenByOtherPre.count(UuidOf(item)), 0u);
        }
        std::string timeStamp;
        for (int call = 0; call < 1000; ++call) {
            Page page = Export(bill, c.pre, 7, timeStamp);
            ASSERT_TRUE(page.ok) << page.error;
            EXPECT_EQ(page.maxTimeStamp, all.maxTimeStamp);
            const auto pageRecords = Records(page.xml);
            if (page.timeStamp == kZero) {
                EXPECT_EQ(pageRecords->Count(), 0);
                break;
            }
            EXPECT_LE(pageRecords->Count(), 7);
            for (const auto& item : *pageRecords) paged.insert(UuidOf(item));
            timeStamp = page.timeStamp;
        }
        EXPECT_EQ(paged, expected);
        seenByOtherPre.insert(expected.begin(), expected.end());
    }
}

TEST_F(ClsReceiveBillTest, KeysFollowTheirNullRulesInOrder) {
    const std::string clerk = QueryText("SELECT FName FROM t_user WHERE FUserID=20");
    const std::string currencyNumber = QueryText("SELECT FNumber FROM t_Currency WHERE FCurrencyID=1");
    clsReceiveBill bill;
    Page page = Export(bill, kCraftedPre, 0, "");
    ASSERT_TRUE(page.ok) << page.error;
    const auto records = Records(page.xml);
    ASSERT_EQ(records->Count(), 3);  // the payable bill stays out
    const auto sparse = (*records)[0].AsRecord();
    const auto full = (*records)[1].AsRecord();
    const auto settle = (*records)[2].AsRecord();

    EXPECT_EQ(KeysOf(*full),
              (std::vector<std::string>{"Number", "Year", "Period", "Date", "FincDate", "RPBank", "Settle",
                                        "ReceiveCy", "SettleDiscountFor", "SettleDiscount", "SettleNo", "Amount",
                                        "AmountFor", "ARNumber", "BillType", "Checker", "ContractNo", "ContractID",
                                        "Currency", "ExchangeRate", "SettleAmount", "SettleAmountFor",
                                        "DiscountAmount", "DiscountAmountFor", "ReceiveAmount", "ReceiveAmountFor",
                                        "Customer", "Department", "Employee", "Explanation", "SettleCy", "MulCy",
                                        "Preparer", "UUID"}));
    EXPECT_EQ(Text(*full, "Settle"), "现金");
    EXPECT_EQ(Text(*full, "BillType"), "收款单");
    EXPECT_EQ(Text(*full, "Checker"), clerk);
    EXPECT_EQ(Text(*full, "Preparer"), clerk);
    EXPECT_EQ(Text(*full, "ContractNo"), "HT-0042");
    EXPECT_EQ(Text(*full, "ContractID"), "42");
    EXPECT_EQ(Text(*full, "MulCy"), "是");
    EXPECT_EQ(Text(*full->GetValue("ReceiveCy").AsRecord(), "Number"), currencyNumber);
    for (const char* key : {"Customer", "Department", "Employee"}) {
        const auto item = full->GetValue(key).AsRecord();
        EXPECT_EQ(KeysOf(*item), (std::vector<std::string>{"Number", "Name", "UUID"})) << key;
        EXPECT_EQ(Text(*item, "Number"), Summary().FirstCustomer.Number) << key;
        EXPECT_EQ(Text(*item, "UUID"), Summary().FirstCustomer.Uuid) << key;
    }

    // Missing texts, ids 0, negative or naming no row: no key. Null amounts
    // and ids: 0; null number, preparer and UUID: empty; the rest stays null.
    EXPECT_EQ(KeysOf(*sparse),
              (std::vector<std::string>{"Number", "Year", "Period", "Date", "FincDate", "SettleDiscountFor",
                                        "SettleDiscount", "Amount", "AmountFor", "ContractID", "ExchangeRate",
                                        "SettleAmount", "SettleAmountFor", "DiscountAmount", "DiscountAmountFor",
                                        "ReceiveAmount", "ReceiveAmountFor", "MulCy", "Preparer", "UUID"}));
    for (const char* key : {"Year", "Period", "Date", "FincDate", "ExchangeRate"})
        EXPECT_EQ(Text(*sparse, key), "Null") << key;
    for (const char* key : {"SettleDiscountFor", "Amount", "ReceiveAmountFor", "ContractID"})
        EXPECT_EQ(Text(*sparse, key), "0") << key;
    for (const char* key : {"Number", "Preparer", "UUID"}) EXPECT_EQ(Text(*sparse, key), "") << key;
    EXPECT_EQ(Text(*sparse, "MulCy"), "否");

    // A settle id with no t_settle row keeps the key, with an empty name.
    ASSERT_TRUE(settle->HasKey("Settle"));
    EXPECT_EQ(Text(*settle, "Settle"), "");
    EXPECT_FALSE(settle->HasKey("Checker"));
    EXPECT_FALSE(settle->HasKey("Customer"));
}

TEST_F(ClsReceiveBillTest, YesNoTextsAndErrorTextsFollowTheLanguage) {
    const struct {
        const char* language;
        const char* yes;
        const char* no;
        const char* errorNumberLabel;
    } cases[] = {{"chs", "是", "否", "错误号:"}, {"eng", "Yes", "No", "Error number:"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        clsReceiveBill bill;
        const std::string props = PropsFor(DatabasePath(), erp::kWebServiceUserId, c.language);
        Page page = Export(bill, kCraftedPre, 0, "", props);
        ASSERT_TRUE(page.ok) << page.error;
        const auto records = Records(page.xml);
        ASSERT_EQ(records->Count(), 3);
        EXPECT_EQ(Text(*(*records)[0].AsRecord(), "MulCy"), c.no);
        EXPECT_EQ(Text(*(*records)[1].AsRecord(), "MulCy"), c.yes);

        bill.Filter("FChecker >> 0 )(");
        Page failed = Export(bill, kCraftedPre, 0, "", props);
        EXPECT_FALSE(failed.ok);
        EXPECT_EQ(failed.error.rfind(c.errorNumberLabel, 0), 0u) << failed.error;
    }
}

TEST_F(ClsReceiveBillTest, FilterThatIsNoSqlFailsAfterTheMaximumWasRead) {
    clsReceiveBill bill;
    Page good = Export(bill, 1, 10, "");
    ASSERT_TRUE(good.ok) << good.error;

    bill.Filter("FChecker >> 0 )(");
    Page page = Export(bill, 1, 10, "0x00000000000000A0");
    EXPECT_FALSE(page.ok);
    EXPECT_EQ(page.timeStamp, "0x00000000000000A0");
    EXPECT_EQ(page.maxTimeStamp, good.maxTimeStamp);
    EXPECT_EQ(page.xml, "");
    EXPECT_EQ(page.error.rfind("错误号:", 0), 0u) << page.error;
    EXPECT_NE(page.error.find("\r\n错误源:"), std::string::npos) << page.error;
    EXPECT_NE(page.error.find("\r\n错误描述:"), std::string::npos) << page.error;

    // Filtering off again: the same object exports.
    bill.Filter("");
    EXPECT_TRUE(Export(bill, 1, 10, "").ok);
}

TEST_F(ClsReceiveBillTest, FilterCannotBringInPayableBills) {
    clsReceiveBill bill;
    bill.Filter("FRP=0 OR FNumber='RB-PAYABLE'");
    Page page = Export(bill, kCraftedPre, 0, "");
    ASSERT_TRUE(page.ok) << page.error;
    EXPECT_EQ(Records(page.xml)->Count(), 0);
    EXPECT_EQ(page.timeStamp, kZero);
}

TEST_F(ClsReceiveBillTest, NullRequiredValueFailsThePage) {
    {
        clsReceiveBill bill;
        Page page = Export(bill, kNullRefPre, 0, "");
        ASSERT_TRUE(page.ok) << page.error;
        ASSERT_EQ(Records(page.xml)->Count(), 1);
    }
    for (const char* column : {"FReceiveCyID", "FCurrencyID", "FCustomer", "FSettleCyID", "FMulCy"}) {
        SCOPED_TRACE(column);
        const std::string restore = QueryText(std::string("SELECT ") + column +
                                              " FROM t_RP_NewReceiveBill WHERE UUID='NULLS-UUID'");
        RunSql(std::string("UPDATE t_RP_NewReceiveBill SET ") + column + "=NULL WHERE UUID='NULLS-UUID'");
        clsReceiveBill bill;
        Page page = Export(bill, kNullRefPre, 0, "");
        EXPECT_FALSE(page.ok);
        EXPECT_EQ(page.timeStamp, "");
        EXPECT_EQ(page.error.rfind("错误号:94\r\n", 0), 0u) << page.error;
        RunSql(std::string("UPDATE t_RP_NewReceiveBill SET ") + column + "=" + restore + " WHERE UUID='NULLS-UUID'");
    }
}

TEST_F(ClsReceiveBillTest, EmptyPageAfterTheNewestTimestamp) {
    clsReceiveBill bill;
    Page first = Export(bill, 0, 1, "");
    ASSERT_TRUE(first.ok) << first.error;
    Page last = Export(bill, 0, 10, first.maxTimeStamp);
    ASSERT_TRUE(last.ok) << last.error;
    EXPECT_EQ(last.timeStamp, kZero);
    EXPECT_EQ(Records(last.xml)->Count(), 0);
}

TEST_F(ClsReceiveBillTest, MalformedTimestampIsRefusedBeforeAnyStatement) {
    for (const char* bad : {"0x00) OR (1=1", "12", "0xZZ"}) {
        SCOPED_TRACE(bad);
        RecordingScope recording;
        clsReceiveBill bill;
        Page page = Export(bill, 1, 100, bad);
        EXPECT_FALSE(page.ok);
        EXPECT_EQ(page.timeStamp, bad);
        EXPECT_EQ(recording.Statements().size(), 5u);  // the gate's statements only
        EXPECT_EQ(page.error,
                  "错误号:-2147221304\r\n错误源:OVArDataExchange.clsReceiveBill.Export\r\n错误描述:无效的时间戳");
    }
}

TEST_F(ClsReceiveBillTest, FaultAtEveryStatementFailsCleanly) {
    RecordingScope recording;
    std::size_t total = 0;
    {
        clsReceiveBill bill;
        ASSERT_TRUE(Export(bill, 1, 3, "").ok);
        total = recording.Statements().size();
    }
    ASSERT_GT(total, 7u);
    for (std::size_t failing = 5; failing < total; ++failing) {
        SCOPED_TRACE("failing statement " + std::to_string(failing));
        recording.Clear();
        recording.Log().failAt = failing;
        clsReceiveBill bill;
        Page page = Export(bill, 1, 3, "");
        EXPECT_FALSE(page.ok);
        EXPECT_EQ(page.timeStamp, "");
        EXPECT_EQ(page.xml, "");
        EXPECT_EQ(page.error.rfind("错误号:" + std::to_string(kInjectedFault) + "\r\n错误源:" + kInjectedFaultSource, 0),
                  0u)
            << page.error;
        EXPECT_EQ(recording.Log().closeCalls, 1);
    }
}

}  // namespace
}  // namespace ovardx::testing
