#include "tests/serve/ServeTestSupport.h"

#include "erp/DemoData.h"
#include "tools/ovardx/serve/KeyHash.h"

namespace ovardx::testing {

void MemoryLog::Write(Level, std::string_view line) {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line);
}

std::vector<std::string> MemoryLog::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::string MemoryLog::Text() const {
    std::string text;
    for (const std::string& line : Lines()) text += line + "\n";
    return text;
}

namespace {

const std::vector<int>& DemoUsers() {
    static const std::vector<int> users{erp::kAdministratorUserId, erp::kWebServiceUserId,
                                        erp::kForbiddenAdministratorId, erp::kPlainUserId};
    return users;
}

const std::map<int, std::pair<std::string, std::string>>& Keys() {
    static const auto keys = [] {
        std::map<int, std::pair<std::string, std::string>> made;
        for (const int user : DemoUsers()) {
            const std::string key = serve::NewKey();
            made[user] = {key, serve::HashKey(key)};
        }
        return made;
    }();
    return keys;
}

}  // namespace

const std::string& KeyOf(int user) { return Keys().at(user).first; }

httplib::Headers BearerOf(int user) { return {{"Authorization", "Bearer " + KeyOf(user)}}; }

std::string TestConfigText(const std::filesystem::path& database) {
    std::string text = "[serve]\nlisten = 127.0.0.1:0\nconnect-string = Provider=SQLite;Data Source=" +
                       database.string() + "\nsetup-type = standard\nworkers = 8\nmax-body-bytes = 262144\n";
    for (const int user : DemoUsers())
        text += "\n[key:user-" + std::to_string(user) + "]\nhash = " + Keys().at(user).second +
                "\nuser = " + std::to_string(user) + "\nlanguage = eng\n";
    return text;
}

serve::ServeConfig TestConfig(const std::filesystem::path& database) {
    return serve::ParseServeConfig(TestConfigText(database), "test.ini");
}

RunningService::RunningService(serve::ServeConfig config)
    : service_(std::make_unique<serve::WebService>(std::move(config), log_)),
      port_(service_->Bind()),
      thread_([this] { service_->Run(); }) {}

RunningService::~RunningService() { Stop(); }

void RunningService::Stop() {
    service_->Stop();
    if (thread_.joinable()) thread_.join();
}

httplib::Client RunningService::Client() const {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(20, 0);
    return client;
}

ImportInFlight::ImportInFlight(int port, int user, std::string document, std::function<void()> betweenHalves)
    : halfSentSeen_(halfSent_.get_future()) {
    answer_ = std::async(std::launch::async, [this, port, user, document = std::move(document),
                                              betweenHalves = std::move(betweenHalves)] {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(20, 0);
        bool firstHalf = true;
        return client.Post(
            "/v1/contracts", BearerOf(user),
            [&](std::size_t, httplib::DataSink& sink) {
                const std::size_t half = document.size() / 2;
                if (firstHalf) {
                    firstHalf = false;
                    sink.write(document.data(), half);
                    halfSent_.set_value();
                    return true;
                }
                betweenHalves();
                sink.write(document.data() + half, document.size() - half);
                sink.done();
                return true;
            },
            "application/xml");
    });
}

void ImportInFlight::WaitUntilHalfSent() { halfSentSeen_.wait(); }

httplib::Result ImportInFlight::Answer() { return answer_.get(); }

}  // namespace ovardx::testing
