#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "erp/DemoData.h"

namespace ovardx::testing {

// A property string for the embedded database at path and the given user.
std::string PropsFor(const std::filesystem::path& database, int userId, const std::string& language = "chs");

// A scale-1 demo ERP database created once per test suite in a temporary
// folder, and removed after it.
class DemoDatabaseSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    static const std::filesystem::path& DatabasePath() { return path_; }
    static const erp::DemoSummary& Summary() { return summary_; }
    static std::string AdminProps(const std::string& language = "chs") {
        return PropsFor(path_, erp::kAdministratorUserId, language);
    }

private:
    static std::filesystem::path path_;
    static erp::DemoSummary summary_;
};

// A fresh temporary folder for one test, removed with the object.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace ovardx::testing
