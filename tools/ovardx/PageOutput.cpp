#include "tools/ovardx/PageOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace ovardx::tool {

namespace {

// Closes a file descriptor at scope end unless it was closed on purpose.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; false when close reported an error (a late write error).
    bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

std::string Failure(const std::string& what, const std::filesystem::path& path) {
    return what + " " + path.string() + ": " + std::strerror(errno);
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

std::string WriteAndFlush(std::FILE* stream, std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() || std::fflush(stream) != 0 ||
        std::ferror(stream))
        return std::string("cannot write the document to standard output: ") + std::strerror(errno);
    return {};
}

std::string WriteFileDurably(const std::filesystem::path& path, std::string_view text,
                             const std::function<void(std::string_view step)>& afterStep) {
    std::filesystem::path temporary = path;
    temporary += ".partial";
    Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.get() < 0) return Failure("cannot create", temporary);
    const bool written = WriteAll(file.get(), text) && ::fsync(file.get()) == 0;
    std::string problem = written ? std::string() : Failure("cannot write", temporary);
    if (!file.Close() && problem.empty()) problem = Failure("cannot close", temporary);
    if (problem.empty() && afterStep) afterStep("written");
    if (problem.empty() && ::rename(temporary.c_str(), path.c_str()) != 0) problem = Failure("cannot rename", temporary);
    if (!problem.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return problem;
    }
    if (afterStep) afterStep("renamed");
    // The rename itself is on the disk once the folder is.
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() < 0 || ::fsync(directory.get()) != 0) return Failure("cannot sync the folder", folder);
    return {};
}

}  // namespace ovardx::tool
