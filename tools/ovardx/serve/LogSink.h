#pragma once

#include <mutex>
#include <string>
#include <string_view>

namespace ovardx::serve {

// Where the service's lines go: standard error (--foreground) or syslog
// (facility daemon, "ovardx-serve"). Each line is written whole; any thread
// may write.
class LogSink {
public:
    enum class Target { StandardError, Syslog };
    enum class Level { Info, Warning, Error };

    explicit LogSink(Target target);
    ~LogSink();
    LogSink(const LogSink&) = delete;
    LogSink& operator=(const LogSink&) = delete;

    void Write(Level level, std::string_view line);
    void Info(std::string_view line) { Write(Level::Info, line); }
    void Warning(std::string_view line) { Write(Level::Warning, line); }
    void Error(std::string_view line) { Write(Level::Error, line); }

private:
    Target target_;
    std::mutex mutex_;
};

// The current time as "2025-01-31T12:34:56.789Z".
std::string UtcNow();

}  // namespace ovardx::serve
