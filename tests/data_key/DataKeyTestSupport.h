#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "erp/DemoData.h"
#include "ovardx/BusinessComponents.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/DatabaseConnection.h"
#include "ovardx/clsDataKey.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {

inline constexpr const char* kZero = "0x0000000000000000";

// One call of a fake business component.
struct DeleteCall {
    std::string props;
    std::int32_t id = 0;
    bool receivable = false;
    std::int16_t kind = -1;  // -1 for the contract component's "Delete"
    bool operator==(const DeleteCall&) const = default;
};

// Registers fakes under both business component ProgIDs that record their
// calls and delete nothing; a call for failingId raises.
class FakeUpdaters {
public:
    FakeUpdaters();
    const std::vector<DeleteCall>& Calls() const { return *calls_; }
    void FailFor(std::int32_t id) { *failingId_ = id; }

private:
    std::shared_ptr<std::vector<DeleteCall>> calls_ = std::make_shared<std::vector<DeleteCall>>();
    std::shared_ptr<std::int32_t> failingId_ = std::make_shared<std::int32_t>(-1);
    ScopedComponent contract_;
    ScopedComponent bill_;
};

// A fresh demo database for one test, with the stand-ins of the business
// components registered.
class DataKeyDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override;

    std::string Props(const std::string& language = "chs") const {
        return PropsFor(path_, erp::kAdministratorUserId, language);
    }
    // Runs statements on the database directly; answers the last rows.
    std::shared_ptr<Recordset> Sql(std::string sql) const;
    std::int64_t Count(const std::string& sql) const;

    TemporaryFolder folder_;
    std::filesystem::path path_;
    erp::DemoSummary summary_;
};

struct ExportResult {
    bool ok = false;
    std::string xml, timeStamp, maxTimeStamp, error;
};

ExportResult ExportKeys(clsDataKey& keys, const std::string& props, std::int16_t billType, std::int32_t perCount,
                        std::string timeStamp);

// The "Remark" and "UUID" texts of a "Delete" document's records.
struct Key {
    std::string remark, uuid;
    bool operator==(const Key&) const = default;
};
std::vector<Key> KeysOf(const std::string& xml);

// A "Delete" document with one record per UUID (a record without "UUID"
// for a null pointer).
std::string DeleteDocument(const std::vector<const char*>& uuids);

}  // namespace ovardx::testing
