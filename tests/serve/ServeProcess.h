#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ovardx::testing {

// The ovardx tool as a child process, its standard output and error read
// together as they come.
class ToolChild {
public:
    // arguments after the program name; environment: variables to add.
    ToolChild(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment = {});
    ~ToolChild();
    ToolChild(const ToolChild&) = delete;
    ToolChild& operator=(const ToolChild&) = delete;

    pid_t Pid() const { return pid_; }
    // Waits (at most 20 s) for the output to hold text; answers it all.
    std::string WaitFor(const std::string& text);
    // The port of the "listening on http://127.0.0.1:PORT" line.
    int WaitForPort();
    // Waits for the end: the exit status (128 + the signal for a signal).
    int Wait();
    std::string Output();

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable grown_;
    std::string output_;
    bool closed_ = false;
};

}  // namespace ovardx::testing
