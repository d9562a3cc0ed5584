// Every statement the library sends to the ERP database, run through the
// SQLite connection against the scale-1 demo database, with the outcome SQL
// Server gives on the same data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "erp/DemoDatabase.h"
#include "ovardx/DatabaseConnection.h"
#include "ovardx/Error.h"
#include "sqlite_backend/SqliteConnection.h"
#include "tests/erp/ConnectionFor.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::erp {
namespace {

using ::ovardx::testing::TemporaryFolder;

struct Cell {
    int row;  // 0-based; -1: every row
    std::string column;
    Variant value;
};

struct StatementCase {
    std::string what;
    std::string sql;
    std::int64_t rows;                          // expected row count
    std::vector<Cell> cells = {};               // expected values
    std::vector<std::string> columns = {};      // expected column names, when given
    std::optional<std::string> ascending = {};  // column whose values never decrease
};

// The scale-1, seed-1 demo database of the suite.
class ErpStatementsTest : public ::ovardx::testing::DemoDatabaseSuite {
protected:
    static std::shared_ptr<Recordset> Query(std::string sql) {
        const std::shared_ptr<DatabaseConnection> connection = sqlite::CreateSqliteConnection();
        connection->ConnString(testing::ConnectStringFor(DatabasePath()));
        return connection->GetAnyRecordSet(sql);
    }

    static std::vector<Variant> Column(const std::string& sql, const std::string& column) {
        std::vector<Variant> values;
        auto rows = Query(sql);
        for (; !rows->Eof(); rows->MoveNext()) values.push_back(rows->Value(column));
        return values;
    }

    static void Check(const StatementCase& c) {
        SCOPED_TRACE(c.what + "\n" + c.sql);
        std::shared_ptr<Recordset> rows;
        try {
            rows = Query(c.sql);
        } catch (const Error& error) {
            FAIL() << "error " << error.record().Number << " " << error.record().Description;
        }
        ASSERT_TRUE(rows);
        ASSERT_EQ(rows->RecordCount(), c.rows);
        if (!c.columns.empty()) {
            EXPECT_EQ(rows->ColumnNames(), c.columns);
        }
        for (int row = 0; row < rows->RecordCount(); ++row, rows->MoveNext()) {
            for (const Cell& cell : c.cells) {
                if (cell.row != row && cell.row != -1) continue;
                EXPECT_EQ(rows->Value(cell.column), cell.value)
                    << "row " << row << ", " << cell.column << ": " << Describe(rows->Value(cell.column))
                    << " instead of " << Describe(cell.value);
            }
        }
        if (c.ascending && rows->RecordCount() > 1) {
            rows->MoveFirst();
            Bytes previous = rows->Value(*c.ascending).AsBytes();
            for (rows->MoveNext(); !rows->Eof(); rows->MoveNext()) {
                const Bytes current = rows->Value(*c.ascending).AsBytes();
                EXPECT_LE(previous, current) << "rows out of order";
                previous = current;
            }
        }
    }

};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

const std::string kPlanPage =
    "SELECT TOP 100 c.FNumber,d.FDate FArDate,  c.FExchangerate,d.FRemainAmountFor FAmountFor, "
    "c.FModifyTime,c.FCustomer,c.FCurrencyID,c.FContractNo,e.FContractID  from t_rp_contact c  join t_item i on "
    "c.FCustomer=i.FitemID  join t_currency b on c.FCurrencyID=b.FCurrencyID  join (select "
    "FOrgID,FDate,FRemainAmountFor from t_rp_plan_ar union select FOrgID,FDate,FRemainAmountFor from t_Rp_plan_ap) "
    "d on c.FID=d.FOrgID  left join t_rpContract e on c.FContractNo=e.FContractNo where c.FRP=1 and c.FType "
    "in(3,13)  and d.FRemainAmountFor<>0  and   c.FModifyTime>0x0000000000000000 ORDER BY c.FModifyTime";

std::string PlanPage(const std::string& select, const std::string& conditions) {
    std::string sql = kPlanPage;
    sql.replace(0, std::string("SELECT TOP 100").size(), select);
    sql.insert(sql.find(" ORDER BY"), conditions);
    return sql;
}

const std::string kBillPage =
    "SELECT TOP 100 r.*,s.FName FSettleName,e.FName FBillTypeName,ck.FName FCheckerName,pr.FName FPreparerName  "
    "FROM t_RP_NewReceiveBill r  left join t_settle s on r.FSettle=s.FItemID  left join t_RP_SystemEnum e on "
    "r.FBillType=e.FItemID  left join t_user ck on r.FChecker=ck.FUserID  left join t_user pr on "
    "r.FPreparer=pr.FUserID  WHERE r.FPre= 1 and r.FRP=1  AND r.FBillID in (select FBillID from "
    "t_RP_NewReceiveBill where  FModifyTime>0x0000000000000000) ORDER BY r.FModifyTime";

const std::string kContractPage =
    "SELECT TOP 100 c.*,e.FName FContractTypeName,u.FName FCheckerName  from t_RPContract c  left join "
    "t_rp_systemenum e on c.FContractTypeID=e.FItemID  left join t_user u on c.FXItemID=u.FUserID  where c.FRP=1 "
    "and c.FSystemType=1  and c.FContractID in(select FContractID from t_RPContract where "
    "FModifyTime>0x0000000000000000 )  ORDER BY c.FModifyTime";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST_F(ErpStatementsTest, SessionAndAccessStatements) {
    const std::string user = "SELECT FUserID, FName, FForbidden FROM t_User WHERE FUserID=";
    const std::string admin =
        "SELECT t_User.FUserID FROM t_Group, t_User WHERE t_Group.FUserID = t_User.FUserID AND t_User.FUserID = ";
    const std::string access = "SELECT * FROM t_AccessControl WHERE  FObjectType=16 AND FUserID=";
    const std::vector<StatementCase> cases = {
        {"service pack probe", "SELECT FValue FROM T_SYSTEMPROFILE WHERE FCategory='Base' AND FKey='ServicePack'",
         1, {{0, "FValue", kDemoServicePack}}},
        {"active administrator", user + "16", 1,
         {{0, "FUserID", 16}, {0, "FName", "Administrator"}, {0, "FForbidden", 0}}},
        {"forbidden administrator", user + "18", 1, {{0, "FForbidden", 1}}},
        {"unknown user", user + "999", 0},
        {"no user", user + "-1", 0},
        {"administrator in group 1", admin + "16AND t_Group.FGroupID = 1", 1, {{0, "FUserID", 16}}},
        {"web-service user is in group 2 only", admin + "17AND t_Group.FGroupID = 1", 0},
        {"plain user", admin + "19AND t_Group.FGroupID = 1", 0},
        {"no user, negative id glued to AND", admin + "-1AND t_Group.FGroupID = 1", 0},
        {"web-service right, bits 20 and 21", access + "17", 1,
         {{0, "FAccessMask", 0x00300000}, {0, "FObjectType", 16}}},
        {"every bit below 20, object type 16 only", access + "19", 1, {{0, "FAccessMask", 0x000FFFFF}}},
        {"administrator's row without the bit", access + "16", 1, {{0, "FAccessMask", 0}}},
        {"no user", access + "-1", 0},
    };
    for (const auto& c : cases) Check(c);
}

TEST_F(ErpStatementsTest, PlanStatements) {
    const DemoCustomer& customer = Summary().FirstCustomer;
    // The same rows, found by the customer's id instead of its number.
    const auto filtered = static_cast<std::int64_t>(
        Column(PlanPage("SELECT ", " and c.FCustomer=" + std::to_string(customer.Id) + " and d.FDate>='2025-01-07'"),
               "FNumber")
            .size());
    ASSERT_GT(filtered, 0);
    const std::vector<StatementCase> cases = {
        {"plan page, 100 rows from the start", kPlanPage, 100, {},
         {"FNumber", "FArDate", "FExchangerate", "FAmountFor", "FModifyTime", "FCustomer", "FCurrencyID",
          "FContractNo", "FContractID"},
         "FModifyTime"},
        {"plan page without limit: every exportable entry, equal entries once",
         PlanPage("SELECT ", ""), Summary().ExportablePlanRows, {}, {}, "FModifyTime"},
        {"plan page after the newest timestamp", Replace(kPlanPage, "0x0000000000000000", "0x7FFFFFFFFFFFFFFF"), 0},
        {"plan page filtered by customer number and date",
         PlanPage("SELECT ", " and i.FNumber='" + customer.Number + "' and d.FDate>='2025-01-07'"), filtered,
         {{-1, "FCustomer", customer.Id}}, {}, "FModifyTime"},
        {"customer number in other letters", PlanPage("SELECT ", " and i.FNumber='" + Lower(customer.Number) +
                                                                     "' and d.FDate>='2025-01-07'"),
         filtered, {{-1, "FCustomer", customer.Id}}},
        {"plan page filtered by every other criterion",
         PlanPage("SELECT TOP 100", " and i.uuid='" + Lower(customer.Uuid) + "' and i.FName='" + customer.Name +
                                        "' and d.FDate<='2025-12-31' and c.FRP=1"),
         std::min<std::int64_t>(100, Query(PlanPage("SELECT ", " and c.FCustomer=" + std::to_string(customer.Id) +
                                                                  " and d.FDate<='2025-12-31'"))
                                         ->RecordCount()),
         {{-1, "FCustomer", customer.Id}}, {}, "FModifyTime"},
        {"customer reference", "SELECT  FNumber,FName,UUID FROM t_item WHERE FItemID =" + std::to_string(customer.Id),
         1, {{0, "FNumber", customer.Number}, {0, "FName", customer.Name}, {0, "UUID", customer.Uuid}}},
        {"customer reference without a row", "SELECT  FNumber,FName,UUID FROM t_item WHERE FItemID =900001", 0},
        {"currency reference", "SELECT  FNumber,FName,UUID FROM t_Currency WHERE FCurrencyID=1", 1,
         {{0, "FNumber", "RMB"}, {0, "FName", "人民币"}}},
    };
    for (const auto& c : cases) Check(c);
}

TEST_F(ErpStatementsTest, ReceiveBillStatements) {
    const std::vector<StatementCase> cases = {
        {"advance receipts, first page", kBillPage, std::min<std::int64_t>(100, Summary().ExportableAdvanceReceipts),
         {{-1, "FPre", 1}, {-1, "FRP", 1}}, {}, "FModifyTime"},
        {"receive bills without limit", Replace(Replace(kBillPage, "SELECT TOP 100", "SELECT "), "FPre= 1", "FPre= 0"),
         Summary().ExportableReceiveBills, {{-1, "FPre", 0}, {-1, "FRP", 1}}, {}, "FModifyTime"},
        {"receive bills with a filter", Replace(Replace(kBillPage, "FPre= 1", "FPre= 0"),
                                                " FModifyTime>0x0000000000000000)",
                                                " (FModifyTime>0x0000000000000000) AND (FBillID=" +
                                                    std::to_string(Summary().SampleReceiveBill.Id) + "))"),
         1, {{0, "UUID", Summary().SampleReceiveBill.Uuid}}},
    };
    for (const auto& c : cases) Check(c);

    // The joined names and the flag come with the types the record mapping
    // reads: text or null, and a Boolean for FMulCy.
    auto rows = Query(Replace(kBillPage, "FPre= 1", "FPre= 0"));
    bool sawName = false;
    for (; !rows->Eof(); rows->MoveNext()) {
        EXPECT_EQ(rows->Value("FMulCy").kind(), Variant::Kind::Bool);
        const Variant name = rows->Value("FPreparerName");
        EXPECT_TRUE(name.IsNull() || name.kind() == Variant::Kind::Text);
        sawName = sawName || !name.IsNull();
        EXPECT_EQ(rows->Value("FDate").kind(), Variant::Kind::Date);
    }
    EXPECT_TRUE(sawName);
}

TEST_F(ErpStatementsTest, ContractStatements) {
    const DemoContract& contract = Summary().SampleContract;
    const std::string id = std::to_string(contract.Id);
    const std::vector<StatementCase> cases = {
        {"contract page", kContractPage, std::min<std::int64_t>(100, Summary().ExportableContracts),
         {{-1, "FRP", 1}, {-1, "FSystemType", 1}}, {}, "FModifyTime"},
        {"contract page with a filter", Replace(kContractPage, "where FModifyTime>0x0000000000000000 ",
                                                "where (FModifyTime>0x0000000000000000) AND (FContractID=" + id + ")"),
         1, {{0, "FContractNo", contract.Number}, {0, "UUID", contract.Uuid}}},
        {"entry lines", " select * from t_rpcontractentry where FContractID=" + id, contract.Entries,
         {{-1, "FContractID", contract.Id}}},
        {"collection plan lines", " select * from t_rpcontractscheme where FContractID=" + id, contract.Schemes,
         {{-1, "FContractID", contract.Id}}},
        {"unit reference", "SELECT  FNumber,FName,UUID FROM t_measureunit where FMeasureUnitID =3", 1,
         {{0, "FNumber", "BOX"}, {0, "FName", "箱"}}},
    };
    for (const auto& c : cases) Check(c);
}

TEST_F(ErpStatementsTest, ReferenceResolutionStatements) {
    const DemoCustomer& customer = Summary().FirstCustomer;
    const DemoContract& contract = Summary().SampleContract;
    const std::string currency = "SELECT FCurrencyID as FItemID FROM t_Currency  WHERE 1=1 ";
    const std::string item = "SELECT FItemID FROM t_Item  WHERE FItemClassID=";
    const std::string unit = " select FMeasureUnitID as FItemID from t_measureunit  WHERE 1=1 ";
    const std::string rmbUuid = Query("SELECT UUID FROM t_Currency WHERE FCurrencyID=1")->Value("UUID").ToText();
    const std::vector<StatementCase> cases = {
        {"currency by number and name", currency + " and FNumber='USD' AND FName='美元'", 1, {{0, "FItemID", 2}}},
        {"currency by number in other letters", currency + " and FNumber='usd' AND FName='美元'", 1,
         {{0, "FItemID", 2}}},
        {"currency by UUID", currency + " and UUID='" + rmbUuid + "'", 1, {{0, "FItemID", 1}}},
        {"currency by a name that does not match", currency + " and FNumber='USD' AND FName='人民币'", 0},
        {"customer by UUID", item + "1 and UUID='" + customer.Uuid + "'", 1, {{0, "FItemID", customer.Id}}},
        {"customer by UUID in lower case", item + "1 and UUID='" + Lower(customer.Uuid) + "'", 1,
         {{0, "FItemID", customer.Id}}},
        {"customer by number and name", item + "1 and FNumber='" + customer.Number + "' AND FName='" +
                                            customer.Name + "'",
         1, {{0, "FItemID", customer.Id}}},
        {"customer number under the department class", item + "2 and FNumber='" + customer.Number +
                                                           "' AND FName='" + customer.Name + "'",
         0},
        {"department by number and name", item + "2 and FNumber='D01' AND FName='销售一部'", 1,
         {{0, "FItemID", Summary().Customers + 1}}},
        {"unit by number and name", unit + " and FNumber='KG' AND FName='千克'", 1, {{0, "FItemID", 2}}},
        {"unit by an empty UUID", unit + " and UUID=''", 0},
        {"contract by UUID", "Select FContractID From t_Rpcontract Where UUID='" + contract.Uuid + "'", 1,
         {{0, "FContractID", contract.Id}}},
        {"deleted contract by UUID", "Select FContractID From t_Rpcontract Where UUID='" +
                                         Summary().DeletedContractUuid + "'",
         0},
        {"contract by side and number", "Select FContractID from t_Rpcontract  Where FRP=1 AND FContractNo='" +
                                            contract.Number + "'",
         1, {{0, "FContractID", contract.Id}}},
        {"contract number on the other side", "Select FContractID from t_Rpcontract  Where FRP=0 AND FContractNo='" +
                                                  contract.Number + "'",
         0},
    };
    for (const auto& c : cases) Check(c);
}

TEST_F(ErpStatementsTest, DeletionKeyStatements) {
    const std::string page =
        "SELECT TOP 100 * FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=5 and FIfDelete=1  and "
        "(FTimeStamp>0x0000000000000000)";
    const std::vector<StatementCase> cases = {
        {"receive bill deletions", page, Summary().DeletedReceiveBills,
         {{-1, "FType", 5}, {-1, "FSystemFlag", 2}, {-1, "FIfDelete", 1}}},
        {"advance receipt deletions without limit", Replace(Replace(page, "SELECT TOP 100", "SELECT "), "FType=5",
                                                            "FType=15"),
         Summary().DeletedAdvanceReceipts, {{-1, "FType", 15}}},
        {"contract deletions", Replace(page, "FType=5", "FType=-1"), Summary().DeletedContracts, {{-1, "FType", -1}}},
        {"unknown type", Replace(page, "FType=5", "FType=0"), 0},
        {"bound statement", "SELECT MAX(u.FTimeStamp) FMT FROM ( " + page + ") u", 1},
        {"contract to delete", "SELECT FContractID,FRP FROM t_RPContract WHERE UUID='" +
                                   Summary().SampleContract.Uuid + "'",
         1, {{0, "FContractID", Summary().SampleContract.Id}, {0, "FRP", 1}}},
        {"receive bill to delete", "select FBillID,FRP from t_rp_newreceivebill WHERE UUID='" +
                                       Summary().SampleReceiveBill.Uuid + "'",
         1, {{0, "FBillID", Summary().SampleReceiveBill.Id}, {0, "FRP", 1}}},
        {"advance receipt to delete", "select FBillID,FRP from t_rp_newreceivebill WHERE UUID='" +
                                          Summary().SampleAdvanceReceipt.Uuid + "'",
         1, {{0, "FBillID", Summary().SampleAdvanceReceipt.Id}}},
        {"key without UUID", "select FBillID,FRP from t_rp_newreceivebill WHERE UUID=''", 0},
        {"bill deleted already", "select FBillID,FRP from t_rp_newreceivebill WHERE UUID='" +
                                     Summary().DeletedReceiveBillUuid + "'",
         0},
    };
    for (const auto& c : cases) Check(c);

    // The deleted bill's UUID is in the change log.
    auto logged = Query(page + " AND FChangedUUID='" + Summary().DeletedReceiveBillUuid + "'");
    EXPECT_EQ(logged->RecordCount(), 1);
}

// MAX over a row version column compares the bytes, first byte first, as
// SQL Server compares binary values, and answers a byte array.
TEST_F(ErpStatementsTest, MaxStatementsAnswerTheGreatestRowVersion) {
    const struct {
        std::string max;
        std::string rows;  // the rows the maximum is taken over
        std::string column;
    } cases[] = {
        {"SELECT MAX(FModifyTime) as FMT FROM t_RP_Contact WHERE FRP=1 and FType in(3,13) ",
         "SELECT FModifyTime FROM t_rp_contact WHERE FRP=1 AND FType IN (3,13)", "FModifyTime"},
        {"SELECT MAX(FModifyTime) as FMT FROM t_rp_newreceivebill WHERE FRP=1 and FPre=1",
         "SELECT FModifyTime FROM t_RP_NewReceiveBill WHERE FRP=1 AND FPre=1", "FModifyTime"},
        {"SELECT MAX(FModifyTime) as FMT FROM t_rpcontract WHERE FRP= 1",
         "SELECT FModifyTime FROM t_RPContract WHERE FRP=1", "FModifyTime"},
        {"SELECT MAX(FTimeStamp) as FMT FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=5 and FIfDelete=1  ",
         "SELECT FTimeStamp FROM COM_DataChange WHERE FSystemFlag=2 AND FType=5 AND FIfDelete=1", "FTimeStamp"},
        {"SELECT MAX(u.FTimeStamp) FMT FROM ( SELECT TOP 100 * FROM COM_DataChange  WHERE FSystemFlag=2  AND "
         "FType=5 and FIfDelete=1  and (FTimeStamp>0x0000000000000000)) u",
         "SELECT FTimeStamp FROM COM_DataChange WHERE FSystemFlag=2 AND FType=5 AND FIfDelete=1", "FTimeStamp"},
        {"SELECT MAX(u.FTimeStamp) FMT FROM ( SELECT TOP 2 * FROM COM_DataChange  WHERE FSystemFlag=2  AND "
         "FType=5 and FIfDelete=1  and (FTimeStamp>0x0000000000000000)) u",
         "SELECT TOP 2 * FROM COM_DataChange  WHERE FSystemFlag=2  AND FType=5 and FIfDelete=1  and "
         "(FTimeStamp>0x0000000000000000)",
         "FTimeStamp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.max);
        const auto values = Column(c.rows, c.column);
        ASSERT_FALSE(values.empty());
        Bytes greatest;
        for (const Variant& value : values) {
            ASSERT_EQ(value.AsBytes().size(), 8u);
            greatest = std::max(greatest, value.AsBytes());
        }
        const auto max = Column(c.max, "FMT");
        ASSERT_EQ(max.size(), 1u);
        EXPECT_EQ(max[0], Variant(greatest));
    }
    // Over no rows the maximum is null.
    const auto none = Column("SELECT MAX(FModifyTime) as FMT FROM t_rpcontract WHERE FRP= 5", "FMT");
    ASSERT_EQ(none.size(), 1u);
    EXPECT_TRUE(none[0].IsNull());
}

}  // namespace
}  // namespace ovardx::erp
