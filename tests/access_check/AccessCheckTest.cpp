#include "session/AccessCheck.h"

#include <gtest/gtest.h>

#include "erp/DemoData.h"
#include "ovardx/ComponentRegistry.h"
#include "sqlite_backend/SqliteConnection.h"
#include "tests/support/DemoDatabaseFixture.h"
#include "tests/support/RecordingConnection.h"

namespace ovardx::testing {
namespace {

constexpr const char* kRefusalChs = "当前连接用户没有授权通过 WebServices 进行数据处理!";

class AccessCheckTest : public DemoDatabaseSuite {};

TEST_F(AccessCheckTest, AdmitsAdministratorsAndWebServiceUsersOnly) {
    struct Case {
        std::string userId;
        bool admitted;
    } cases[] = {
        {std::to_string(erp::kAdministratorUserId), true},
        {std::to_string(erp::kWebServiceUserId), true},
        {std::to_string(erp::kForbiddenAdministratorId), false},
        {std::to_string(erp::kPlainUserId), false},
        {"4711", false},   // no row in t_User
        {"abc", false},    // not a number
        {"40000", false},  // outside the 16-bit range
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("UserID=" + c.userId);
        const std::string props = "ConnectString={Provider=SQLite;Data Source=" + DatabasePath().string() +
                                  "};UserID=" + c.userId + ";Setuptype=standard";
        std::string error = "untouched";
        EXPECT_EQ(AuthorizeSession(props, error), c.admitted);
        EXPECT_EQ(error, c.admitted ? "untouched" : kRefusalChs);
    }
}

// Only the user's first access-control row of object type 16 counts, and a
// null mask holds no right.
TEST_F(AccessCheckTest, TheFirstAccessRowDecidesAndANullMaskRefuses) {
    sqlite::SqliteConnection writer(sqlite::SqliteConnection::Policy::Scripts);
    writer.ConnString("Provider=SQLite;Data Source=" + DatabasePath().string());
    std::string sql =
        "INSERT INTO t_User (FUserID, FName, FForbidden) VALUES (30, 'NullFirst', 0), (31, 'BitFirst', 0),"
        " (32, 'OnlyNull', 0);"
        "INSERT INTO t_AccessControl (FObjectType, FUserID, FAccessMask) VALUES"
        " (16, 30, NULL), (16, 30, 1048576), (16, 31, 3145728), (16, 31, 0), (16, 32, NULL);";
    writer.GetAnyRecordSet(sql);
    writer.CloseConn();
    const struct {
        int userId;
        bool admitted;
    } cases[] = {{30, false}, {31, true}, {32, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.userId);
        std::string error = "untouched";
        EXPECT_EQ(AuthorizeSession(PropsFor(DatabasePath(), c.userId), error), c.admitted);
        EXPECT_EQ(error, c.admitted ? "untouched" : kRefusalChs);
    }
}

// The gate's rows kept between calls are read again once anything was
// committed: a right granted or taken counts from the next call.
TEST_F(AccessCheckTest, ARightGrantedOrTakenCountsFromTheNextCall) {
    sqlite::SqliteConnection writer(sqlite::SqliteConnection::Policy::Scripts);
    writer.ConnString("Provider=SQLite;Data Source=" + DatabasePath().string());
    const auto run = [&](std::string sql) {
        writer.GetAnyRecordSet(sql);
        writer.CloseConn();
    };
    run("INSERT INTO t_User (FUserID, FName, FForbidden) VALUES (40, 'Later', 0)");
    const std::string props = PropsFor(DatabasePath(), 40);
    std::string error;
    EXPECT_FALSE(AuthorizeSession(props, error));
    EXPECT_FALSE(AuthorizeSession(props, error));
    run("INSERT INTO t_AccessControl (FObjectType, FUserID, FAccessMask) VALUES (16, 40, 1048576)");
    EXPECT_TRUE(AuthorizeSession(props, error));
    run("UPDATE t_AccessControl SET FAccessMask=0 WHERE FUserID=40");
    EXPECT_FALSE(AuthorizeSession(props, error));
    run("UPDATE t_User SET FForbidden=1 WHERE FUserID=40; UPDATE t_AccessControl SET FAccessMask=1048576 WHERE FUserID=40");
    EXPECT_FALSE(AuthorizeSession(props, error));
}

TEST_F(AccessCheckTest, MissingUserIdIsRefusedLikeAnUnknownUser) {
    std::string error;
    EXPECT_FALSE(AuthorizeSession(
        "ConnectString={Provider=SQLite;Data Source=" + DatabasePath().string() + "};Setuptype=x", error));
    EXPECT_EQ(error, kRefusalChs);
}

TEST_F(AccessCheckTest, RefusalIsLocalizedInTheStringsLanguage) {
    std::string error;
    EXPECT_FALSE(AuthorizeSession(PropsFor(DatabasePath(), erp::kPlainUserId, "eng"), error));
    EXPECT_NE(error, kRefusalChs);
    EXPECT_FALSE(error.empty());
}

TEST_F(AccessCheckTest, RunsTheStatementsAsTheServerReceivesThem) {
    RecordingScope recording;
    std::string error;
    ASSERT_TRUE(AuthorizeSession(PropsFor(DatabasePath(), erp::kAdministratorUserId), error)) << error;
    const std::vector<std::string> expected = {
        "SELECT FValue FROM T_SYSTEMPROFILE WHERE FCategory='Base' AND FKey='ServicePack'",
        "SELECT FUserID, FName, FForbidden FROM t_User WHERE FUserID=16",
        "SELECT t_User.FUserID FROM t_Group, t_User WHERE t_Group.FUserID = t_User.FUserID AND "
        "t_User.FUserID = 16AND t_Group.FGroupID = 1",
        "SELECT FUserID, FName, FForbidden FROM t_User WHERE FUserID=16",
        "SELECT * FROM t_AccessControl WHERE  FObjectType=16 AND FUserID=16",
    };
    EXPECT_EQ(recording.Statements(), expected);
    EXPECT_EQ(recording.Log().closeCalls, 0);  // the checks release their connections without closing
}

TEST_F(AccessCheckTest, ForbiddenUserIsLookedUpAsMinusOne) {
    RecordingScope recording;
    std::string error;
    EXPECT_FALSE(AuthorizeSession(PropsFor(DatabasePath(), erp::kForbiddenAdministratorId), error));
    EXPECT_EQ(recording.Statements().back(), "SELECT * FROM t_AccessControl WHERE  FObjectType=16 AND FUserID=-1");
    EXPECT_NE(recording.Statements()[2].find("t_User.FUserID = -1AND t_Group"), std::string::npos);
}

TEST_F(AccessCheckTest, UnreachableDatabaseGivesTheErrorTextInChinese) {
    std::string error;
    EXPECT_FALSE(AuthorizeSession(PropsFor("/nonexistent/erp.db", erp::kAdministratorUserId, "eng"), error));
    EXPECT_EQ(error.rfind("错误号:", 0), 0u) << error;  // the probe fails before the language is read
    EXPECT_NE(error.find("\r\n错误源:"), std::string::npos);
    EXPECT_NE(error.find("\r\n错误描述:"), std::string::npos);
}

TEST_F(AccessCheckTest, FailingAccessTestReachesTheGateButFailingGroupTestDoesNot) {
    RecordingScope recording;
    std::string error;
    recording.Log().failAt = 2;  // the administrators-group test: swallowed, the user still passes the access test
    EXPECT_TRUE(AuthorizeSession(PropsFor(DatabasePath(), erp::kWebServiceUserId), error)) << error;

    recording.Clear();
    recording.Log().failAt = 4;  // the access test: its error is the gate's answer
    error.clear();
    EXPECT_FALSE(AuthorizeSession(PropsFor(DatabasePath(), erp::kAdministratorUserId), error));
    EXPECT_NE(error.find(std::to_string(kInjectedFault)), std::string::npos) << error;
    EXPECT_NE(error.find(kInjectedFaultSource), std::string::npos);
}

}  // namespace
}  // namespace ovardx::testing
