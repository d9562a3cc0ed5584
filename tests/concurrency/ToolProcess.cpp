#include "tests/concurrency/ToolProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace ovardx::testing {

ToolProcess::ToolProcess(const std::vector<std::string>& arguments, const std::filesystem::path& stdoutPath,
                         const std::filesystem::path& stderrPath)
    : stderrPath_(stderrPath) {
    std::vector<std::string> all{ToolPath()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw std::runtime_error("cannot start " + all.front());
}

ToolProcess::~ToolProcess() {
    if (status_ < 0) Wait();
}

int ToolProcess::Wait() {
    if (status_ >= 0) return status_;
    int raw = 0;
    if (::waitpid(pid_, &raw, 0) != pid_) return status_ = 255;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return status_;
}

std::string ToolProcess::StandardError() const {
    std::ifstream in(stderrPath_);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ToolPath() { return OVARDX_TOOL_PATH; }

}  // namespace ovardx::testing
