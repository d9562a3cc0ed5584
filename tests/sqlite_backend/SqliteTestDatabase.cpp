#include "SqliteTestDatabase.h"

#include <unistd.h>

#include <atomic>

namespace ovardx::sqlite::testing {

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("ovardx-sqlite-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void CreateDatabase(const std::filesystem::path& path, std::string_view script) {
    Database db = Database::Open(path.string(), OpenMode::ReadWriteCreate);
    // One transaction: one write to disk instead of one per statement.
    db.Exec("BEGIN");
    db.Exec(script);
    db.Exec("COMMIT");
}

}  // namespace ovardx::sqlite::testing
