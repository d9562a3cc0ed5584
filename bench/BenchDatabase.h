#pragma once

#include <filesystem>
#include <string>

#include "erp/DemoData.h"

namespace ovardx::bench {

// The scale-100 demo database of a benchmark program (over 100,000 plan rows),
// created on first use in a temporary folder of its own and removed when the
// program ends. Built-in components and the ERP's stand-ins are registered.
class BenchDatabase {
public:
    static constexpr int kScale = 100;

    static const BenchDatabase& Get();

    const std::filesystem::path& Folder() const { return folder_; }
    const std::filesystem::path& Path() const { return path_; }
    const erp::DemoSummary& Summary() const { return summary_; }
    // The property string of the demo administrator (user 16) for a database.
    static std::string PropsFor(const std::filesystem::path& database);
    std::string Props() const { return PropsFor(path_); }

    ~BenchDatabase();
    BenchDatabase(const BenchDatabase&) = delete;
    BenchDatabase& operator=(const BenchDatabase&) = delete;

private:
    BenchDatabase();

    std::filesystem::path folder_;
    std::filesystem::path path_;
    erp::DemoSummary summary_;
};

}  // namespace ovardx::bench
