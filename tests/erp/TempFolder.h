#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>

namespace ovardx::erp::testing {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("ovardx-erp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::string ConnectStringFor(const std::filesystem::path& file) {
    return "Provider=SQLite;Data Source=" + file.string();
}

}  // namespace ovardx::erp::testing
