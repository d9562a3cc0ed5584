#include "tests/data_key/DataKeyTestSupport.h"

#include "components/BuiltInComponents.h"
#include "erp/DemoDatabase.h"
#include "erp/ErpComponents.h"
#include "ovardx/Error.h"
#include "session/SchemaFolder.h"
#include "session/XmlBridge.h"
#include "sqlite_backend/SqliteConnection.h"

namespace ovardx::testing {

namespace {

class FakeContractUpdater final : public ContractUpdater {
public:
    FakeContractUpdater(std::shared_ptr<std::vector<DeleteCall>> calls, std::shared_ptr<std::int32_t> failingId)
        : calls_(std::move(calls)), failingId_(std::move(failingId)) {}
    Variant Save(std::string&, std::shared_ptr<ValueDictionary>&, std::shared_ptr<ValueVector>&,
                 std::shared_ptr<ValueVector>&) override {
        Raise(errnum::kApplicationError, "FakeContractUpdater", "Save is not expected");
    }
    void Delete(std::string& props, std::int32_t& id, bool& receivable) override {
        calls_->push_back({props, id, receivable, -1});
        if (id == *failingId_) Raise(errnum::kApplicationError, "FakeContractUpdater", "cannot delete");
    }

private:
    std::shared_ptr<std::vector<DeleteCall>> calls_;
    std::shared_ptr<std::int32_t> failingId_;
};

class FakeBillUpdater final : public BillUpdater {
public:
    FakeBillUpdater(std::shared_ptr<std::vector<DeleteCall>> calls, std::shared_ptr<std::int32_t> failingId)
        : calls_(std::move(calls)), failingId_(std::move(failingId)) {}
    void DeleteReceiveBill(std::string& props, std::int32_t& id, bool& receivable, std::int16_t kind) override {
        calls_->push_back({props, id, receivable, kind});
        if (id == *failingId_) Raise(errnum::kApplicationError, "FakeBillUpdater", "cannot delete");
    }

private:
    std::shared_ptr<std::vector<DeleteCall>> calls_;
    std::shared_ptr<std::int32_t> failingId_;
};

}  // namespace

FakeUpdaters::FakeUpdaters()
    : contract_(kContractUpdaterProgId,
                std::function<std::shared_ptr<ContractUpdater>()>(
                    [calls = calls_, failing = failingId_] { return std::make_shared<FakeContractUpdater>(calls, failing); })),
      bill_(kBillUpdaterProgId,
            std::function<std::shared_ptr<BillUpdater>()>(
                [calls = calls_, failing = failingId_] { return std::make_shared<FakeBillUpdater>(calls, failing); })) {}

void DataKeyDatabaseTest::SetUp() {
    EnsureBuiltInComponents();
    path_ = folder_.Path() / "demo.db";
    summary_ = erp::CreateDemoDatabase(path_, 1, 1);
    erp::RegisterErpComponents();
}

std::shared_ptr<Recordset> DataKeyDatabaseTest::Sql(std::string sql) const {
    auto connection = std::make_shared<sqlite::SqliteConnection>(sqlite::SqliteConnection::Policy::Scripts);
    connection->ConnString("Provider=SQLite;Data Source=" + path_.string());
    auto rows = connection->GetAnyRecordSet(sql);
    connection->CloseConn();
    return rows;
}

std::int64_t DataKeyDatabaseTest::Count(const std::string& sql) const {
    return Sql("SELECT COUNT(*) AS N FROM " + sql)->Value("N").ToInt64();
}

ExportResult ExportKeys(clsDataKey& keys, const std::string& props, std::int16_t billType, std::int32_t perCount,
                        std::string timeStamp) {
    ExportResult result;
    result.timeStamp = std::move(timeStamp);
    result.ok = keys.ExportXMLDataKey(props, billType, result.xml, perCount, result.timeStamp, result.maxTimeStamp,
                                      result.error);
    return result;
}

std::vector<Key> KeysOf(const std::string& xml) {
    EnsureSchemaFolder();
    auto list = NewList();
    std::string error;
    EXPECT_TRUE(ReadXml(list, xml, SchemaFolder() + "Delete.xsd", "Delete", error)) << error;
    std::vector<Key> keys;
    for (const auto& item : *list) {
        const auto record = item.AsRecord();
        keys.push_back({record->GetValue("Remark").ToText(), record->GetValue("UUID").ToText()});
    }
    return keys;
}

std::string DeleteDocument(const std::vector<const char*>& uuids) {
    EnsureSchemaFolder();
    auto list = NewList();
    for (const char* uuid : uuids) {
        auto record = NewRecord();
        record->SetValue("Remark", "x");
        if (uuid) record->SetValue("UUID", uuid);
        list->Add(record);
    }
    std::string xml, error;
    EXPECT_TRUE(WriteXml(list, xml, SchemaFolder() + "Delete.xsd", "Delete", error)) << error;
    return xml;
}

}  // namespace ovardx::testing
