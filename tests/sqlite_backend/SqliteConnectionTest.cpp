#include "sqlite_backend/SqliteConnection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "SqliteTestDatabase.h"
#include "ovardx/Error.h"
#include "registry/LibrarySettings.h"
#include "sqlite_backend/ProviderError.h"
#include "tests/support/ErrorOf.h"

namespace ovardx::sqlite {
namespace {

using namespace std::string_literals;
using ovardx::testing::ErrorOf;

// Rows with SQL Server's column types; the row versions grow with FID.
constexpr const char* kSchema = R"sql(
CREATE TABLE t_Demo (
    FID INTEGER PRIMARY KEY,
    FName NVARCHAR(80),
    FDate DATETIME,
    FAmount DECIMAL(18, 2),
    FModifyTime ROWVERSION,
    FChecked BIT,
    FCount INT);
INSERT INTO t_Demo VALUES (1, 'first', '2024-01-05', 12.5, X'0000000000000001', 1, 7);
INSERT INTO t_Demo VALUES (2, 'second', '2024-02-29 13:45:10.250', 3, X'0000000000000002', 0, 0);
INSERT INTO t_Demo VALUES (3, 'third', '2024-03-01 08:00:00', 0.25, X'000000000000000A', 1, -4);
INSERT INTO t_Demo VALUES (4, NULL, NULL, NULL, X'00000000000000FF', NULL, NULL);
)sql";

Bytes Version(std::uint8_t last) { return Bytes{0, 0, 0, 0, 0, 0, 0, last}; }

class SqliteConnectionTest : public ::testing::Test {
protected:
    SqliteConnectionTest() {
        path_ = folder_.path() / "erp.db";
        testing::CreateDatabase(path_, kSchema);
        connection_.ConnString("Provider=SQLite;Data Source=" + path_.string());
    }

    std::shared_ptr<Recordset> Query(std::string sql) { return connection_.GetAnyRecordSet(sql); }


    testing::TempFolder folder_;
    std::filesystem::path path_;
    SqliteConnection connection_{SqliteConnection::Policy::Scripts};
};

TEST_F(SqliteConnectionTest, ConvertsValuesByDeclaredType) {
    auto rs = Query("SELECT * FROM t_Demo ORDER BY FID");
    ASSERT_EQ(rs->RecordCount(), 4);
    EXPECT_EQ(rs->ColumnNames(),
              (std::vector<std::string>{"FID", "FName", "FDate", "FAmount", "FModifyTime", "FChecked", "FCount"}));

    EXPECT_EQ(rs->Value("FID"), Variant(1));
    EXPECT_EQ(rs->Value("FName"), Variant("first"));
    EXPECT_EQ(rs->Value("FDate"), Variant(DateTime{2024, 1, 5}));
    EXPECT_EQ(rs->Value("FAmount"), Variant(12.5));
    EXPECT_EQ(rs->Value("FModifyTime"), Variant(Version(1)));
    EXPECT_EQ(rs->Value("FChecked"), Variant(true));
    EXPECT_EQ(rs->Value("FCount"), Variant(7));

    rs->MoveNext();
    EXPECT_EQ(rs->Value("FDate"), Variant(DateTime{2024, 2, 29, 13, 45, 10, 250}));
    // An integral decimal still comes back as a double.
    EXPECT_EQ(rs->Value("FAmount").kind(), Variant::Kind::Double);
    EXPECT_EQ(rs->Value("FChecked"), Variant(false));

    rs->MoveLast();
    for (const char* column : {"FName", "FDate", "FAmount", "FChecked", "FCount"}) {
        EXPECT_TRUE(rs->Value(column).IsNull()) << column;
    }
}

TEST_F(SqliteConnectionTest, ColumnsWithoutDeclaredTypeGoByStorageClass) {
    auto rs = Query("SELECT MAX(FModifyTime) as FMT, COUNT(*) n, 1.5 r, 'x' t, NULL z FROM t_Demo");
    EXPECT_EQ(rs->Value("FMT"), Variant(Version(0xFF)));
    EXPECT_EQ(rs->Value("n"), Variant(4));
    EXPECT_EQ(rs->Value("r"), Variant(1.5));
    EXPECT_EQ(rs->Value("t"), Variant("x"));
    EXPECT_TRUE(rs->Value("z").IsNull());

    // MAX over no rows is null, as the export's timestamp helper expects.
    rs = Query("SELECT MAX(FModifyTime) as FMT FROM t_Demo WHERE FID > 100");
    ASSERT_FALSE(rs->Eof());
    EXPECT_TRUE(rs->Value("FMT").IsNull());
}

TEST_F(SqliteConnectionTest, DeclaredTypesFollowColumnsThroughSubSelectsAndUnions) {
    auto rs = Query("SELECT u.FDate, u.FModifyTime FROM (SELECT FDate, FModifyTime FROM t_Demo WHERE FID=1 "
                    "union SELECT FDate, FModifyTime FROM t_Demo WHERE FID=1) u");
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Value("FDate"), Variant(DateTime{2024, 1, 5}));
    EXPECT_EQ(rs->Value("FModifyTime"), Variant(Version(1)));
}

TEST_F(SqliteConnectionTest, TopInSubSelectWithMaxOverIt) {
    // The deletion key export's bound statement: the page is the two oldest
    // changes after the bound, the maximum is the newest of them.
    auto rs = Query("SELECT MAX(u.FModifyTime) FMT FROM ( SELECT TOP 2 * FROM t_Demo  WHERE FID>0 "
                    " and (FModifyTime>0x0000000000000001) ORDER BY FModifyTime) u");
    EXPECT_EQ(rs->Value("FMT"), Variant(Version(0x0A)));

    rs = Query("SELECT TOP 3 FID FROM t_Demo ORDER BY FModifyTime DESC");
    ASSERT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(rs->Value("FID"), Variant(4));
}

TEST_F(SqliteConnectionTest, ComparesRowVersionsWithBinaryLiterals) {
    struct {
        const char* condition;
        int rows;
    } cases[] = {
        {"FModifyTime>0x0000000000000000", 4},
        {"FModifyTime>0x0000000000000002", 2},
        {"FModifyTime>0x00000000000000FF", 0},
        {"FModifyTime=0x000000000000000a", 1},
        {"FModifyTime>0x", 4},
    };
    for (const auto& c : cases) {
        auto rs = Query(std::string("SELECT FID FROM t_Demo WHERE ") + c.condition);
        EXPECT_EQ(rs->RecordCount(), c.rows) << c.condition;
    }
}

TEST_F(SqliteConnectionTest, NumberGluedToKeyword) {
    auto rs = Query("SELECT FID FROM t_Demo WHERE FID = 3AND FChecked = 1");
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Value("FID"), Variant(3));

    rs = Query("SELECT FID FROM t_Demo WHERE FCount=-4AND FID in(1,3)");
    EXPECT_EQ(rs->RecordCount(), 1);
}

TEST_F(SqliteConnectionTest, WritesAnswerAnEmptyRecordsetAndCountChanges) {
    auto rs = Query("UPDATE t_Demo SET FCount = FCount + 1 WHERE FCount IS NOT NULL");
    EXPECT_EQ(rs->FieldCount(), 0);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(connection_.LastChanges(), 3);

    // The last statement with columns answers; the write before it counts.
    rs = Query("DELETE FROM t_Demo WHERE FID = 4; SELECT COUNT(*) AS n FROM t_Demo; CREATE TABLE t_x (a INT)");
    EXPECT_EQ(rs->Value("n"), Variant(3));
    EXPECT_EQ(connection_.LastChanges(), 0);  // CREATE changed no rows

    Query("SELECT 1");
    EXPECT_EQ(connection_.LastChanges(), 0);
}

TEST_F(SqliteConnectionTest, GetDateGivesTheCurrentTimeAsDateText) {
    auto rs = Query("SELECT GETDATE() AS d");
    const auto now = DateTime::Parse(rs->Value("d").ToText());
    ASSERT_TRUE(now.has_value()) << rs->Value("d").ToText();
}

TEST_F(SqliteConnectionTest, StatementErrorsCarryNumberSourceAndDescription) {
    struct {
        const char* sql;
        const char* description;
    } cases[] = {
        {"SELECT * FROM t_Missing", "no such table: t_Missing"},
        {"SELECT FNope FROM t_Demo", "no such column: FNope"},
        {"SELECT TOP 5 PERCENT * FROM t_Demo", "Cannot translate to SQLite: TOP ... PERCENT at character 8"},
        {"SELECT FID FROM t_Demo WHERE FName='open", "unterminated string"},
        {"INSERT INTO t_Demo (FID) VALUES (1)", "UNIQUE constraint failed: t_Demo.FID"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        const ErrorRecord error = ErrorOf([&] { Query(c.sql); });
        EXPECT_EQ(error.Number, -2147217900);
        EXPECT_EQ(error.Source, "OVArDataExchange SQLite Provider");
        EXPECT_NE(error.Description.find(c.description), std::string::npos) << error.Description;
    }
    // The connection stays usable after an error.
    EXPECT_EQ(Query("SELECT COUNT(*) n FROM t_Demo")->Value("n"), Variant(4));
}

TEST_F(SqliteConnectionTest, ValueThatItsTypeCannotHoldIsAnError) {
    // Written past the translation, which refuses text that is no date.
    Database::Open(path_.string(), OpenMode::ReadWrite).Exec("UPDATE t_Demo SET FDate='someday' WHERE FID=1");
    const ErrorRecord error = ErrorOf([&] { Query("SELECT FDate FROM t_Demo WHERE FID=1"); });
    EXPECT_EQ(error.Number, kStatementError);
    EXPECT_EQ(error.Description, "Column 'FDate' holds 'someday', which is not a valid date value");
}

TEST_F(SqliteConnectionTest, MissingFileIsRefusedAndNotCreated) {
    const auto missing = folder_.path() / "missing.db";
    connection_.ConnString("Provider=SQLite;Data Source=" + missing.string());
    const ErrorRecord error = ErrorOf([&] { Query("SELECT 1"); });
    EXPECT_EQ(error.Number, -2147467259);
    EXPECT_EQ(error.Source, "OVArDataExchange SQLite Provider");
    EXPECT_EQ(error.Description, "unable to open database file: " + missing.string());
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(connection_.IsOpen());
}

TEST_F(SqliteConnectionTest, OpenErrors) {
    const auto notADatabase = folder_.path() / "notes.txt";
    std::ofstream(notADatabase) << "this is no database, but it is long enough to have a header page";
    struct {
        std::string connectString;
        std::string description;
    } cases[] = {
        {"Provider=SQLite;Data Source=" + notADatabase.string(), "file is not a database: " + notADatabase.string()},
        {"Provider=SQLite;Data Source=" + folder_.path().string(), "unable to open database file"},
        {"Provider=SQLOLEDB;Data Source=srv", "Provider 'SQLOLEDB' is not supported"},
        {"Provider=SQLite", "The connection string names no Data Source"},
        {"", "No connection string has been set"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.connectString);
        SqliteConnection connection;
        connection.ConnString(c.connectString);
        const ErrorRecord error = ErrorOf([&] {
            std::string sql = "SELECT 1";
            connection.GetAnyRecordSet(sql);
        });
        EXPECT_EQ(error.Number, kOpenError);
        EXPECT_NE(error.Description.find(c.description), std::string::npos) << error.Description;
    }
}

TEST_F(SqliteConnectionTest, ReconnectsAfterCloseConn) {
    Query("SELECT 1");
    EXPECT_TRUE(connection_.IsOpen());
    connection_.CloseConn();
    connection_.CloseConn();  // harmless twice
    EXPECT_FALSE(connection_.IsOpen());

    connection_.ConnString("Provider=SQLite;Data Source=" + path_.string());
    EXPECT_EQ(Query("SELECT COUNT(*) n FROM t_Demo")->Value("n"), Variant(4));

    // A new connection string takes effect on the next statement.
    const auto other = folder_.path() / "other.db";
    testing::CreateDatabase(other, "CREATE TABLE t_Other (a INT); INSERT INTO t_Other VALUES (9);");
    connection_.ConnString("provider = sqlite ; Database = " + other.string());
    EXPECT_EQ(Query("SELECT a FROM t_Other")->Value("a"), Variant(9));
}

TEST_F(SqliteConnectionTest, TheLibrarysConnectionRunsOneReadOnlyStatementOnly) {
    SqliteConnection library;  // what CreateSqliteConnection makes
    library.ConnString("Provider=SQLite;Data Source=" + path_.string());
    const std::string attached = (folder_.path() / "attached.db").string();
    struct {
        std::string sql;
        std::string description;
    } cases[] = {
        // A filter that closes the condition and appends a statement.
        {"SELECT FID FROM t_Demo WHERE 1=0; DELETE FROM t_Demo; --", "found DELETE"},
        {"DELETE FROM t_Demo", "found DELETE"},
        {"UPDATE t_Demo SET FCount=0", "found UPDATE"},
        {"INSERT INTO t_Demo (FID) VALUES (9)", "found INSERT"},
        {"SELECT 1; SELECT 2", "More than one statement in the SQL text"},
        {"PRAGMA query_only=0", "found PRAGMA"},
        {"ATTACH '" + attached + "' AS other", "found ATTACH"},
        {"BEGIN", "found transaction control"},
        {"CREATE TABLE t_x (a INT)", "Statement refused"},
        // Not T-SQL: the translation refuses it before the authorizer would.
        {"SELECT load_extension('libx')", "Cannot translate to SQLite: function load_extension at character 8"},
        {"SELECT FID FROM t_Demo WHERE FID=1\0 OR 1=1"s,
         "The SQL text holds a NUL character at character 35"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        const ErrorRecord error = ErrorOf([&] {
            std::string sql = c.sql;
            library.GetAnyRecordSet(sql);
        });
        EXPECT_EQ(error.Number, kStatementError);
        EXPECT_NE(error.Description.find(c.description), std::string::npos) << error.Description;
    }
    EXPECT_EQ(Query("SELECT COUNT(*) n FROM t_Demo WHERE FCount IS NOT NULL AND FCount<>0")->Value("n"), Variant(2));
    EXPECT_FALSE(std::filesystem::exists(attached));

    // What the library does send still runs, and so do the functions a
    // translated filter calls.
    std::string select = "SELECT TOP 1 FID FROM t_Demo WHERE FModifyTime>0x00 ORDER BY FModifyTime";
    EXPECT_EQ(library.GetAnyRecordSet(select)->Value("FID"), Variant(1));
    std::string filter = "SELECT FID FROM t_Demo WHERE DATEADD(day, 1, FDate) > CAST('2024-03-01' AS datetime) "
                         "AND LEFT(FName, 1) = 't'";
    EXPECT_EQ(library.GetAnyRecordSet(filter)->Value("FID"), Variant(3));
}

TEST_F(SqliteConnectionTest, ANulCharacterNeverCutsAScript) {
    const ErrorRecord error = ErrorOf([&] { Query("DELETE FROM t_Demo WHERE FID=1\0 OR 1=1"s); });
    EXPECT_EQ(error.Number, kStatementError);
    EXPECT_EQ(Query("SELECT COUNT(*) n FROM t_Demo")->Value("n"), Variant(4));
}

TEST_F(SqliteConnectionTest, UriFileNamesOnlyWhenTheConfigurationAllowsThem) {
    SqliteConnection connection;
    connection.ConnString("Provider=SQLite;Data Source=file:" + path_.string() + "?immutable=1");
    const ErrorRecord error = ErrorOf([&] {
        std::string sql = "SELECT 1";
        connection.GetAnyRecordSet(sql);
    });
    EXPECT_EQ(error.Number, kOpenError);
    EXPECT_NE(error.Description.find("AllowUriFileNames=1"), std::string::npos) << error.Description;

    std::thread([&] {
        LibrarySettings settings;
        settings.allowUriFileNames = true;
        SetThreadSettings(settings);
        std::string sql = "SELECT COUNT(*) n FROM t_Demo";
        EXPECT_EQ(connection.GetAnyRecordSet(sql)->Value("n"), Variant(4));
    }).join();
}

TEST_F(SqliteConnectionTest, WaitsForAWriterUpToTheBusyTimeout) {
    // Another connection holds the file locked for a while; opening reads
    // the schema, which needs a lock too.
    Database writer = Database::Open(path_.string(), OpenMode::ReadWrite);
    writer.Exec("BEGIN EXCLUSIVE");
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        writer.Exec("COMMIT");
    });
    SqliteConnection waiting;
    waiting.ConnString("Provider=SQLite;Data Source=" + path_.string());
    std::string sql = "SELECT COUNT(*) n FROM t_Demo";
    EXPECT_EQ(waiting.GetAnyRecordSet(sql)->Value("n"), Variant(4));
    release.join();

    // With no wait configured, the same lock fails the call at once, and
    // says what to configure.
    writer.Exec("BEGIN EXCLUSIVE");
    std::thread([&] {
        LibrarySettings settings;
        settings.busyTimeoutMilliseconds = 0;
        SetThreadSettings(settings);
        SqliteConnection impatient;
        impatient.ConnString("Provider=SQLite;Data Source=" + path_.string());
        const ErrorRecord error = ErrorOf([&] {
            std::string again = "SELECT 1";
            impatient.GetAnyRecordSet(again);
        });
        EXPECT_EQ(error.Number, kOpenError);
        EXPECT_NE(error.Description.find("database is locked"), std::string::npos) << error.Description;
        EXPECT_NE(error.Description.find("BusyTimeout"), std::string::npos) << error.Description;
    }).join();
    writer.Exec("COMMIT");
}

// Handles are kept open between calls; a file put in the place of the one a
// kept handle was opened on is read anew, and closing the stale handle
// leaves the new file's log alone.
TEST_F(SqliteConnectionTest, AFileReplacedAtItsPathIsOpenedAnew) {
    Database::Open(path_.string(), OpenMode::ReadWrite).Exec("PRAGMA journal_mode=WAL");
    SqliteConnection library;
    library.ConnString("Provider=SQLite;Data Source=" + path_.string());
    std::string count = "SELECT COUNT(*) n FROM t_Demo";
    EXPECT_EQ(library.GetAnyRecordSet(count)->Value("n"), Variant(4));
    library.CloseConn();  // the handle stays open, idle

    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path_.string() + suffix);
    testing::CreateDatabase(path_, "CREATE TABLE t_Demo (FID INTEGER PRIMARY KEY);");
    // A writer of the new file whose commit is still only in its log.
    Database writer = Database::Open(path_.string(), OpenMode::ReadWrite);
    writer.Exec("PRAGMA journal_mode=WAL");
    writer.Exec("PRAGMA wal_autocheckpoint=0");
    writer.Exec("INSERT INTO t_Demo VALUES (1)");

    library.ConnString("Provider=SQLite;Data Source=" + path_.string());
    EXPECT_EQ(library.GetAnyRecordSet(count)->Value("n"), Variant(1));
    library.CloseConn();
    Database reader = Database::Open(path_.string(), OpenMode::ReadOnly);
    Statement rows(reader, "SELECT COUNT(*) FROM t_Demo");
    ASSERT_TRUE(rows.Step());
    EXPECT_EQ(rows.ColumnInt64(0), 1);
}

TEST(SqliteConnectionFactoryTest, CreatesAClosedConnection) {
    auto connection = CreateSqliteConnection();
    ASSERT_NE(connection, nullptr);
    connection->CloseConn();
    EXPECT_NE(dynamic_cast<SqliteConnection*>(connection.get()), nullptr);
}

}  // namespace
}  // namespace ovardx::sqlite
