#pragma once

#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

#include "tools/ovardx/serve/LogSink.h"
#include "tools/ovardx/serve/ServeConfig.h"
#include "tools/ovardx/serve/WebService.h"

namespace ovardx::testing {

// The lines a service logged, kept for the test to read.
class MemoryLog final : public serve::LogSink {
public:
    void Write(Level level, std::string_view line) override;
    std::vector<std::string> Lines() const;
    std::string Text() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// One API key per demo user (16 administrator, 17 web-service right,
// 18 forbidden administrator, 19 no rights), made once per program.
const std::string& KeyOf(int user);
httplib::Headers BearerOf(int user);

// A configuration for the database at path: 127.0.0.1, a free port, a key
// "user-N" for each demo user (language eng).
serve::ServeConfig TestConfig(const std::filesystem::path& database);
// The same as the text of a configuration file.
std::string TestConfigText(const std::filesystem::path& database);

// A service running in this process on its own thread, stopped and joined
// with the object.
class RunningService {
public:
    explicit RunningService(serve::ServeConfig config);
    ~RunningService();
    RunningService(const RunningService&) = delete;
    RunningService& operator=(const RunningService&) = delete;

    int Port() const { return port_; }
    httplib::Client Client() const;
    // Stops the service and waits until it answered what was in flight.
    void Stop();
    const MemoryLog& Log() const { return log_; }
    const serve::ServeConfig& Config() const { return service_->Config(); }

private:
    MemoryLog log_;
    std::unique_ptr<serve::WebService> service_;
    int port_ = 0;
    std::thread thread_;
};

// A contract import in flight: POST /v1/contracts as user to the service on
// 127.0.0.1:port, its body sent in two halves. The first half goes at once;
// the second once betweenHalves returns, so that a test can act while the
// request is being received.
class ImportInFlight {
public:
    ImportInFlight(int port, int user, std::string document, std::function<void()> betweenHalves);
    ImportInFlight(const ImportInFlight&) = delete;
    ImportInFlight& operator=(const ImportInFlight&) = delete;
    // Returns when the first half has been sent.
    void WaitUntilHalfSent();
    // The service's answer.
    httplib::Result Answer();

private:
    std::promise<void> halfSent_;
    std::future<void> halfSentSeen_;
    std::future<httplib::Result> answer_;
};

}  // namespace ovardx::testing
