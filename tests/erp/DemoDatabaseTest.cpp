// The demo database: deterministic, refuses to overwrite, holds what its
// summary says, and carries the users the access checks tell apart.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "erp/DemoDatabase.h"
#include "ovardx/DatabaseConnection.h"
#include "ovardx/Error.h"
#include "sqlite_backend/SqliteConnection.h"
#include "tests/erp/ConnectionFor.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::erp {
namespace {

using ::ovardx::testing::TemporaryFolder;

std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::shared_ptr<Recordset> Query(const std::filesystem::path& file, std::string sql) {
    const std::shared_ptr<DatabaseConnection> connection = sqlite::CreateSqliteConnection();
    connection->ConnString(testing::ConnectStringFor(file));
    return connection->GetAnyRecordSet(sql);
}

std::int64_t Count(const std::filesystem::path& file, const std::string& sql) {
    return Query(file, sql)->Item(0).Value.ToInt64();
}

TEST(DemoDatabaseFileTest, SameSeedGivesTheSameBytes) {
    TemporaryFolder folder;
    const auto a = folder.Path() / "a.db", b = folder.Path() / "b.db", c = folder.Path() / "c.db";
    CreateDemoDatabase(a, 1, 7);
    CreateDemoDatabase(b, 1, 7);
    CreateDemoDatabase(c, 1, 8);
    const std::string bytes = FileBytes(a);
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(bytes, FileBytes(b));
    EXPECT_NE(bytes, FileBytes(c));
}

TEST(DemoDatabaseFileTest, RefusesToReplaceAFileUnlessAsked) {
    TemporaryFolder folder;
    const auto file = folder.Path() / "demo.db";
    CreateDemoDatabase(file, 1, 1);
    const std::string before = FileBytes(file);
    try {
        CreateDemoDatabase(file, 1, 2);
        FAIL() << "an existing file was replaced";
    } catch (const Error& error) {
        EXPECT_EQ(error.record().Number, 58);
        EXPECT_NE(error.record().Description.find(file.string()), std::string::npos);
    }
    EXPECT_EQ(FileBytes(file), before);

    CreateDemoDatabase(file, 1, 2, true);
    EXPECT_NE(FileBytes(file), before);
}

TEST(DemoDatabaseFileTest, FailureLeavesNoFile) {
    TemporaryFolder folder;
    const auto file = folder.Path() / "demo.db";
    EXPECT_THROW(CreateDemoDatabase(file, 0, 1), Error);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_THROW(CreateDemoDatabase(folder.Path() / "missing" / "demo.db", 1, 1), Error);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "missing" / "demo.db"));
}

TEST(DemoDatabaseFileTest, ScaleHundredHoldsOverAHundredThousandPlanRows) {
    TemporaryFolder folder;
    const auto file = folder.Path() / "big.db";
    const DemoSummary summary = CreateDemoDatabase(file, 100, 1);
    EXPECT_GE(summary.PlanRows, 100000);
    EXPECT_EQ(Count(file, "SELECT (SELECT COUNT(*) FROM t_rp_plan_ar) + (SELECT COUNT(*) FROM t_Rp_plan_ap)"),
              summary.PlanRows);
}

// The scale-1, seed-1 demo database of the suite.
class DemoDatabaseTest : public ::ovardx::testing::DemoDatabaseSuite {};

TEST_F(DemoDatabaseTest, SummaryCountsWhatTheDatabaseHolds) {
    const struct {
        const char* sql;
        std::int64_t expected;
    } cases[] = {
        {"SELECT COUNT(*) FROM t_item WHERE FItemClassID=1", Summary().Customers},
        {"SELECT COUNT(*) FROM t_item WHERE FItemClassID=2", Summary().Departments},
        {"SELECT COUNT(*) FROM t_item WHERE FItemClassID=3", Summary().Employees},
        {"SELECT COUNT(*) FROM t_item WHERE FItemClassID=4", Summary().Products},
        {"SELECT COUNT(*) FROM t_Currency", Summary().Currencies},
        {"SELECT COUNT(*) FROM t_measureunit", Summary().Units},
        {"SELECT COUNT(*) FROM t_rp_contact", Summary().PlanHeaders},
        {"SELECT COUNT(*) FROM t_rp_contact WHERE FRP=1 AND FType IN (3,13)", Summary().ExportablePlanHeaders},
        {"SELECT (SELECT COUNT(*) FROM t_rp_plan_ar) + (SELECT COUNT(*) FROM t_Rp_plan_ap)", Summary().PlanRows},
        {"SELECT COUNT(*) FROM t_RPContract", Summary().Contracts},
        {"SELECT COUNT(*) FROM t_RPContract WHERE FRP=1 AND FSystemType=1", Summary().ExportableContracts},
        {"SELECT COUNT(*) FROM t_rpcontractentry", Summary().ContractEntries},
        {"SELECT COUNT(*) FROM t_rpcontractscheme", Summary().ContractSchemes},
        {"SELECT COUNT(*) FROM t_RP_NewReceiveBill WHERE FPre=0", Summary().ReceiveBills},
        {"SELECT COUNT(*) FROM t_RP_NewReceiveBill WHERE FPre=1", Summary().AdvanceReceipts},
        {"SELECT COUNT(*) FROM COM_DataChange WHERE FSystemFlag=2 AND FIfDelete=1 AND FType=-1",
         Summary().DeletedContracts},
        {"SELECT COUNT(*) FROM COM_DataChange WHERE FSystemFlag=2 AND FIfDelete=1 AND FType=5",
         Summary().DeletedReceiveBills},
        {"SELECT COUNT(*) FROM COM_DataChange WHERE FSystemFlag=2 AND FIfDelete=1 AND FType=15",
         Summary().DeletedAdvanceReceipts},
    };
    for (const auto& c : cases) EXPECT_EQ(Count(DatabasePath(), c.sql), c.expected) << c.sql;

    // Small but not trivial: what the exports and their edge cases need.
    EXPECT_GE(Summary().PlanRows, 300);
    EXPECT_LT(Summary().PlanRows, 1000);
    EXPECT_LT(Summary().ExportablePlanRows, Summary().PlanRows);
    EXPECT_GE(Summary().DeletedContracts, 2);
    EXPECT_GE(Summary().DeletedReceiveBills, 2);
    EXPECT_GE(Summary().DeletedAdvanceReceipts, 2);
    EXPECT_GT(Summary().SampleContract.Id, 0);
    EXPECT_GT(Summary().SampleReceiveBill.Id, 0);
    EXPECT_GT(Summary().SampleAdvanceReceipt.Id, 0);
}

TEST_F(DemoDatabaseTest, EveryRowWithAUuidColumnHasItsOwnUuid) {
    for (const char* table : {"t_item", "t_Currency", "t_measureunit", "t_RPContract", "t_RP_NewReceiveBill"}) {
        SCOPED_TRACE(table);
        const std::string from = std::string(" FROM ") + table;
        EXPECT_EQ(Count(DatabasePath(), "SELECT COUNT(*)" + from + " WHERE UUID IS NULL OR LEN(UUID) <> 36"), 0);
        EXPECT_EQ(Count(DatabasePath(), "SELECT COUNT(DISTINCT UUID)" + from), Count(DatabasePath(), "SELECT COUNT(*)" + from));
    }
}

// The three checks of the access gate, evaluated on each demo user: the
// user lookup (a forbidden user counts as none), the administrators group,
// and the first web-service row's bit 20.
TEST_F(DemoDatabaseTest, UsersPassOrFailTheAccessChecks) {
    const struct {
        int user;
        bool administrator, webService;
    } cases[] = {
        {kAdministratorUserId, true, false},
        {kWebServiceUserId, false, true},
        {kForbiddenAdministratorId, false, false},
        {kPlainUserId, false, false},
        {kFirstClerkUserId, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.user);
        auto user = Query(DatabasePath(), "SELECT FUserID, FName, FForbidden FROM t_User WHERE FUserID=" + std::to_string(c.user));
        ASSERT_EQ(user->RecordCount(), 1);
        const std::int64_t active = user->Value("FForbidden").ToInt64() == 0 ? user->Value("FUserID").ToInt64() : -1;
        const bool administrator =
            Query(DatabasePath(), "SELECT t_User.FUserID FROM t_Group, t_User WHERE t_Group.FUserID = t_User.FUserID "
                       "AND t_User.FUserID = " + std::to_string(active) + "AND t_Group.FGroupID = 1")
                ->RecordCount() > 0;
        auto access = Query(DatabasePath(), "SELECT * FROM t_AccessControl WHERE  FObjectType=16 AND FUserID=" +
                                     std::to_string(active));
        const bool webService =
            !access->Eof() && (access->Value("FAccessMask").ToInt64() & 0x00100000) == 0x00100000;
        EXPECT_EQ(administrator, c.administrator);
        EXPECT_EQ(webService, c.webService);
    }
}

}  // namespace
}  // namespace ovardx::erp
