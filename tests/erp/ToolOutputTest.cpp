// How the ovardx tool prints values and rows.
#include <gtest/gtest.h>

#include <sstream>

#include "erp/DemoDatabase.h"
#include "ovardx/Error.h"
#include "tests/erp/ConnectionFor.h"
#include "tests/support/DemoDatabaseFixture.h"
#include "tools/ovardx/ResultPrinter.h"
#include "tools/ovardx/SqlCommand.h"

namespace ovardx::tool {
namespace {

TEST(ToolOutputTest, CellTexts) {
    const struct {
        Variant value;
        const char* text;
    } cases[] = {
        {Variant::Null(), "NULL"},
        {Variant(Bytes{0x00, 0x00, 0x07, 0xAB}), "0x000007AB"},
        {Variant(Bytes{}), "0x"},
        {Variant(*DateTime::Parse("2025-3-1")), "2025-03-01"},
        {Variant(*DateTime::Parse("2025-03-01 10:30")), "2025-03-01 10:30:00"},
        {Variant(true), "1"},
        {Variant(-1), "-1"},
        {Variant(0.048), "0.048"},
        {Variant(1e20), "100000000000000000000"},
        {Variant(77073.42), "77073.42"},
        {Variant(100.0), "100"},
        {Variant("人民币"), "人民币"},
        {Variant("a\tb\nc\\d"), "a\\tb\\nc\\\\d"},
    };
    for (const auto& c : cases) EXPECT_EQ(CellText(c.value), c.text) << Describe(c.value);
}

TEST(ToolOutputTest, RowsUnderAHeaderLine) {
    Recordset rows({"FNumber", "FModifyTime", "FContractNo"},
                   {{Variant("A"), Variant(Bytes{0, 1}), Variant::Null()}, {Variant("B"), Variant(Bytes{0, 2}), "HT"}});
    std::ostringstream out;
    PrintRecordset(out, rows);
    EXPECT_EQ(out.str(), "FNumber\tFModifyTime\tFContractNo\nA\t0x0001\tNULL\nB\t0x0002\tHT\n");

    Recordset none({"FValue"}, {});
    std::ostringstream empty;
    PrintRecordset(empty, none);
    EXPECT_EQ(empty.str(), "FValue\n");
    EXPECT_EQ(ChangedRowsText(1), "(1 row affected)");
    EXPECT_EQ(ChangedRowsText(0), "(0 rows affected)");
}

TEST(ToolSqlTest, RunsEachStatementOfTheInputAsItCompletes) {
    ::ovardx::testing::TemporaryFolder folder;
    const std::string file = (folder.Path() / "demo.db").string();
    erp::CreateDemoDatabase(file, 1, 1);
    std::istringstream in(
        "UPDATE t_User SET FDescription = 'x;y'\n"
        "  WHERE FUserID IN (16, 17);\n"
        "SELECT FUserID, FName FROM t_User WHERE FUserID=16AND FForbidden=0;\n"
        "SELECT FNumber, FExchangeRate, FScale, 0x00000000000007D1 FMT\n"
        "  FROM t_Currency WHERE FNumber='jpy'");
    std::ostringstream out;
    EXPECT_EQ(RunSql(file, nullptr, in, out), 0);
    EXPECT_EQ(out.str(),
              "(2 rows affected)\n"
              "FUserID\tFName\n16\tAdministrator\n"
              "FNumber\tFExchangeRate\tFScale\tFMT\nJPY\t0.048\t0\t0x00000000000007D1\n");
}

TEST(ToolSqlTest, FailingStatementRaisesTheProviderError) {
    ::ovardx::testing::TemporaryFolder folder;
    const std::string file = (folder.Path() / "demo.db").string();
    erp::CreateDemoDatabase(file, 1, 1);
    std::istringstream in;
    std::ostringstream out;
    const std::string statement = "SELECT FNoSuchColumn FROM t_User";
    try {
        RunSql(file, &statement, in, out);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.record().Number, static_cast<std::int32_t>(0x80040E14u));
        EXPECT_FALSE(error.record().Source.empty());
        EXPECT_NE(error.record().Description.find("FNoSuchColumn"), std::string::npos);
    }
    // A file that does not exist is not created.
    EXPECT_THROW(RunSql((folder.Path() / "none.db").string(), &statement, in, out), Error);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "none.db"));
}

}  // namespace
}  // namespace ovardx::tool
