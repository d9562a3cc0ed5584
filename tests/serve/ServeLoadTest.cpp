// Many clients at once over HTTP: sixteen clients paging and importing on
// one database with eight workers, and a shutdown while a request is in
// flight.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "erp/DemoDatabase.h"
#include "erp/ErpComponents.h"
#include "ovardx/clsArapPlan.h"
#include "ovardx/clsReceiveBill.h"
#include "sqlite_backend/SqliteHandle.h"
#include "tests/concurrency/ContractDocuments.h"
#include "tests/serve/ServeTestSupport.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {
namespace {

using json = nlohmann::json;
constexpr const char* kZero = "0x0000000000000000";

class ServeLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        erp::RegisterErpComponents();
        path_ = folder_.Path() / "demo.db";
        erp::CreateDemoDatabase(path_);
        props_ = PropsFor(path_, erp::kWebServiceUserId, "eng");
    }
    std::int64_t Count(const std::string& sql) const {
        sqlite::Database db = sqlite::Database::Open(path_.string(), sqlite::OpenMode::ReadOnly);
        sqlite::Statement statement(db, sql);
        statement.Step();
        return statement.ColumnInt64(0);
    }

    TemporaryFolder folder_;
    std::filesystem::path path_;
    std::string props_;
};

// What every client saw that it should not have; reported by the test's thread.
class Faults {
public:
    void Add(std::string fault) {
        std::lock_guard lock(mutex_);
        faults_.push_back(std::move(fault));
    }
    std::vector<std::string> All() {
        std::lock_guard lock(mutex_);
        return faults_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> faults_;
};

std::vector<std::string> ContractNumbers(const std::string& xml) {
    static const std::regex kNumber("<ContractNo>([^<]*)</ContractNo>");
    std::vector<std::string> numbers;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), kNumber); it != std::sregex_iterator(); ++it)
        numbers.push_back((*it)[1]);
    return numbers;
}

TEST_F(ServeLoadTest, SixteenClientsPageWhileImportsRunAndNothingIsLostOrSavedTwice) {
    constexpr int kPer = 10;
    // Imports touch contracts only: plan and bill pages must stay the library's.
    std::vector<std::string> planPages, billPages;
    for (std::string bound;;) {
        clsArapPlan plan;
        std::string props = props_, xml, max, error;
        ASSERT_TRUE(plan.Export(props, xml, kPer, bound, max, error)) << error;
        planPages.push_back(xml);
        if (bound == kZero) break;
    }
    for (std::string bound;;) {
        clsReceiveBill bills;
        std::string props = props_, xml, max, error;
        ASSERT_TRUE(bills.Export(props, xml, 0, kPer, bound, max, error)) << error;
        billPages.push_back(xml);
        if (bound == kZero) break;
    }
    const std::int64_t contractsBefore = Count("SELECT COUNT(*) FROM t_RPContract WHERE FRP=1 AND FSystemType=1");

    // Four importers with overlapping windows of 24 new numbers.
    const std::vector<std::string> numbers = Numbers("HT-LOAD", 24);
    std::vector<std::string> documents;
    for (int i = 0; i < 4; ++i)
        documents.push_back(NewContractsDocument(
            props_, std::vector<std::string>(numbers.begin() + 4 * i, numbers.begin() + 4 * i + 12)));

    RunningService service(TestConfig(path_));
    ASSERT_EQ(service.Config().workers, 8);
    Faults faults;
    std::mutex countsMutex;
    int saved = 0, skipped = 0;

    const auto pageThrough = [&](const std::string& path, httplib::Params fixed, const std::vector<std::string>* pages,
                                 std::vector<std::string>* seenContracts) {
        auto client = service.Client();
        std::string bound;
        for (std::size_t page = 0; page < 1000; ++page) {
            httplib::Params params = fixed;
            params.emplace("per-count", std::to_string(kPer));
            if (!bound.empty()) params.emplace("timestamp", bound);
            const auto result = client.Get(path, params, BearerOf(erp::kWebServiceUserId));
            if (!result || result->status != 200)
                return faults.Add(path + ": " + (result ? result->body : httplib::to_string(result.error())));
            if (pages != nullptr && (page >= pages->size() || result->body != (*pages)[page]))
                return faults.Add(path + ": page " + std::to_string(page + 1) + " is not the library's");
            if (seenContracts != nullptr)
                for (std::string& number : ContractNumbers(result->body)) seenContracts->push_back(std::move(number));
            bound = result->get_header_value("Ovardx-TimeStamp");
            if (bound == kZero) return;
        }
        faults.Add(path + ": paging did not end");
    };

    std::vector<std::thread> clients;
    for (int i = 0; i < 4; ++i)
        clients.emplace_back([&, i] {
            auto client = service.Client();
            for (int attempt = 0; attempt < 200; ++attempt) {
                const auto result = client.Post("/v1/contracts?add-new-only=1", BearerOf(erp::kWebServiceUserId),
                                                documents[i], "application/xml");
                if (result && result->status == 503) {  // every import slot taken: come back
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    continue;
                }
                if (!result || result->status != 200)
                    return faults.Add("import: " + (result ? result->body : httplib::to_string(result.error())));
                const json answer = json::parse(result->body);
                std::lock_guard lock(countsMutex);
                saved += answer["saved"].get<int>();
                skipped += answer["skipped"].get<int>();
                return;
            }
            faults.Add("import: never got a slot");
        });
    for (int i = 0; i < 6; ++i) clients.emplace_back([&] { pageThrough("/v1/plan", {}, &planPages, nullptr); });
    for (int i = 0; i < 4; ++i)
        clients.emplace_back([&] { pageThrough("/v1/bills", {{"pre", "0"}}, &billPages, nullptr); });
    std::vector<std::vector<std::string>> contractPasses(2);
    for (auto& pass : contractPasses) clients.emplace_back([&] { pageThrough("/v1/contracts", {}, nullptr, &pass); });
    ASSERT_EQ(clients.size(), 16u);
    for (std::thread& client : clients) client.join();

    const std::vector<std::string> all = faults.All();
    EXPECT_TRUE(all.empty()) << all.size() << " faults, the first: " << all.front();
    EXPECT_EQ(saved, 24) << "each new number saved exactly once";
    EXPECT_EQ(saved + skipped, 48);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract WHERE FContractNo LIKE 'HT-LOAD-%'"), 24);
    EXPECT_EQ(Count("SELECT COUNT(DISTINCT FContractNo) FROM t_RPContract WHERE FContractNo LIKE 'HT-LOAD-%'"), 24);
    for (const auto& pass : contractPasses) {
        const std::set<std::string> distinct(pass.begin(), pass.end());
        EXPECT_EQ(distinct.size(), pass.size()) << "a contract came twice in one pass";
        EXPECT_GE(static_cast<std::int64_t>(pass.size()), contractsBefore) << "a contract was lost";
    }
}

TEST_F(ServeLoadTest, StopFinishesRequestsInFlightAndRefusesNewOnes) {
    RunningService service(TestConfig(path_));
    const std::string document = NewContractsDocument(props_, Numbers("HT-STOP", 3));
    auto keepAlive = service.Client();
    keepAlive.set_keep_alive(true);
    const auto before = keepAlive.Get("/v1/health");
    ASSERT_TRUE(before);
    ASSERT_EQ(before->status, 200);

    // An import whose body is still arriving when the service is told to stop.
    ImportInFlight slow(service.Port(), erp::kWebServiceUserId, document,
                        [] { std::this_thread::sleep_for(std::chrono::milliseconds(400)); });
    slow.WaitUntilHalfSent();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::thread stopper([&] { service.Stop(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    const auto late = service.Client().Get("/v1/health");
    if (late) {
        EXPECT_EQ(late->status, 503) << "a new request was served while stopping";
    }
    const auto onOpenConnection = keepAlive.Get("/v1/health");
    if (onOpenConnection) {
        EXPECT_EQ(onOpenConnection->status, 503);
    }
    const httplib::Result finished = slow.Answer();
    stopper.join();
    ASSERT_TRUE(finished) << httplib::to_string(finished.error());
    EXPECT_EQ(finished->status, 200) << finished->body;
    EXPECT_EQ(json::parse(finished->body)["saved"], 3);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract WHERE FContractNo LIKE 'HT-STOP-%'"), 3);
}

TEST_F(ServeLoadTest, ImportsBeyondTheLimitAreAnswered503AndNotRun) {
    serve::ServeConfig config = TestConfig(path_);
    config.maxImports = 1;
    RunningService service(config);
    const std::string document = NewContractsDocument(props_, Numbers("HT-LIMIT", 1));

    std::promise<void> goOn;
    std::shared_future<void> goOnSeen = goOn.get_future().share();
    ImportInFlight first(service.Port(), erp::kWebServiceUserId, document, [goOnSeen] { goOnSeen.wait(); });
    first.WaitUntilHalfSent();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto second = service.Client().Post("/v1/contracts", BearerOf(erp::kWebServiceUserId), document,
                                              "application/xml");
    // Exports are not held up by the running import.
    const auto page = service.Client().Get("/v1/plan", {{"per-count", "1"}}, BearerOf(erp::kWebServiceUserId));
    goOn.set_value();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->status, 503);
    EXPECT_EQ(second->get_header_value("Retry-After"), "1");
    EXPECT_EQ(json::parse(second->body)["error"], "unavailable");
    const httplib::Result finished = first.Answer();
    ASSERT_TRUE(finished);
    EXPECT_EQ(finished->status, 200) << finished->body;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract WHERE FContractNo LIKE 'HT-LIMIT-%'"), 1);
}

}  // namespace
}  // namespace ovardx::testing
