#include "tests/serve/ServeProcess.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <stdexcept>

extern char** environ;

namespace ovardx::testing {

ToolChild::ToolChild(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment) {
    std::vector<std::string> all{OVARDX_TOOL_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> variables;
    for (char** each = environ; *each != nullptr; ++each) variables.emplace_back(*each);
    for (const auto& [name, value] : environment) variables.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);

    int pipe[2];
    if (::pipe(pipe) != 0) throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe[0]);
    posix_spawn_file_actions_addclose(&actions, pipe[1]);
    const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (failed != 0) {
        ::close(pipe[0]);
        throw std::runtime_error("cannot start " + all.front());
    }
    reader_ = std::thread([this, fd = pipe[0]] {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got <= 0) break;
            std::lock_guard lock(mutex_);
            output_.append(buffer, static_cast<std::size_t>(got));
            grown_.notify_all();
        }
        ::close(fd);
        std::lock_guard lock(mutex_);
        closed_ = true;
        grown_.notify_all();
    });
}

ToolChild::~ToolChild() {
    if (status_ < 0) {
        ::kill(pid_, SIGKILL);
        Wait();
    }
    if (reader_.joinable()) reader_.join();
}

std::string ToolChild::WaitFor(const std::string& text) {
    std::unique_lock lock(mutex_);
    grown_.wait_for(lock, std::chrono::seconds(20),
                    [&] { return output_.find(text) != std::string::npos || closed_; });
    return output_;
}

int ToolChild::WaitForPort() {
    const std::string marker = "listening on http://127.0.0.1:";
    const std::string text = WaitFor(marker);
    const std::size_t at = text.find(marker);
    if (at == std::string::npos) throw std::runtime_error("the service did not start:\n" + text);
    return std::stoi(text.substr(at + marker.size()));
}

int ToolChild::Wait() {
    if (status_ >= 0) return status_;
    int raw = 0;
    if (::waitpid(pid_, &raw, 0) != pid_) return status_ = 255;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return status_;
}

std::string ToolChild::Output() {
    if (reader_.joinable() && status_ >= 0) reader_.join();
    std::lock_guard lock(mutex_);
    return output_;
}

}  // namespace ovardx::testing
