#include "sqlite_backend/StatementCache.h"

#include <gtest/gtest.h>

#include <string>

#include "SqliteTestDatabase.h"
#include "ovardx/Error.h"
#include "sqlite_backend/SqliteConnection.h"

namespace ovardx::sqlite {
namespace {

TEST(SplitTrailingNumberTest, OnlyAWholeNumberAfterAnEqualsSign) {
    struct Case {
        const char* sql;
        const char* head;  // nullptr: no trailing number
        std::int64_t value;
    };
    const Case cases[] = {
        {"SELECT a FROM t WHERE FItemID =42", "SELECT a FROM t WHERE FItemID =", 42},
        {"SELECT a FROM t WHERE FItemID = 42 \r\n", "SELECT a FROM t WHERE FItemID = ", 42},
        {"SELECT a FROM t WHERE x>=007", "SELECT a FROM t WHERE x>=", 7},
        {"SELECT a FROM t WHERE x=999999999", "SELECT a FROM t WHERE x=", 999999999},
        {"SELECT a FROM t WHERE x=1234567890", nullptr, 0},  // may be no int
        {"SELECT a FROM t ORDER BY 1", nullptr, 0},
        {"SELECT a FROM t WHERE x = -5", nullptr, 0},
        {"SELECT a FROM t WHERE x = 1.5", nullptr, 0},
        {"SELECT a FROM t WHERE x = 1e5", nullptr, 0},
        {"SELECT a FROM t WHERE x = 0x15", nullptr, 0},
        {"SELECT a FROM t WHERE x = a5", nullptr, 0},
        {"SELECT a FROM t WHERE x = 5;", nullptr, 0},
        {"42", nullptr, 0},
        {"=", nullptr, 0},
        {"", nullptr, 0},
    };
    for (const Case& c : cases) {
        const auto number = SplitTrailingNumber(c.sql);
        if (c.head == nullptr) {
            EXPECT_FALSE(number.has_value()) << c.sql;
            continue;
        }
        ASSERT_TRUE(number.has_value()) << c.sql;
        EXPECT_EQ(number->head, c.head);
        EXPECT_EQ(number->value, c.value) << c.sql;
    }
}

TEST(SplitBinaryLiteralsTest, OneValueOfOneLengthOutsideStrings) {
    auto page = SplitBinaryLiterals("SELECT a FROM t WHERE v>0x00000000000000FF AND w=0x00000000000000FF");
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(page->value, (Bytes{0, 0, 0, 0, 0, 0, 0, 0xFF}));
    EXPECT_EQ(page->literal, "X'00000000000000FF'");
    EXPECT_EQ(page->probe, "SELECT a FROM t WHERE v>0x1111111111111100 AND w=0x1111111111111100");
    EXPECT_EQ(page->key, SplitBinaryLiterals("SELECT a FROM t WHERE v>0x0123456789ABCDEF AND w=0x0123456789ABCDEF")->key);
    EXPECT_NE(page->key, SplitBinaryLiterals("SELECT a FROM t WHERE v>0x01 AND w=0x01")->key);
    EXPECT_EQ(SplitBinaryLiterals("SELECT a FROM t WHERE v>0xABC")->value, (Bytes{0x0A, 0xBC}));

    for (const char* alone : {"SELECT a FROM t", "SELECT a FROM t WHERE v>0x01 AND w=0x02",
                              "SELECT a FROM t WHERE v>0x01 AND w=0x0001", "SELECT a FROM t WHERE v>0xAB AND w=0xab",
                              "SELECT a FROM t WHERE v>0x",
                              "SELECT a FROM t WHERE s='0x01'", "SELECT a FROM t WHERE s='\x01' AND v>0x01",
                              "SELECT a FROM t WHERE s='unterminated AND v>0x01"})
        EXPECT_FALSE(SplitBinaryLiterals(alone).has_value()) << alone;
}

constexpr const char* kSchema = R"sql(
CREATE TABLE t_Demo (
    FID INTEGER PRIMARY KEY,
    FName NVARCHAR(80),
    FDate DATETIME,
    FAmount DECIMAL(18, 2),
    FChecked BIT,
    FCount INT,
    FModifyTime ROWVERSION);
INSERT INTO t_Demo VALUES (1, 'first', '2024-01-05', 12.5, 1, 7, X'0000000000000001');
INSERT INTO t_Demo VALUES (2, '2', '2024-02-29 13:45:10.250', 3, 0, 0, X'000000000000000A');
INSERT INTO t_Demo VALUES (3, NULL, NULL, 0, NULL, NULL, X'0000000000000002');
)sql";

class StatementCacheTest : public ::testing::Test {
protected:
    StatementCacheTest() {
        path_ = folder_.path() / "erp.db";
        testing::CreateDatabase(path_, kSchema);
        for (SqliteConnection* connection : {&cached_, &uncached_})
            connection->ConnString("Provider=SQLite;Data Source=" + path_.string());
    }

    testing::TempFolder folder_;
    std::filesystem::path path_;
    SqliteConnection cached_;  // the library's connection, which caches its statements
    SqliteConnection uncached_{SqliteConnection::Policy::Scripts};
};

// Every text, run once and again with other values, answers what the
// connection that prepares each text anew answers: the same columns, values
// and types, whether the statement was shared across values or not.
TEST_F(StatementCacheTest, CachedStatementsAnswerAsFreshlyPreparedOnes) {
    struct Case {
        const char* text;  // "{}" stands for each value in turn
        std::vector<const char*> values;
    };
    const std::vector<const char*> numbers = {"1", "0", "7", "002", "3", "1"};
    const std::vector<const char*> versions = {"0x0000000000000001", "0x0000000000000000", "0x000000000000000A",
                                               "0x01", "0x0000000000000001", "0xA"};
    const Case cases[] = {
        {"SELECT  FName,FDate,FAmount FROM t_Demo WHERE FID ={}", numbers},
        {"SELECT FID FROM t_Demo WHERE FCount = {}", numbers},
        {"SELECT FID FROM t_Demo WHERE FChecked={}", numbers},
        {"SELECT FID, FName FROM t_Demo WHERE FAmount >= {}", numbers},
        {"SELECT COUNT(*) n FROM t_Demo WHERE FName = 'first' OR FID={}", numbers},
        {"SELECT FID FROM t_Demo WHERE FDate > {}", numbers},  // a number as a date
        {"SELECT FID FROM t_Demo WHERE FName={}", numbers},    // text compared with a number
        {"SELECT FID, FModifyTime FROM t_Demo WHERE FModifyTime>{} ORDER BY FModifyTime", versions},
        {"SELECT FID FROM t_Demo WHERE FModifyTime={} OR (FModifyTime>{} AND FID IN (1, 3))", versions},
        {"SELECT {}, FID FROM t_Demo WHERE FModifyTime<={}", versions},  // the value names a column
        {"SELECT FID FROM t_Demo WHERE FName <> '0x01' AND FModifyTime>{}", versions},
        {"SELECT FID FROM t_Demo WHERE FModifyTime>{} AND FModifyTime<0x0000000000000003", versions},
    };
    for (const Case& c : cases) {
        for (const char* value : c.values) {
            std::string sql = c.text;
            for (auto at = sql.find("{}"); at != std::string::npos; at = sql.find("{}")) sql.replace(at, 2, value);
            std::string copy = sql;
            try {
                auto expected = uncached_.GetAnyRecordSet(copy);
                auto actual = cached_.GetAnyRecordSet(sql);
                EXPECT_EQ(actual->ColumnNames(), expected->ColumnNames()) << sql;
                ASSERT_EQ(actual->RecordCount(), expected->RecordCount()) << sql;
                for (; !expected->Eof(); expected->MoveNext(), actual->MoveNext())
                    for (const std::string& column : expected->ColumnNames())
                        EXPECT_EQ(actual->Value(column), expected->Value(column)) << sql << " " << column;
            } catch (const Error& error) {
                // Both fail alike: the text 'first' is no number to SQL Server.
                const ErrorRecord expected = error.record();
                try {
                    cached_.GetAnyRecordSet(sql);
                    ADD_FAILURE() << sql << ": no error from the cached statement";
                } catch (const Error& cachedError) {
                    EXPECT_EQ(cachedError.record().Description, expected.Description) << sql;
                }
            }
        }
    }
}

// Translations follow the column types: after a table changes, a statement
// run before is translated again.
TEST_F(StatementCacheTest, AfterASchemaChangeStatementsAreTranslatedAgain) {
    std::string sql = "SELECT FValue FROM t_Cfg WHERE FID =1";
    Database::Open(path_.string(), OpenMode::ReadWrite)
        .Exec("CREATE TABLE t_Cfg (FID INT, FValue NVARCHAR(20)); INSERT INTO t_Cfg VALUES (1, '2024-01-05');"
              "INSERT INTO t_Cfg VALUES (2, '2024-01-06')");
    EXPECT_EQ(cached_.GetAnyRecordSet(sql)->Value("FValue"), Variant("2024-01-05"));
    cached_.CloseConn();

    Database::Open(path_.string(), OpenMode::ReadWrite)
        .Exec("DROP TABLE t_Cfg; CREATE TABLE t_Cfg (FID INT, FValue DATETIME);"
              "INSERT INTO t_Cfg VALUES (1, '2024-01-05'); INSERT INTO t_Cfg VALUES (2, '2024-01-06')");
    std::string other = "SELECT FValue FROM t_Cfg WHERE FID =2";
    EXPECT_EQ(cached_.GetAnyRecordSet(other)->Value("FValue"), Variant(DateTime{2024, 1, 6}));
    EXPECT_EQ(cached_.GetAnyRecordSet(sql)->Value("FValue"), Variant(DateTime{2024, 1, 5}));
}

// A statement that fails while it reads rows is reset before it waits in
// the cache: it keeps no lock that would stop a writer.
TEST_F(StatementCacheTest, AFailedReadKeepsNoLock) {
    Database::Open(path_.string(), OpenMode::ReadWrite).Exec("UPDATE t_Demo SET FDate='someday' WHERE FID=2");
    std::string sql = "SELECT FDate FROM t_Demo WHERE FID >=1";
    EXPECT_THROW(cached_.GetAnyRecordSet(sql), Error);

    Database writer = Database::Open(path_.string(), OpenMode::ReadWrite, 0);
    EXPECT_NO_THROW(writer.Exec("BEGIN EXCLUSIVE; UPDATE t_Demo SET FDate=NULL WHERE FID=2; COMMIT"));
    EXPECT_EQ(cached_.GetAnyRecordSet(sql)->RecordCount(), 3);
}

}  // namespace
}  // namespace ovardx::sqlite
