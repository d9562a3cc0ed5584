#include "tools/ovardx/serve/LogSink.h"

#include <syslog.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace ovardx::serve {

namespace {

class StandardError final : public LogSink {
public:
    void Write(Level, std::string_view line) override {
        const std::string text = UtcNow() + " " + std::string(line) + "\n";
        std::lock_guard lock(mutex_);
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }

private:
    std::mutex mutex_;
};

class Syslog final : public LogSink {
public:
    Syslog() { ::openlog("ovardx-serve", LOG_PID, LOG_DAEMON); }
    ~Syslog() override { ::closelog(); }
    Syslog(const Syslog&) = delete;
    Syslog& operator=(const Syslog&) = delete;

    void Write(Level level, std::string_view line) override {
        const int priority = level == Level::Error ? LOG_ERR : level == Level::Warning ? LOG_WARNING : LOG_INFO;
        ::syslog(priority, "%.*s", static_cast<int>(line.size()), line.data());
    }
};

}  // namespace

std::unique_ptr<LogSink> StandardErrorLog() { return std::make_unique<StandardError>(); }

std::unique_ptr<LogSink> SyslogLog() { return std::make_unique<Syslog>(); }

std::string UtcNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
    return text;
}

}  // namespace ovardx::serve
