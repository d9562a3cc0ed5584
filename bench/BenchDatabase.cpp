#include "bench/BenchDatabase.h"

#include <unistd.h>

#include <map>
#include <memory>

#include "components/BuiltInComponents.h"
#include "erp/DemoDatabase.h"
#include "erp/ErpComponents.h"

namespace ovardx::bench {

const BenchDatabase& BenchDatabase::Get(int scale) {
    static std::map<int, std::unique_ptr<BenchDatabase>> databases;
    auto& database = databases[scale];
    if (!database) database = std::make_unique<BenchDatabase>(scale);
    return *database;
}

std::string BenchDatabase::PropsFor(const std::filesystem::path& database) {
    return "ConnectString={Provider=SQLite;Data Source=" + database.string() + "};UserID=16;Setuptype=standard";
}

BenchDatabase::BenchDatabase(int scale)
    : folder_(std::filesystem::temp_directory_path() /
              ("ovardx-bench-" + std::to_string(::getpid()) + "-" + std::to_string(scale))),
      path_(folder_ / "demo.db") {
    EnsureBuiltInComponents();
    erp::RegisterErpComponents();
    std::filesystem::create_directories(folder_);
    summary_ = erp::CreateDemoDatabase(path_, scale, 1, true);
}

BenchDatabase::~BenchDatabase() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

}  // namespace ovardx::bench
