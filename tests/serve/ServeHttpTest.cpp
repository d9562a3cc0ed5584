// The web service over HTTP on 127.0.0.1, against the demo database: who
// may call it, what a request can and cannot choose, what each endpoint
// answers, and that a page over HTTP is the library's page byte for byte.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "erp/DemoData.h"
#include "erp/ErpComponents.h"
#include "ovardx/clsArapPlan.h"
#include "ovardx/clsContract.h"
#include "ovardx/clsDataKey.h"
#include "ovardx/clsReceiveBill.h"
#include "sqlite_backend/SqliteHandle.h"
#include "tests/concurrency/ContractDocuments.h"
#include "tests/serve/SelfSignedCertificate.h"
#include "tests/serve/ServeTestSupport.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {
namespace {

using json = nlohmann::json;
constexpr const char* kZero = "0x0000000000000000";
constexpr const char* kRefusal = "The current user is not authorized to process data through WebServices!";

class ServeHttpTest : public DemoDatabaseSuite {
protected:
    static void SetUpTestSuite() {
        DemoDatabaseSuite::SetUpTestSuite();
        erp::RegisterErpComponents();
        service_ = std::make_unique<RunningService>(TestConfig(DatabasePath()));
    }
    static void TearDownTestSuite() {
        service_.reset();
        DemoDatabaseSuite::TearDownTestSuite();
    }

    static httplib::Result Get(const std::string& path, const httplib::Params& params, int user) {
        return service_->Client().Get(path, params, BearerOf(user));
    }
    static httplib::Result Post(const std::string& path, const std::string& body, int user) {
        return service_->Client().Post(path, BearerOf(user), body, "application/xml");
    }
    static std::string LibraryProps(int user) { return PropsFor(DatabasePath(), user, "eng"); }
    static std::int64_t Count(const std::string& sql) {
        sqlite::Database db = sqlite::Database::Open(DatabasePath().string(), sqlite::OpenMode::ReadOnly);
        sqlite::Statement statement(db, sql);
        statement.Step();
        return statement.ColumnInt64(0);
    }
    // The access log's lines appear once the answer is out: wait for one.
    static bool LogShows(const std::string& text) {
        for (int i = 0; i < 200; ++i) {
            if (service_->Log().Text().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    static std::unique_ptr<RunningService> service_;
};

std::unique_ptr<RunningService> ServeHttpTest::service_;

json Body(const httplib::Result& result) { return json::parse(result->body); }

TEST_F(ServeHttpTest, OnlyAValidKeyGetsIn) {
    const std::string valid = KeyOf(erp::kWebServiceUserId);
    struct Case {
        httplib::Headers headers;
        int status;
    };
    const std::vector<Case> cases{
        {{}, 401},
        {{{"Authorization", ""}}, 401},
        {{{"Authorization", valid}}, 401},
        {{{"Authorization", "Basic " + valid}}, 401},
        {{{"Authorization", "Bearer " + valid.substr(0, valid.size() - 1) + "x"}}, 401},
        {{{"Authorization", "Bearer " + valid + "x"}}, 401},
        {{{"Authorization", "Bearer " + std::string(43, 'A')}}, 401},
        {{{"Authorization", "Bearer " + valid}}, 200},
        {{{"Authorization", "bearer  " + valid + " "}}, 200},
    };
    for (const Case& c : cases) {
        const auto result = service_->Client().Get("/v1/plan", {{"per-count", "1"}}, c.headers);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, c.status) << (c.headers.empty() ? "no header" : c.headers.begin()->second);
        if (c.status == 401) {
            EXPECT_EQ(result->get_header_value("WWW-Authenticate"), "Bearer realm=\"ovardx\"");
            EXPECT_EQ(Body(result)["error"], "unauthorized");
        }
    }
    // A wrong key reads no body either.
    const auto post = service_->Client().Post("/v1/contracts", "<Contract/>", "application/xml");
    ASSERT_TRUE(post);
    EXPECT_EQ(post->status, 401);

    EXPECT_TRUE(LogShows(" user-17 GET /v1/plan 200 "));
    EXPECT_TRUE(LogShows(" - GET /v1/plan 401 "));
    const std::string log = service_->Log().Text();
    for (const int user : {16, 17, 18, 19}) EXPECT_EQ(log.find(KeyOf(user)), std::string::npos) << "a key in the log";
}

TEST_F(ServeHttpTest, UsersTheGateRefusesGetItsTextAs403) {
    const std::int64_t contracts = Count("SELECT COUNT(*) FROM t_RPContract");
    const std::string document = NewContractsDocument(LibraryProps(16), {"HT-FORBIDDEN-1"});
    for (const int user : {erp::kForbiddenAdministratorId, erp::kPlainUserId}) {
        for (const auto& [path, params] : std::vector<std::pair<std::string, httplib::Params>>{
                 {"/v1/plan", {}}, {"/v1/bills", {{"pre", "0"}}}, {"/v1/contracts", {}},
                 {"/v1/deletions", {{"bill-type", "1"}}}}) {
            const auto result = Get(path, params, user);
            ASSERT_TRUE(result);
            EXPECT_EQ(result->status, 403) << path << " as user " << user;
            EXPECT_EQ(Body(result)["error"], "forbidden");
            EXPECT_EQ(Body(result)["message"], kRefusal);
        }
        const auto imported = Post("/v1/contracts", document, user);
        ASSERT_TRUE(imported);
        EXPECT_EQ(imported->status, 403);
        EXPECT_EQ(Body(imported)["message"], kRefusal);
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract"), contracts);
    const auto admitted = Get("/v1/plan", {{"per-count", "1"}}, erp::kAdministratorUserId);
    ASSERT_TRUE(admitted);
    EXPECT_EQ(admitted->status, 200);
}

TEST_F(ServeHttpTest, ARequestCannotNameAUserADatabaseOrRawSql) {
    struct Case {
        std::string path;
        httplib::Params params;
        std::string message;
    };
    const std::string otherDb = "Provider=SQLite;Data Source=/tmp/other.db";
    const std::vector<Case> cases{
        {"/v1/plan", {{"UserID", "16"}}, "unknown query parameter 'UserID'"},
        {"/v1/plan", {{"user", "16"}}, "unknown query parameter 'user'"},
        {"/v1/plan", {{"ConnectString", otherDb}}, "unknown query parameter 'ConnectString'"},
        {"/v1/plan", {{"props", "UserID=16"}}, "unknown query parameter 'props'"},
        {"/v1/plan", {{"filter", "TSql=1=1"}}, "unknown query parameter 'filter'"},
        {"/v1/bills", {{"filter", "1=1"}}, "unknown query parameter 'filter'"},
        {"/v1/plan", {{"language", "eng;UserID=16"}}, "language must be"},
        {"/v1/plan", {{"language", "eng}"}}, "language must be"},
        {"/v1/plan", {{"number", "C013||TSql=1=1"}}, "number must hold neither '|' nor 'TSql'"},
        {"/v1/plan", {{"name", "x|"}}, "name must hold neither"},
        {"/v1/plan", {{"uuid", "TSql=1=1"}}, "uuid must hold neither"},
        {"/v1/plan", {{"date-from", "2025-02-30"}}, "date-from must be a date"},
        {"/v1/plan", {{"date-to", "2025-1-1||TSql=1=1"}}, "date-to must hold neither"},
        {"/v1/plan", {{"timestamp", "0x1 OR 1=1"}}, "timestamp must be"},
        {"/v1/plan", {{"per-count", "0"}}, "per-count must be a whole number from 1 to 1000"},
        {"/v1/plan", {{"per-count", "1"}, {"per-count", "2"}}, "given twice"},
        {"/v1/bills", {{"pre", "2"}}, "pre must be"},
        {"/v1/contracts", {{"rp", "1;UserID=16"}}, "rp must be"},
        {"/v1/deletions", {}, "bill-type is required"},
        {"/v1/deletions", {{"bill-type", "4"}}, "bill-type must be"},
        {"/v1/health", {{"UserID", "16"}}, "unknown query parameter"},
    };
    for (const Case& c : cases) {
        const auto result = Get(c.path, c.params, erp::kWebServiceUserId);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 400) << c.path << " " << c.params.begin()->first;
        EXPECT_EQ(Body(result)["error"], "bad_request");
        EXPECT_NE(Body(result)["message"].get<std::string>().find(c.message), std::string::npos)
            << Body(result)["message"];
    }
    // Headers name nothing either: the key's own user answers.
    httplib::Headers headers = BearerOf(erp::kPlainUserId);
    headers.emplace("UserID", "16");
    headers.emplace("X-UserID", "16");
    const auto result = service_->Client().Get("/v1/plan", headers);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 403);
}

TEST_F(ServeHttpTest, PlanCriteriaReachTheLibraryAsItsFilterText) {
    clsArapPlan plan;
    plan.Filter("Number=C013||DateFrom=2025-1-1||DateTo=2025-12-31");
    std::string props = LibraryProps(17), xml, timeStamp, maxTimeStamp, error;
    ASSERT_TRUE(plan.Export(props, xml, 100, timeStamp, maxTimeStamp, error)) << error;
    ASSERT_NE(xml.find("<Record>"), std::string::npos);
    const auto result = Get("/v1/plan", {{"number", "C013"}, {"date-from", "2025-1-1"}, {"date-to", "2025-12-31"}},
                            erp::kWebServiceUserId);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->body, xml);
    // Quotes are the library's to double: a name with one finds nothing and breaks nothing.
    const auto quoted = Get("/v1/plan", {{"name", "x' OR '1'='1"}}, erp::kWebServiceUserId);
    ASSERT_TRUE(quoted);
    EXPECT_EQ(quoted->status, 200);
    EXPECT_EQ(quoted->body.find("<Record>"), std::string::npos);
}

// Every kind, paged to the end over HTTP and through the library in this
// process: the same documents, byte for byte, and the same bounds.
TEST_F(ServeHttpTest, PagingEveryKindToTheEndGivesTheLibrarysDocuments) {
    struct LibraryPage {
        bool ok;
        std::string xml, timeStamp, maxTimeStamp, error;
    };
    using Library = std::function<LibraryPage(std::string)>;
    const auto page = [](auto call) {
        return [call](std::string timeStamp) {
            LibraryPage page{false, {}, std::move(timeStamp), {}, {}};
            page.ok = call(page);
            return page;
        };
    };
    constexpr std::int32_t kPer = 7;
    struct Kind {
        std::string path;
        httplib::Params params;
        Library library;
    };
    std::vector<Kind> kinds{
        {"/v1/plan", {}, page([](LibraryPage& p) {
             clsArapPlan plan;
             std::string props = LibraryProps(17);
             return plan.Export(props, p.xml, kPer, p.timeStamp, p.maxTimeStamp, p.error);
         })}};
    for (const std::int16_t pre : {0, 1})
        kinds.push_back({"/v1/bills", {{"pre", std::to_string(pre)}}, page([pre](LibraryPage& p) {
                             clsReceiveBill bills;
                             std::string props = LibraryProps(17);
                             return bills.Export(props, p.xml, pre, kPer, p.timeStamp, p.maxTimeStamp, p.error);
                         })});
    for (const std::int16_t rp : {1, 0})
        kinds.push_back({"/v1/contracts", {{"rp", std::to_string(rp)}}, page([rp](LibraryPage& p) {
                             clsContract contracts;
                             std::string props = LibraryProps(17);
                             return contracts.Export(props, p.xml, rp, kPer, p.timeStamp, p.maxTimeStamp, p.error);
                         })});
    for (const std::int16_t type : {1, 2, 3})
        kinds.push_back({"/v1/deletions", {{"bill-type", std::to_string(type)}}, page([type](LibraryPage& p) {
                             clsDataKey keys;
                             return keys.ExportXMLDataKey(LibraryProps(17), type, p.xml, kPer, p.timeStamp,
                                                          p.maxTimeStamp, p.error);
                         })});

    for (const Kind& kind : kinds) {
        const std::string what = kind.path + (kind.params.empty() ? "" : "?" + kind.params.begin()->first + "=" +
                                                                           kind.params.begin()->second);
        std::string bound;
        int pages = 0;
        do {
            const LibraryPage expected = kind.library(bound);
            ASSERT_TRUE(expected.ok) << what << ": " << expected.error;
            httplib::Params params = kind.params;
            params.emplace("per-count", std::to_string(kPer));
            if (!bound.empty()) params.emplace("timestamp", bound);
            const auto result = Get(kind.path, params, erp::kWebServiceUserId);
            ASSERT_TRUE(result) << what;
            ASSERT_EQ(result->status, 200) << what << ": " << result->body;
            ASSERT_EQ(result->body, expected.xml) << what << " page " << pages + 1;
            EXPECT_EQ(result->get_header_value("Content-Type"), "application/xml; charset=utf-8");
            EXPECT_EQ(result->get_header_value("Ovardx-TimeStamp"), expected.timeStamp) << what;
            EXPECT_EQ(result->get_header_value("Ovardx-MaxTimeStamp"), expected.maxTimeStamp) << what;
            bound = expected.timeStamp;
            ++pages;
        } while (bound != kZero);
        if (kind.path == "/v1/plan") {
            EXPECT_GT(pages, 2);
        }
    }
}

TEST_F(ServeHttpTest, ContractImportsSayWhatWasSavedAndSkipped) {
    const std::vector<std::string> numbers = Numbers("HT-HTTP", 3);
    const std::string document = NewContractsDocument(LibraryProps(16), numbers);

    const auto first = Post("/v1/contracts", document, erp::kWebServiceUserId);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 200) << first->body;
    EXPECT_EQ(Body(first), json({{"saved", 3}, {"skipped", 0}, {"records", 3}}));

    const auto again = Post("/v1/contracts?add-new-only=1&check-by-uuid=0", document, erp::kWebServiceUserId);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 200) << again->body;
    EXPECT_EQ(Body(again), json({{"saved", 0}, {"skipped", 3}, {"records", 3}}));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract WHERE FContractNo LIKE 'HT-HTTP-%'"), 3);

    struct Refused {
        std::string body;
        std::string message;
    };
    const std::vector<Refused> refused{
        {"<Contract><Record>", "The XML document is refused: line 1"},
        {"<Delete/>", "The XML document is refused"},
        {"", "The XML document is refused"},
    };
    for (const Refused& r : refused) {
        const auto result = Post("/v1/contracts", r.body, erp::kWebServiceUserId);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 422) << r.body;
        EXPECT_EQ(Body(result)["error"], "unprocessable");
        EXPECT_EQ(Body(result)["saved"], 0);
        EXPECT_NE(Body(result)["message"].get<std::string>().find(r.message), std::string::npos) << result->body;
    }
    const auto badType = Post("/v1/contracts?system-type=x", document, erp::kWebServiceUserId);
    ASSERT_TRUE(badType);
    EXPECT_EQ(badType->status, 400);
}

TEST_F(ServeHttpTest, DeletionImportsDeleteWhatTheyNameAndReportFailures) {
    sqlite::Database db = sqlite::Database::Open(DatabasePath().string(), sqlite::OpenMode::ReadOnly);
    sqlite::Statement bills(db, "SELECT UUID FROM t_RP_NewReceiveBill WHERE FRP=1 AND FPre=0 ORDER BY FBillID LIMIT 2");
    std::vector<std::string> uuids;
    while (bills.Step()) uuids.push_back(bills.ColumnText(0));
    ASSERT_EQ(uuids.size(), 2u);
    const auto document = [](const std::vector<std::string>& each) {
        std::string xml = "<Delete>";
        for (const std::string& uuid : each) xml += "<Record><UUID>" + uuid + "</UUID></Record>";
        return xml + "</Delete>";
    };

    const auto deleted = Post("/v1/deletions?bill-type=1", document(uuids), erp::kWebServiceUserId);
    ASSERT_TRUE(deleted);
    EXPECT_EQ(deleted->status, 200) << deleted->body;
    EXPECT_EQ(Body(deleted), json({{"deleted", 2}}));

    // An advance receipt named as a receive bill: the component refuses it.
    sqlite::Statement advance(db, "SELECT UUID FROM t_RP_NewReceiveBill WHERE FRP=1 AND FPre=1 LIMIT 1");
    ASSERT_TRUE(advance.Step());
    const auto refused = Post("/v1/deletions?bill-type=1", document({advance.ColumnText(0)}), erp::kWebServiceUserId);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 422) << refused->body;
    EXPECT_EQ(Body(refused)["deleted"], 0);
    EXPECT_NE(Body(refused)["message"].get<std::string>().find(advance.ColumnText(0)), std::string::npos);

    const auto noType = Post("/v1/deletions", document(uuids), erp::kWebServiceUserId);
    ASSERT_TRUE(noType);
    EXPECT_EQ(noType->status, 400);
}

TEST_F(ServeHttpTest, BodiesOverTheLimitAreRefusedUnread) {
    const std::int64_t contracts = Count("SELECT COUNT(*) FROM t_RPContract");
    const std::string large(service_->Config().maxBodyBytes + 1, ' ');
    const auto declared = Post("/v1/contracts", "<Contract>" + large + "</Contract>", erp::kWebServiceUserId);
    ASSERT_TRUE(declared);
    EXPECT_EQ(declared->status, 413);
    EXPECT_EQ(Body(declared)["error"], "payload_too_large");
    EXPECT_EQ(declared->get_header_value("Connection"), "close");

    // Chunked, so no length is declared: the reading stops at the limit.
    std::size_t sent = 0;
    const auto chunked = service_->Client().Post(
        "/v1/contracts", BearerOf(erp::kWebServiceUserId),
        [&sent](std::size_t, httplib::DataSink& sink) {
            const std::string chunk(64 * 1024, ' ');
            if (sent > 4 * 1024 * 1024) return false;  // the server stopped reading long before
            sent += chunk.size();
            return sink.write(chunk.data(), chunk.size());
        },
        "application/xml");
    if (chunked) {
        EXPECT_EQ(chunked->status, 413);  // or the connection closed while sending
    }
    EXPECT_LT(sent, 4u * 1024 * 1024);

    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract"), contracts);
    EXPECT_TRUE(LogShows(" user-17 POST /v1/contracts 413 "));
}

TEST_F(ServeHttpTest, WhatNoEndpointTakesIsRefusedAsJson) {
    auto client = service_->Client();
    const auto missing = client.Get("/v1/nothing", BearerOf(17));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
    EXPECT_EQ(Body(missing)["error"], "not_found");

    const auto method = client.Delete("/v1/contracts", BearerOf(17));
    ASSERT_TRUE(method);
    EXPECT_EQ(method->status, 405);
    EXPECT_EQ(method->get_header_value("Allow"), "GET, HEAD, POST");

    const auto postPlan = client.Post("/v1/plan", BearerOf(17), "x", "text/plain");
    ASSERT_TRUE(postPlan);
    EXPECT_EQ(postPlan->status, 405);

    httplib::Request request;
    request.method = "GET";
    request.path = "/v1/plan";
    request.headers = BearerOf(17);
    request.body = "<x/>";
    const auto getWithBody = client.send(request);
    ASSERT_TRUE(getWithBody);
    EXPECT_EQ(getWithBody->status, 400);
}

TEST_F(ServeHttpTest, HealthNeedsNoKeyAndSaysTheVersion) {
    const auto result = service_->Client().Get("/v1/health");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(Body(result)["status"], "ok");
    EXPECT_EQ(Body(result)["database"], "reachable");
    EXPECT_FALSE(Body(result)["version"].get<std::string>().empty());
}

// A database that went away: errors say so without naming the file or the
// connect string.
TEST(ServeErrorsTest, ErrorsNeverShowThePathOrTheConnectString) {
    erp::RegisterErpComponents();
    TemporaryFolder folder;
    const auto path = folder.Path() / "secret-name.db";
    erp::CreateDemoDatabase(path);
    RunningService service(TestConfig(path));
    std::filesystem::remove(path);
    std::filesystem::remove(path.string() + "-wal");
    std::filesystem::remove(path.string() + "-shm");

    const auto page = service.Client().Get("/v1/plan", BearerOf(erp::kWebServiceUserId));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 500) << page->body;
    EXPECT_EQ(Body(page)["error"], "internal");
    const auto health = service.Client().Get("/v1/health");
    ASSERT_TRUE(health);
    EXPECT_EQ(health->status, 503);
    for (const auto* body : {&page->body, &health->body}) {
        EXPECT_EQ(body->find("secret-name"), std::string::npos) << *body;
        EXPECT_EQ(body->find(folder.Path().string()), std::string::npos) << *body;
        EXPECT_EQ(body->find("Data Source"), std::string::npos) << *body;
    }
    EXPECT_NE(Body(page)["message"].get<std::string>().find("[database]"), std::string::npos) << page->body;
    EXPECT_EQ(service.Log().Text().find("secret-name"), std::string::npos);
}

TEST_F(ServeHttpTest, AnAddressInUseStopsTheStart) {
    serve::ServeConfig config = TestConfig(DatabasePath());
    config.port = service_->Port();
    serve::WebService second(config, *serve::StandardErrorLog());
    EXPECT_THROW(second.Bind(), serve::ConfigError);
}

TEST(ServeErrorsTest, ADatabaseThatDoesNotAnswerStopsTheStart) {
    TemporaryFolder folder;
    EXPECT_THROW(serve::WebService(TestConfig(folder.Path() / "missing.db"), *serve::StandardErrorLog()),
                 serve::ConfigError);
}

TEST(ServeTlsTest, ServesHttpsWithTheConfiguredCertificate) {
    erp::RegisterErpComponents();
    TemporaryFolder folder;
    const auto database = folder.Path() / "demo.db";
    erp::CreateDemoDatabase(database);
    serve::ServeConfig config = TestConfig(database);
    config.tlsCert = (folder.Path() / "cert.pem").string();
    config.tlsKey = (folder.Path() / "key.pem").string();
    WriteSelfSignedCertificate(config.tlsCert, config.tlsKey);
    RunningService service(config);

    httplib::SSLClient client("127.0.0.1", service.Port());
    client.set_ca_cert_path(config.tlsCert.c_str());
    client.enable_server_certificate_verification(true);
    const auto page = client.Get("/v1/plan", {{"per-count", "1"}}, BearerOf(erp::kWebServiceUserId));
    ASSERT_TRUE(page) << httplib::to_string(page.error());
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("<ArApPlan"), std::string::npos);
    // Plain HTTP on the HTTPS port gets no answer.
    EXPECT_FALSE(service.Client().Get("/v1/health"));

    config.tlsKey = (folder.Path() / "cert.pem").string();
    EXPECT_THROW(serve::WebService(config, *serve::StandardErrorLog()), serve::ConfigError);
}

}  // namespace
}  // namespace ovardx::testing
