#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "erp/DemoDatabase.h"
#include "ovardx/ValueDictionary.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {

// A fresh scale-1 demo database for each test, since contract tests change
// rows; with helpers to change it and to read contract documents.
class ContractDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override;

    std::string Props(int user = erp::kAdministratorUserId, const std::string& language = "chs") const {
        return PropsFor(path_, user, language);
    }
    // Runs statements on the database directly (not through the library).
    void RunSql(const std::string& sql) const;
    // The first column of the first row of a query, as text ("NULL" for null).
    std::string Scalar(const std::string& sql) const;

    // The records of a contract document (fails the test when it does not read).
    static std::shared_ptr<ValueVector> Records(const std::string& xml);

    TemporaryFolder folder_;
    std::filesystem::path path_;
    erp::DemoSummary summary_;
};

}  // namespace ovardx::testing
