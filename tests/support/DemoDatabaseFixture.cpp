#include "tests/support/DemoDatabaseFixture.h"

#include <unistd.h>

#include <atomic>

#include "components/BuiltInComponents.h"
#include "erp/DemoDatabase.h"

namespace ovardx::testing {

std::filesystem::path DemoDatabaseSuite::path_;
erp::DemoSummary DemoDatabaseSuite::summary_;

std::string PropsFor(const std::filesystem::path& database, int userId, const std::string& language) {
    return "ConnectString={Provider=SQLite;Data Source=" + database.string() + "};UserID=" +
           std::to_string(userId) + ";Setuptype=standard;Language=" + language;
}

TemporaryFolder::TemporaryFolder() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("ovardx-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void DemoDatabaseSuite::SetUpTestSuite() {
    EnsureBuiltInComponents();
    static TemporaryFolder* folder = new TemporaryFolder();  // lives for the program
    path_ = folder->Path() / ("demo-" + std::to_string(reinterpret_cast<std::uintptr_t>(&path_)) + ".db");
    summary_ = erp::CreateDemoDatabase(path_, 1, 1, true);
}

void DemoDatabaseSuite::TearDownTestSuite() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

}  // namespace ovardx::testing
