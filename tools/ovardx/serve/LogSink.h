#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace ovardx::serve {

// Where the service's lines go. Each line is written whole; any thread may
// write. The command writes to standard error (--foreground) or syslog;
// tests keep the lines.
class LogSink {
public:
    enum class Level { Info, Warning, Error };

    virtual ~LogSink() = default;
    virtual void Write(Level level, std::string_view line) = 0;

    void Info(std::string_view line) { Write(Level::Info, line); }
    void Warning(std::string_view line) { Write(Level::Warning, line); }
    void Error(std::string_view line) { Write(Level::Error, line); }
};

// Lines on standard error, each after its UTC time.
std::unique_ptr<LogSink> StandardErrorLog();
// Lines to syslog, facility daemon, as "ovardx-serve".
std::unique_ptr<LogSink> SyslogLog();

// The current time as "2025-01-31T12:34:56.789Z".
std::string UtcNow();

}  // namespace ovardx::serve
