#include "sqlite_backend/StatementCache.h"
#include "sqlite_backend/StatementShape.h"

#include <gtest/gtest.h>

#include <string>

#include "SqliteTestDatabase.h"
#include "ovardx/Error.h"
#include "sqlite_backend/SqliteConnection.h"

namespace ovardx::sqlite {
namespace {

// Which values of a text may become parameters, and which texts share a key.
TEST(StatementShapeTest, ValuesThatMayBecomeParameters) {
    struct Case {
        const char* sql;
        std::vector<Variant> values;  // none: the text has no shape
        const char* sameKey;          // another text of the same shape, or nullptr
    };
    const Bytes bound{0, 0, 0, 0, 0, 0, 0, 0xFF};
    const Case cases[] = {
        {"SELECT a FROM t WHERE FItemID =42", {42}, "SELECT a FROM t WHERE FItemID =7"},
        {"SELECT a FROM t WHERE x>=007 \r\n", {7}, "SELECT a FROM t WHERE x>=999999999 \r\n"},
        {"SELECT a FROM t WHERE x=1234567890", {}, nullptr},  // may be no int
        {"SELECT a FROM t ORDER BY 1", {}, nullptr},
        {"SELECT a FROM t WHERE x = -5", {}, nullptr},
        {"SELECT a FROM t WHERE x = 1.5", {}, nullptr},
        {"SELECT a FROM t WHERE x = 1e5", {}, nullptr},
        {"SELECT a FROM t WHERE x = 5;", {}, nullptr},
        {"SELECT a FROM t WHERE x = 5 -- note", {}, nullptr},
        {"SELECT a FROM t WHERE UUID='A-1'", {"A-1"}, "SELECT a FROM t WHERE UUID='it''s'"},
        {"SELECT a FROM t WHERE c=4 and FNumber='A' AND FName='' ", {"A", ""}, "SELECT a FROM t WHERE c=4 and FNumber='B' AND FName='C' "},
        {"SELECT a FROM t WHERE FCategory='Base' AND x=16", {"Base", 16}, "SELECT a FROM t WHERE FCategory='x' AND x=1"},
        {"SELECT a FROM t WHERE UUID=N'A'", {}, nullptr},
        {"SELECT a FROM t WHERE a = 'x' + 'y'", {"x"}, nullptr},
        {"SELECT a FROM t WHERE a LIKE 'x' OR a <> 'y'", {}, nullptr},
        {"SELECT a FROM t WHERE a = 'unterminated", {}, nullptr},
        {"SELECT a FROM t WHERE v>0x00000000000000FF AND w=0x00000000000000FF", {bound},
         "SELECT a FROM t WHERE v>0x0123456789ABCDEF AND w=0x0123456789ABCDEF"},
        {"SELECT a FROM t WHERE v>0xABC", {Bytes{0x0A, 0xBC}}, nullptr},
        {"SELECT a FROM t WHERE v>0x00000000000000FF AND s='x'", {bound, "x"}, nullptr},
        {"SELECT a FROM t WHERE v>0x01 AND w=0x02", {}, nullptr},
        {"SELECT a FROM t WHERE v>0x01 AND w=0x0001", {}, nullptr},
        {"SELECT a FROM t WHERE v>0xAB AND w=0xab", {}, nullptr},
        {"SELECT a FROM t WHERE v>0x", {}, nullptr},
        // Binary literals found without tokenizing, and where a scan leaves it to the tokens.
        {"SELECT a FROM t WHERE v>0x00000000000000FF ORDER BY v", {bound},
         "SELECT a FROM t WHERE v>0x0123456789ABCDEF ORDER BY v"},
        {"SELECT a FROM t WHERE v>0x00000000000000FF AND x=16", {bound, 16},
         "SELECT a FROM t WHERE v>0x0123456789ABCDEF AND x=1"},
        {"SELECT a0x1, 10x1 FROM t WHERE (v>=0x00000000000000FF)", {bound},
         "SELECT a0x1, 10x1 FROM t WHERE (v>=0x0123456789ABCDEF)"},
        {"SELECT a FROM t WHERE v>0x00000000000000FF -- 0x01", {bound}, nullptr},
        {"SELECT a FROM t WHERE v>0x01AND w=1", {Bytes{0x00, 0x1A}, 1}, nullptr},
        {"SELECT t.0x01 FROM t WHERE v>0x01", {Bytes{0x01}}, nullptr},
        {"SELECT a FROM t WHERE s='\x01' AND v=5", {}, nullptr},
        {"", {}, nullptr},
    };
    for (const Case& c : cases) {
        const auto shape = ShapeOf(c.sql);
        ASSERT_EQ(shape.has_value(), !c.values.empty()) << c.sql;
        if (!shape) continue;
        EXPECT_EQ(shape->values, c.values) << c.sql;
        EXPECT_NE(shape->probe, c.sql);
        if (c.sameKey) {
            EXPECT_EQ(shape->key, ShapeOf(c.sameKey)->key) << c.sql;
        }
    }
    // Values of other lengths, or other kinds, never share a key.
    EXPECT_NE(ShapeOf("SELECT a FROM t WHERE v>0x01")->key, ShapeOf("SELECT a FROM t WHERE v>0x0001")->key);
    EXPECT_NE(ShapeOf("SELECT a FROM t WHERE v=1")->key, ShapeOf("SELECT a FROM t WHERE v='1'")->key);
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
    const std::vector<const char*> texts = {"'first'", "'2'", "'FIRST'", "''", "'2024-01-05'", "'first '",
                                            "'it''s'", "'7'", "'2024-02-29 13:45:10.250'", "'x'"};
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
        {"SELECT FID, FDate FROM t_Demo WHERE FName = {}", texts},
        {"SELECT FID FROM t_Demo WHERE FDate={}", texts},   // text as a date: converted or refused, never shared
        {"SELECT FID FROM t_Demo WHERE FCount = {}", texts},  // text as a number
        {"SELECT {} AS v, FID FROM t_Demo WHERE FName={}", texts},
        {"SELECT v = {}, FID FROM t_Demo WHERE FName={}", texts},  // an alias as T-SQL writes it
        {"SELECT FID FROM t_Demo WHERE FName={} AND FID IN (SELECT FID FROM t_Demo WHERE FName <> {})", texts},
        {"SELECT FID FROM t_Demo WHERE FName={} OR FName={} OR FDate={}", texts},
        {"SELECT FID FROM t_Demo WHERE FModifyTime>0x0000000000000001 AND FName={}", texts},
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
