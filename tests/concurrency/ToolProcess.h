#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace ovardx::testing {

// One run of the ovardx tool as a process of its own, its standard output
// going to stdoutPath and its standard error to a file of its own.
class ToolProcess {
public:
    ToolProcess(const std::vector<std::string>& arguments, const std::filesystem::path& stdoutPath,
                const std::filesystem::path& stderrPath);
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;
    ~ToolProcess();

    // Waits for the end; the exit status (128 + the signal for a signal).
    int Wait();
    std::string StandardError() const;

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::filesystem::path stderrPath_;
};

// The path of the ovardx tool this test program was built with.
std::string ToolPath();

}  // namespace ovardx::testing
