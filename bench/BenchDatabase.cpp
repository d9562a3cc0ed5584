#include "bench/BenchDatabase.h"

#include <unistd.h>

#include "components/BuiltInComponents.h"
#include "erp/DemoDatabase.h"
#include "erp/ErpComponents.h"

namespace ovardx::bench {

const BenchDatabase& BenchDatabase::Get() {
    static const BenchDatabase database;
    return database;
}

std::string BenchDatabase::PropsFor(const std::filesystem::path& database) {
    return "ConnectString={Provider=SQLite;Data Source=" + database.string() + "};UserID=16;Setuptype=standard";
}

BenchDatabase::BenchDatabase()
    : folder_(std::filesystem::temp_directory_path() / ("ovardx-bench-" + std::to_string(::getpid()))),
      path_(folder_ / "demo.db") {
    EnsureBuiltInComponents();
    erp::RegisterErpComponents();
    std::filesystem::create_directories(folder_);
    summary_ = erp::CreateDemoDatabase(path_, kScale, 1, true);
}

BenchDatabase::~BenchDatabase() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

}  // namespace ovardx::bench
