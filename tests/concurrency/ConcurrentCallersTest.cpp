// Eight threads of one program, each with its own objects, exporting and
// importing on one database file at once: every call succeeds, nothing is
// lost and nothing is saved twice. Runs under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "components/BuiltInComponents.h"
#include "erp/DemoDatabase.h"
#include "erp/ErpComponents.h"
#include "ovardx/clsArapPlan.h"
#include "ovardx/clsContract.h"
#include "ovardx/clsDataKey.h"
#include "ovardx/clsReceiveBill.h"
#include "sqlite_backend/SqliteHandle.h"
#include "tests/concurrency/ContractDocuments.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {
namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 3;
constexpr const char* kZero = "0x0000000000000000";

class ConcurrentCallersTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureBuiltInComponents();
        erp::RegisterErpComponents();
        path_ = folder_.Path() / "demo.db";
        erp::CreateDemoDatabase(path_);
        props_ = PropsFor(path_, erp::kWebServiceUserId);
    }

    std::vector<std::string> Texts(const std::string& sql) const {
        sqlite::Database db = sqlite::Database::Open(path_.string(), sqlite::OpenMode::ReadOnly);
        sqlite::Statement statement(db, sql);
        std::vector<std::string> texts;
        while (statement.Step()) texts.push_back(statement.ColumnText(0));
        return texts;
    }
    std::int64_t Count(const std::string& sql) const { return std::stoll(Texts(sql).at(0)); }

    TemporaryFolder folder_;
    std::filesystem::path path_;
    std::string props_;
};

// The failures of all threads, reported by the test's own thread.
class Failures {
public:
    void Check(bool ok, const std::string& what, const std::string& error) {
        std::lock_guard lock(mutex_);
        ++calls_;
        if (!ok) failures_.push_back(what + ": " + error);
    }
    std::vector<std::string> failures_;
    int calls_ = 0;

private:
    std::mutex mutex_;
};

std::string DeleteDocument(const std::vector<std::string>& uuids) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Delete>";
    for (const std::string& uuid : uuids) xml += "<Record><Remark>收款单</Remark><UUID>" + uuid + "</UUID></Record>";
    return xml + "</Delete>";
}

TEST_F(ConcurrentCallersTest, MixedExportsAndImportsFromEightThreadsAllSucceed) {
    const std::vector<std::string> numbers = Numbers("HT-THREAD", 20);
    const std::string contracts = NewContractsDocument(props_, numbers);
    // Each thread deletes receive bills of its own.
    const std::vector<std::string> bills =
        Texts("SELECT UUID FROM t_RP_NewReceiveBill WHERE FRP=1 AND FPre=0 ORDER BY FBillID LIMIT 16");
    ASSERT_EQ(bills.size(), 16u);
    const std::int64_t loggedBefore = Count("SELECT COUNT(*) FROM COM_DataChange WHERE FType=5");

    Failures failures;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            clsArapPlan plan;
            clsReceiveBill bill;
            clsContract contract;
            clsDataKey keys;
            contract.AddNewOnly(t % 2 == 0);  // half skip what exists, half update it
            std::string props = props_;
            std::string planBound, billBound, contractBound, keyBound;
            for (int round = 0; round < kRounds; ++round) {
                std::string xml, max, error;
                failures.Check(plan.Export(props, xml, 25, planBound, max, error), "plan export", error);
                if (planBound == kZero) planBound.clear();
                failures.Check(bill.Export(props, xml, static_cast<std::int16_t>(t % 2), 10, billBound, max, error),
                               "bill export", error);
                failures.Check(contract.Export(props, xml, 1, 5, contractBound, max, error), "contract export", error);
                failures.Check(contract.Import(props, contracts, error), "contract import", error);
                failures.Check(keys.ExportXMLDataKey(props, 1, xml, 10, keyBound, max, error), "deletion export", error);
                if (round == 0) {
                    const std::vector<std::string> mine{bills[2 * t], bills[2 * t + 1]};
                    failures.Check(keys.ImportXMLDataKey(props, 1, DeleteDocument(mine), error), "deletion import",
                                   error);
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    EXPECT_EQ(failures.calls_, kThreads * (kRounds * 5 + 1));
    EXPECT_TRUE(failures.failures_.empty()) << failures.failures_.size() << " failed, the first: "
                                            << failures.failures_.front();
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract WHERE FContractNo LIKE 'HT-THREAD-%'"), 20);
    EXPECT_EQ(Count("SELECT COUNT(DISTINCT FContractNo) FROM t_RPContract WHERE FContractNo LIKE 'HT-THREAD-%'"), 20);
    std::string deleted;
    for (const std::string& uuid : bills) deleted += (deleted.empty() ? "'" : ",'") + uuid + "'";
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RP_NewReceiveBill WHERE UUID IN (" + deleted + ")"), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM COM_DataChange WHERE FType=5 AND FChangedUUID IN (" + deleted + ")"), 16);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM COM_DataChange WHERE FType=5"), loggedBefore + 16);
}

}  // namespace
}  // namespace ovardx::testing
