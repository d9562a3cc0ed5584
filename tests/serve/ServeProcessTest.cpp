// `ovardx serve` as a process of its own: it refuses a bad configuration at
// start, hashes keys, and stops gracefully on SIGTERM.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <future>
#include <thread>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "erp/DemoDatabase.h"
#include "erp/ErpComponents.h"
#include "tests/concurrency/ContractDocuments.h"
#include "tests/serve/ServeProcess.h"
#include "tests/serve/ServeTestSupport.h"
#include "tests/support/DemoDatabaseFixture.h"
#include "tools/ovardx/serve/KeyHash.h"

namespace ovardx::testing {
namespace {

using json = nlohmann::json;

class ServeProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        erp::RegisterErpComponents();
        database_ = folder_.Path() / "demo.db";
        erp::CreateDemoDatabase(database_);
        config_ = Write("serve.ini", TestConfigText(database_));
    }
    std::filesystem::path Write(const std::string& name, const std::string& text) const {
        const auto path = folder_.Path() / name;
        std::ofstream(path) << text;
        return path;
    }

    TemporaryFolder folder_;
    std::filesystem::path database_;
    std::filesystem::path config_;
};

TEST_F(ServeProcessTest, ABadConfigurationStopsTheStartWithItsLine) {
    const auto bad = Write("bad.ini", TestConfigText(database_) + "[serve]\nworkers = 4\n");
    const auto unknown = Write("unknown.ini", "[serve]\nlisen = 127.0.0.1:1\n");
    ToolChild twice({"serve", "--config", bad.string(), "--foreground"});
    EXPECT_EQ(twice.Wait(), 1);
    EXPECT_NE(twice.Output().find("section [serve] appears twice"), std::string::npos) << twice.Output();
    ToolChild misspelt({"serve", "--config", unknown.string(), "--foreground"});
    EXPECT_EQ(misspelt.Wait(), 1);
    EXPECT_NE(misspelt.Output().find(unknown.string() + ":2: unknown name 'lisen' in [serve]"),
              std::string::npos)
        << misspelt.Output();
    ToolChild check({"serve", "--config", config_.string(), "--check"});
    EXPECT_EQ(check.Wait(), 0) << check.Output();
    EXPECT_NE(check.Output().find("key 'user-18': ERP user 18 is refused by the access gate"),
              std::string::npos);
}

TEST_F(ServeProcessTest, HashKeyPrintsAHashOfTheKey) {
    const std::string key = serve::NewKey();
    ToolChild hash({"serve", "--hash-key", key});
    EXPECT_EQ(hash.Wait(), 0);
    std::string printed = hash.Output();
    printed.erase(printed.find_last_not_of('\n') + 1);
    EXPECT_TRUE(serve::KeyMatches(key, printed)) << printed;
    EXPECT_EQ(printed.find(key), std::string::npos);
    ToolChild tooShort({"serve", "--hash-key", "secret"});
    EXPECT_EQ(tooShort.Wait(), 2);
    EXPECT_NE(tooShort.Output().find("32 to 256 characters"), std::string::npos);
}

TEST_F(ServeProcessTest, SigtermLetsTheRequestInFlightFinish) {
    ToolChild server({"serve", "--config", config_.string(), "--foreground"});
    const int port = server.WaitForPort();
    const std::string document =
        NewContractsDocument(PropsFor(database_, erp::kWebServiceUserId), Numbers("HT-SIGTERM", 2));

    ImportInFlight slow(port, erp::kWebServiceUserId, document,
                        [] { std::this_thread::sleep_for(std::chrono::milliseconds(500)); });
    slow.WaitUntilHalfSent();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(::kill(server.Pid(), SIGTERM), 0);
    server.WaitFor("shutting down on SIGTERM");
    // A new request is refused: no connection, or 503 while the socket closes.
    const auto late = httplib::Client("127.0.0.1", port).Get("/v1/health");
    if (late) {
        EXPECT_EQ(late->status, 503);
    }
    const httplib::Result finished = slow.Answer();
    ASSERT_TRUE(finished) << httplib::to_string(finished.error());
    EXPECT_EQ(finished->status, 200) << finished->body;
    EXPECT_EQ(json::parse(finished->body)["saved"], 2);
    EXPECT_EQ(server.Wait(), 0);
    const std::string log = server.Output();
    EXPECT_NE(log.find("access 127.0.0.1 user-17 POST /v1/contracts 200 "), std::string::npos) << log;
    EXPECT_NE(log.find("stopped"), std::string::npos) << log;
}

}  // namespace
}  // namespace ovardx::testing
