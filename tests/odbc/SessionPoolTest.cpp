// Logins per call: the session pool lets a steady export pay one login in
// all, where every connection of every call would log in without it.

#include <gtest/gtest.h>

#include <iostream>

#include "erp/DemoDatabase.h"
#include "odbc_backend/OdbcSession.h"
#include "registry/LibrarySettings.h"
#include "tests/odbc/ExportKinds.h"
#include "tests/odbc/OdbcTestDriver.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {
namespace {

class SessionPoolTest : public DemoDatabaseSuite {
protected:
    static void SetUpTestSuite() {
        RegisterSqliteOdbcDriver();
        DemoDatabaseSuite::SetUpTestSuite();
    }
    void SetUp() override { saved_ = ThreadSettings(); }
    void TearDown() override { SetThreadSettings(saved_); }

    // Logins paid by `calls` plan exports, each paging from the start.
    std::uint64_t LoginsFor(int calls, int idleSeconds) {
        LibrarySettings settings = saved_;
        settings.odbcPoolIdleSeconds = idleSeconds;
        SetThreadSettings(settings);
        // A connection string of its own, so no earlier test's sessions count.
        const std::string connectString = "ConnectString={" + OdbcConnectString(DatabasePath()) +
                                          ";Timeout=" + std::to_string(5000 + idleSeconds) + "}";
        const std::string propsOwn = connectString + ";UserID=" + std::to_string(erp::kWebServiceUserId) +
                                     ";Setuptype=standard;Language=chs";
        const std::uint64_t before = odbc::LoginCount();
        for (int call = 0; call < calls; ++call) {
            const Page page = ExportKinds().front().call(propsOwn, 50, "");
            EXPECT_TRUE(page.answered) << page.error;
        }
        return odbc::LoginCount() - before;
    }

    LibrarySettings saved_;
};

TEST_F(SessionPoolTest, ASteadyExportPaysNoLoginPerCallAfterTheFirst) {
    constexpr int kCalls = 10;
    const std::uint64_t pooled = LoginsFor(kCalls, 60);
    const std::uint64_t unpooled = LoginsFor(kCalls, 0);
    std::cout << "logins for " << kCalls << " plan exports: " << pooled << " pooled, " << unpooled
              << " without pooling (" << static_cast<double>(unpooled) / kCalls << " per call)\n";
    EXPECT_EQ(pooled, 1u);
    // The gate's probes and the export's own connection each log in.
    EXPECT_GE(unpooled, 2u * kCalls);
}

}  // namespace
}  // namespace ovardx::testing
