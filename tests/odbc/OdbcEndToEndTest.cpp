// The library end to end through ODBC (the SQLite ODBC driver on the demo
// database): every answer and document equal, byte for byte, to what the
// embedded backend gives on the same file.

#include <gtest/gtest.h>

#include <string>

#include "erp/DemoDatabase.h"
#include "erp/ErpComponents.h"
#include "ovardx/clsContract.h"
#include "ovardx/clsDataKey.h"
#include "tests/odbc/ExportKinds.h"
#include "tests/odbc/OdbcTestDriver.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {
namespace {

class OdbcEndToEndTest : public DemoDatabaseSuite {
protected:
    static void SetUpTestSuite() {
        RegisterSqliteOdbcDriver();
        DemoDatabaseSuite::SetUpTestSuite();
        erp::RegisterErpComponents();
    }
};

void ExpectSamePages(const std::vector<Page>& embedded, const std::vector<Page>& odbc) {
    ASSERT_EQ(embedded.size(), odbc.size());
    for (std::size_t i = 0; i < embedded.size(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i + 1));
        EXPECT_TRUE(odbc[i].answered) << odbc[i].error;
        EXPECT_EQ(embedded[i].answered, odbc[i].answered);
        EXPECT_EQ(embedded[i].error, odbc[i].error);
        EXPECT_EQ(embedded[i].timeStamp, odbc[i].timeStamp);
        EXPECT_EQ(embedded[i].maxTimeStamp, odbc[i].maxTimeStamp);
        EXPECT_EQ(embedded[i].xml, odbc[i].xml);
    }
}

TEST_F(OdbcEndToEndTest, EveryExportPagesToTheEndWithTheEmbeddedDocuments) {
    const std::string odbcProps = OdbcPropsFor(DatabasePath(), erp::kWebServiceUserId, "eng");
    for (const ExportKind& kind : ExportKinds()) {
        // 3 ends plan pages inside groups of rows that share a row version.
        for (const int perCount : {3, 0}) {
            SCOPED_TRACE(kind.name + ", " + std::to_string(perCount) + " per page");
            const auto embedded = AllPages(kind, PropsFor(DatabasePath(), erp::kWebServiceUserId, "eng"), perCount);
            if (perCount == 3) {
                EXPECT_GE(embedded.size(), 2u);
            }
            ExpectSamePages(embedded, AllPages(kind, odbcProps, perCount));
        }
    }
}

TEST_F(OdbcEndToEndTest, TheGateAnswersAsOnTheEmbeddedDatabase) {
    const ExportKind& plan = ExportKinds().front();
    for (const int user : {erp::kAdministratorUserId, erp::kWebServiceUserId, erp::kForbiddenAdministratorId,
                           erp::kPlainUserId, 999}) {
        SCOPED_TRACE("user " + std::to_string(user));
        const Page embedded = plan.call(PropsFor(DatabasePath(), user), 3, "");
        const Page odbc = plan.call(OdbcPropsFor(DatabasePath(), user), 3, "");
        EXPECT_EQ(embedded.answered, odbc.answered);
        EXPECT_EQ(embedded.error, odbc.error);
        EXPECT_EQ(embedded.xml, odbc.xml);
    }
}

// Two databases with the same bytes, one reached through each backend.
class OdbcImportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterSqliteOdbcDriver();
        erp::RegisterErpComponents();
    }
    void SetUp() override {
        summary_ = erp::CreateDemoDatabase(embeddedPath_, 1, 1);
        erp::CreateDemoDatabase(odbcPath_, 1, 1);
    }
    std::string EmbeddedProps() const { return PropsFor(embeddedPath_, erp::kAdministratorUserId); }
    std::string OdbcProps() const { return OdbcPropsFor(odbcPath_, erp::kAdministratorUserId); }

    // Every page of an export of each database, both read the embedded way.
    void ExpectSameExports(const std::string& kindName) const {
        for (const ExportKind& kind : ExportKinds()) {
            if (kind.name != kindName) continue;
            ExpectSamePages(AllPages(kind, PropsFor(embeddedPath_, erp::kAdministratorUserId), 0),
                            AllPages(kind, PropsFor(odbcPath_, erp::kAdministratorUserId), 0));
        }
    }

    TemporaryFolder folder_;
    std::filesystem::path embeddedPath_ = folder_.Path() / "embedded.db";
    std::filesystem::path odbcPath_ = folder_.Path() / "odbc.db";
    erp::DemoSummary summary_;
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST_F(OdbcImportTest, ContractImportLooksUpAndSavesAsTheEmbeddedBackendDoes) {
    // The database's own contracts, renamed: every record is found and saved again.
    std::string document;
    {
        const Page page = ExportKinds()[3].call(EmbeddedProps(), 0, "");
        ASSERT_TRUE(page.answered) << page.error;
        document = Replaced(page.xml, "销售合同 ", "销售合同（修订） ");
    }
    for (const bool byUuid : {true, false}) {
        SCOPED_TRACE(byUuid ? "by UUID" : "by number");
        std::string embeddedProps = EmbeddedProps(), odbcProps = OdbcProps();
        std::string embeddedError, odbcError;
        clsContract embedded, odbc;
        embedded.CheckByUUID(byUuid);
        odbc.CheckByUUID(byUuid);
        const bool embeddedAnswer = embedded.Import(embeddedProps, document, embeddedError);
        const bool odbcAnswer = odbc.Import(odbcProps, document, odbcError);
        EXPECT_TRUE(odbcAnswer) << odbcError;
        EXPECT_EQ(embeddedAnswer, odbcAnswer);
        EXPECT_EQ(embeddedError, odbcError);
    }
    ExpectSameExports("contracts");
}

TEST_F(OdbcImportTest, DeletionImportDeletesAndReportsAsTheEmbeddedBackendDoes) {
    // A receive bill, an advance receipt (of the other kind: refused) and a
    // UUID of nothing.
    const std::string document = "<Delete><Record><UUID>" + summary_.SampleReceiveBill.Uuid +
                                 "</UUID></Record><Record><UUID>" + summary_.SampleAdvanceReceipt.Uuid +
                                 "</UUID></Record><Record><UUID>{NO-SUCH-BILL}</UUID></Record></Delete>";
    std::string embeddedProps = EmbeddedProps(), odbcProps = OdbcProps();
    std::string embeddedError, odbcError;
    clsDataKey embedded, odbc;
    const bool embeddedAnswer = embedded.ImportXMLDataKey(embeddedProps, 1, document, embeddedError);
    const bool odbcAnswer = odbc.ImportXMLDataKey(odbcProps, 1, document, odbcError);
    EXPECT_FALSE(odbcAnswer);
    EXPECT_NE(odbcError.find(summary_.SampleAdvanceReceipt.Uuid), std::string::npos) << odbcError;
    EXPECT_EQ(embeddedAnswer, odbcAnswer);
    EXPECT_EQ(embeddedError, odbcError);
    ExpectSameExports("deletions-1");
    ExpectSameExports("receive-bills");
}

}  // namespace
}  // namespace ovardx::testing
