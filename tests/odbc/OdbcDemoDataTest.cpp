// The demo data written through ODBC (as `ovardx demo-db --props` writes it
// into SQL Server), here into an SQLite file through the SQLite ODBC driver:
// the same rows as the embedded writer's, so the same documents.

#include <gtest/gtest.h>

#include "erp/DemoData.h"
#include "erp/DemoDatabase.h"
#include "erp/ErpSchema.h"
#include "erp/OdbcDemoTarget.h"
#include "erp/SqlServerDemoDatabase.h"
#include "tests/odbc/ExportKinds.h"
#include "tests/odbc/OdbcTestDriver.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {
namespace {

TEST(OdbcDemoData, WritesTheRowsTheEmbeddedWriterWrites) {
    RegisterSqliteOdbcDriver();
    TemporaryFolder folder;
    const auto embeddedPath = folder.Path() / "embedded.db";
    const auto odbcPath = folder.Path() / "odbc.db";
    const erp::DemoSummary expected = erp::CreateDemoDatabase(embeddedPath, 1, 1);
    {
        sqlite::Database db = sqlite::Database::Open(odbcPath.string(), sqlite::OpenMode::ReadWriteCreate);
        erp::CreateErpSchema(db);
    }
    erp::DemoSummary summary;
    {
        erp::OdbcDemoTarget target(OdbcConnectString(odbcPath));
        EXPECT_TRUE(target.HasTable("t_RPContract"));
        EXPECT_FALSE(target.IsSqlServer());
        erp::WriteDemoData(target, 1, 1, summary);
        target.Commit();
    }
    EXPECT_EQ(summary.PlanRows, expected.PlanRows);
    EXPECT_EQ(summary.SampleContract.Id, expected.SampleContract.Id);
    EXPECT_EQ(summary.DeletedReceiveBills, expected.DeletedReceiveBills);
    for (const ExportKind& kind : ExportKinds()) {
        SCOPED_TRACE(kind.name);
        const auto want = AllPages(kind, PropsFor(embeddedPath, erp::kAdministratorUserId), 0);
        const auto got = AllPages(kind, PropsFor(odbcPath, erp::kAdministratorUserId), 0);
        ASSERT_EQ(want.size(), got.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_TRUE(got[i].answered) << got[i].error;
            EXPECT_EQ(want[i].xml, got[i].xml);
            EXPECT_EQ(want[i].timeStamp, got[i].timeStamp);
        }
    }
}

TEST(OdbcDemoData, NothingIsKeptWithoutCommit) {
    RegisterSqliteOdbcDriver();
    TemporaryFolder folder;
    const auto path = folder.Path() / "odbc.db";
    {
        sqlite::Database db = sqlite::Database::Open(path.string(), sqlite::OpenMode::ReadWriteCreate);
        erp::CreateErpSchema(db);
    }
    {
        erp::OdbcDemoTarget target(OdbcConnectString(path));
        erp::DemoSummary summary;
        erp::WriteDemoData(target, 1, 1, summary);
    }
    sqlite::Database db = sqlite::Database::Open(path.string(), sqlite::OpenMode::ReadWrite);
    std::string_view sql = "SELECT COUNT(*) FROM t_User";
    sqlite::Statement count = sqlite::Statement::PrepareNext(db.get(), sql);
    ASSERT_TRUE(count.Step());
    EXPECT_EQ(count.ColumnInt64(0), 0);
}

TEST(SqlServerSchema, SplitsIntoBatchesAtGoLines) {
    const auto batches = erp::SqlServerBatches("CREATE TABLE a (x INT);\nGO\n  go  \nCREATE TRIGGER t ON a AFTER DELETE AS\n"
                                               "BEGIN\n  SELECT 1; -- GO here is no separator\nEND;\nGO\n");
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0], "CREATE TABLE a (x INT);\n");
    EXPECT_NE(batches[1].find("-- GO here"), std::string::npos);
    // The shipped script: tables first, then one batch per trigger.
    const auto script = erp::SqlServerBatches(erp::SqlServerSchemaScript());
    ASSERT_EQ(script.size(), 3u);
    EXPECT_NE(script[0].find("CREATE UNIQUE INDEX ux_RPContract_No"), std::string::npos);
    EXPECT_NE(script[1].find("CREATE TRIGGER tr_RPContract_delete"), std::string::npos);
}

}  // namespace
}  // namespace ovardx::testing
