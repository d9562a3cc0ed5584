#include "sqlite_backend/ResultMemo.h"

#include <gtest/gtest.h>

#include <string>

#include "SqliteTestDatabase.h"
#include "sqlite_backend/SqliteConnection.h"

namespace ovardx::sqlite {
namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE t_item (FItemID INTEGER PRIMARY KEY, FName NVARCHAR(80));
INSERT INTO t_item VALUES (1, 'first'), (2, 'second'), (3, 'third'), (4, 'fourth'), (5, 'fifth');
)sql";

constexpr const char* kLookup = "SELECT FName FROM t_item WHERE FItemID=1";

// The library's connection reading one snapshot per call, beside a writer.
class ResultMemoTest : public ::testing::Test {
protected:
    ResultMemoTest() {
        const std::string path = (folder_.path() / "erp.db").string();
        testing::CreateDatabase(path, kSchema);
        reader_.ConnString("Provider=SQLite;Data Source=" + path);
        writer_.ConnString("Provider=SQLite;Data Source=" + path);
        Write("PRAGMA journal_mode=WAL");  // where a call reads one snapshot
    }

    // One call: a snapshot from the first statement to CloseConn.
    std::string NameInOneCall() {
        reader_.HoldSnapshot();
        const std::string name = Read(kLookup);
        reader_.CloseConn();
        return name;
    }

    std::string Read(std::string sql) { return reader_.GetAnyRecordSet(sql)->Value("FName").ToText(); }
    void Write(std::string sql) { writer_.GetAnyRecordSet(sql); }

    testing::TempFolder folder_;
    SqliteConnection reader_;
    SqliteConnection writer_{SqliteConnection::Policy::Scripts};
};

TEST_F(ResultMemoTest, ACommitByAnotherConnectionIsSeenByTheNextCall) {
    EXPECT_EQ(NameInOneCall(), "first");
    EXPECT_EQ(NameInOneCall(), "first");  // answered from memory
    Write("UPDATE t_item SET FName='renamed' WHERE FItemID=1");
    EXPECT_EQ(NameInOneCall(), "renamed");
    // A commit that touches another row forgets it too.
    Write("UPDATE t_item SET FName='other' WHERE FItemID=2");
    Write("UPDATE t_item SET FName='again' WHERE FItemID=1");
    EXPECT_EQ(NameInOneCall(), "again");
}

TEST_F(ResultMemoTest, ACallKeepsReadingItsSnapshot) {
    reader_.HoldSnapshot();
    EXPECT_EQ(Read(kLookup), "first");
    Write("UPDATE t_item SET FName='renamed' WHERE FItemID=1");
    EXPECT_EQ(Read(kLookup), "first");
    EXPECT_EQ(Read("SELECT FName FROM t_item WHERE FItemID =1"), "first");
    reader_.CloseConn();
    EXPECT_EQ(NameInOneCall(), "renamed");
}

TEST_F(ResultMemoTest, OnlySmallResultsAreKept) {
    const std::string all = "SELECT FName FROM t_item ORDER BY FItemID";
    reader_.HoldSnapshot();
    EXPECT_EQ(reader_.GetAnyRecordSet(const_cast<std::string&>(all))->RecordCount(), 5);
    reader_.CloseConn();
    ResultMemo memo;
    Recordset five({"FName"}, {{"a"}, {"b"}, {"c"}, {"d"}, {"e"}});
    memo.Add(all, 7, five);
    EXPECT_EQ(memo.Find(all, 7), nullptr);
    Recordset one({"FName"}, {{"a"}});
    memo.Add(kLookup, 7, one);
    EXPECT_EQ(memo.Find(kLookup, 7), nullptr);  // kept from its second run on
    memo.Add(kLookup, 7, one);
    ASSERT_NE(memo.Find(kLookup, 7), nullptr);
    EXPECT_EQ(memo.Find(kLookup, 7)->Value("FName").ToText(), "a");
    EXPECT_EQ(memo.Find(kLookup, 8), nullptr);
    Recordset large({"FName"}, {{std::string(ResultMemo::kMaxResultBytes, 'x')}});
    memo.Add("SELECT FName FROM t_item WHERE FItemID=2", 7, large);
    memo.Add("SELECT FName FROM t_item WHERE FItemID=2", 7, large);
    EXPECT_EQ(memo.Find("SELECT FName FROM t_item WHERE FItemID=2", 7), nullptr);
}

TEST(IsRepeatableTest, StatementsThatReadTheClockOrChanceAreNot) {
    EXPECT_TRUE(IsRepeatable("SELECT FName FROM t_item WHERE FItemID=1"));
    EXPECT_TRUE(IsRepeatable("SELECT MAX(FModifyTime) AS FMT FROM t_RP_Contact WHERE FRP=1"));
    for (const char* text : {"SELECT strftime('%Y-%m-%d %H:%M:%f','now','localtime')", "SELECT CURRENT_TIMESTAMP",
                             "SELECT current_date", "SELECT RANDOM()", "SELECT randomblob(4)", "SELECT changes()",
                             "SELECT last_insert_rowid()"})
        EXPECT_FALSE(IsRepeatable(text)) << text;
}

}  // namespace
}  // namespace ovardx::sqlite
