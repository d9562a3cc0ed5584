#include "tests/contract/ContractTestSupport.h"

#include "components/BuiltInComponents.h"
#include "session/SchemaFolder.h"
#include "session/XmlBridge.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::testing {

void ContractDatabaseTest::SetUp() {
    EnsureBuiltInComponents();
    path_ = folder_.Path() / "demo.db";
    summary_ = erp::CreateDemoDatabase(path_);
}

void ContractDatabaseTest::RunSql(const std::string& sql) const {
    sqlite::Database db = sqlite::Database::Open(path_.string(), sqlite::OpenMode::ReadWrite);
    db.Exec(sql);
}

std::string ContractDatabaseTest::Scalar(const std::string& sql) const {
    sqlite::Database db = sqlite::Database::Open(path_.string(), sqlite::OpenMode::ReadOnly);
    sqlite::Statement statement(db, sql);
    if (!statement.Step()) return "no row";
    return statement.ColumnStorage(0) == sqlite::StorageClass::Null ? "NULL" : statement.ColumnText(0);
}

std::shared_ptr<ValueVector> ContractDatabaseTest::Records(const std::string& xml) {
    auto list = NewList();
    std::string error;
    EXPECT_TRUE(ReadXml(list, xml, SchemaFolder() + "ArContract.xsd", "Contract", error)) << error;
    return list;
}

}  // namespace ovardx::testing
