#pragma once

#include <filesystem>
#include <string>

#include "erp/DemoData.h"

namespace ovardx::bench {

// A demo database of a benchmark program (scale 100: over 100,000 plan rows;
// scale 300: over 750,000), created on first use of its scale in a temporary
// folder of its own and removed when the program ends. Built-in components
// and the ERP's stand-ins are registered.
class BenchDatabase {
public:
    static constexpr int kScale = 100;

    static const BenchDatabase& Get(int scale = kScale);

    const std::filesystem::path& Folder() const { return folder_; }
    const std::filesystem::path& Path() const { return path_; }
    const erp::DemoSummary& Summary() const { return summary_; }
    // The property string of the demo administrator (user 16) for a database.
    static std::string PropsFor(const std::filesystem::path& database);
    std::string Props() const { return PropsFor(path_); }

    explicit BenchDatabase(int scale);
    ~BenchDatabase();
    BenchDatabase(const BenchDatabase&) = delete;
    BenchDatabase& operator=(const BenchDatabase&) = delete;

private:
    std::filesystem::path folder_;
    std::filesystem::path path_;
    erp::DemoSummary summary_;
};

}  // namespace ovardx::bench
