// The ODBC connection through the SQLite ODBC driver: values as the embedded
// connection gives them, errors, refusals, and what may never be shown.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "components/DispatchingConnection.h"
#include "odbc_backend/ConnectionTarget.h"
#include "odbc_backend/OdbcConnection.h"
#include "odbc_backend/OdbcSession.h"
#include "ovardx/Error.h"
#include "registry/LibrarySettings.h"
#include "sqlite_backend/ProviderError.h"
#include "sqlite_backend/SqliteConnection.h"
#include "sqlite_backend/SqliteHandle.h"
#include "tests/odbc/OdbcTestDriver.h"
#include "tests/support/DemoDatabaseFixture.h"
#include "tests/support/ErrorOf.h"

namespace ovardx::testing {
namespace {

std::string LongChineseText() {
    std::string text;
    for (int i = 0; text.size() < 120000; ++i) text += "应收账款第" + std::to_string(i) + "行；";
    return text;
}

std::string LongBlobLiteral() {
    std::string hex = "X'";
    for (int i = 0; i < 70000; ++i) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        hex += kDigits[(i * 7) % 16];
        hex += kDigits[(i * 3) % 16];
    }
    return hex + "'";
}

class OdbcConnectionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterSqliteOdbcDriver(); }

    OdbcConnectionTest() {
        sqlite::Database db = sqlite::Database::Open(path_.string(), sqlite::OpenMode::ReadWriteCreate);
        db.Exec(
            "CREATE TABLE t_Demo (FID INTEGER PRIMARY KEY, FName NVARCHAR(80), FDate DATETIME, FAmount DECIMAL(18,2),"
            " FModifyTime ROWVERSION, FChecked BIT, FCount INT, FData VARBINARY(8000), FText NTEXT);"
            "INSERT INTO t_Demo VALUES (1, '上海华信贸易有限公司', '2024-02-29 13:45:10.250', 12.5,"
            " X'00000000000007D1', 1, 7, X'00FF10', 'short');"
            "INSERT INTO t_Demo VALUES (2, 'Acme & Sons', '2024-03-01', 0.25, X'00000000000007D2', 0, -4, NULL, NULL);"
            "INSERT INTO t_Demo VALUES (3, NULL, NULL, NULL, NULL, NULL, NULL, " + LongBlobLiteral() + ", '" +
            LongChineseText() + "');");
        embedded_.ConnString("Provider=SQLite;Data Source=" + path_.string());
        odbc_.ConnString(OdbcConnectString(path_));
    }

    // The same statement through both connections gives the same recordset.
    void ExpectSameRows(std::string sql) {
        SCOPED_TRACE(sql);
        std::string copy = sql;
        const auto expected = embedded_.GetAnyRecordSet(copy);
        const auto actual = odbc_.GetAnyRecordSet(sql);
        ASSERT_EQ(expected->ColumnNames(), actual->ColumnNames());
        ASSERT_EQ(expected->RecordCount(), actual->RecordCount());
        for (; !expected->Eof(); expected->MoveNext(), actual->MoveNext()) {
            for (std::int32_t column = 0; column < expected->FieldCount(); ++column) {
                const Variant want = expected->Item(column).Value;
                const Variant got = actual->Item(column).Value;
                EXPECT_EQ(want.kind(), got.kind()) << expected->ColumnNames()[static_cast<std::size_t>(column)];
                EXPECT_TRUE(want == got) << expected->ColumnNames()[static_cast<std::size_t>(column)] << ": "
                                         << Describe(want).substr(0, 80) << " / " << Describe(got).substr(0, 80);
            }
        }
    }

    TemporaryFolder folder_;
    std::filesystem::path path_ = folder_.Path() / "values.db";
    sqlite::SqliteConnection embedded_;
    odbc::OdbcConnection odbc_;
};

TEST_F(OdbcConnectionTest, ValuesArriveAsTheEmbeddedConnectionGivesThem) {
    // Dates, row versions and binaries, decimals, integers, bits, Chinese and
    // long text and binary (read in pieces), nulls of every type.
    ExpectSameRows("SELECT * FROM t_Demo ORDER BY FID");
    // Expressions have no declared type: by the value.
    ExpectSameRows("SELECT MAX(FModifyTime) AS FMT, COUNT(*) AS n, MAX(FName) + N'有限' AS t, SUM(FAmount) AS s "
                   "FROM t_Demo");
    ExpectSameRows("SELECT MAX(FModifyTime) AS FMT FROM t_Demo WHERE FID > 100");
    // The translation runs as on the embedded database: T-SQL functions, dates by value.
    ExpectSameRows("SELECT TOP 1 CONVERT(varchar(10), FDate, 120) AS d, DATEADD(day, 1, FDate) AS next, LEN(FName) AS n "
                   "FROM t_Demo WHERE FDate >= '2024-02-29' ORDER BY FDate");
}

TEST_F(OdbcConnectionTest, ADatabaseErrorCarriesTheDriversDiagnostics) {
    std::string sql = "SELECT FNoSuchColumn FROM t_Demo";
    const ErrorRecord error = ErrorOf([&] { odbc_.GetAnyRecordSet(sql); });
    EXPECT_EQ(error.Number, sqlite::kStatementError);
    EXPECT_EQ(error.Source, std::string("ODBC driver ") + kSqliteOdbcDriver);
    EXPECT_NE(error.Description.find("no such column"), std::string::npos) << error.Description;
    EXPECT_NE(error.Description.find("[HY000]"), std::string::npos) << error.Description;
    // The connection stays usable.
    ExpectSameRows("SELECT FID FROM t_Demo");
}

TEST_F(OdbcConnectionTest, AMissingFileIsAnOpenErrorAndNoNewDatabase) {
    odbc::OdbcConnection missing;
    missing.ConnString(OdbcConnectString(folder_.Path() / "missing.db"));
    std::string sql = "SELECT 1 AS x";
    const ErrorRecord error = ErrorOf([&] { missing.GetAnyRecordSet(sql); });
    EXPECT_EQ(error.Number, sqlite::kOpenError);
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "missing.db"));
}

TEST_F(OdbcConnectionTest, OnlyOneQueryReachesTheDriver) {
    const std::string texts[] = {
        "SELECT FID FROM t_Demo; DELETE FROM t_Demo",
        "SELECT FID FROM t_Demo;\n-- a comment\n;UPDATE t_Demo SET FCount = 0",
        std::string("SELECT FID FROM t_Demo WHERE FName = 'a'\0' OR 1=1", 46),
        "DELETE FROM t_Demo",
        "UPDATE t_Demo SET FCount = 0",
        "WITH x AS (SELECT 1 AS a) DELETE FROM t_Demo",
        "EXEC sp_who",
        "SELECT FID FROM t_Demo WHERE FID = @id",
        "",
    };
    for (std::string sql : texts) {
        SCOPED_TRACE(sql);
        const ErrorRecord error = ErrorOf([&] { odbc_.GetAnyRecordSet(sql); });
        EXPECT_EQ(error.Number, sqlite::kStatementError);
        EXPECT_NE(error.Description.find("Statement refused"), std::string::npos) << error.Description;
    }
    // A ";" in a literal, a name or a comment, and a final one, are no second statement.
    ExpectSameRows("SELECT FID, 'a;b' AS [x;y] FROM t_Demo /* ; */ WHERE FName <> ';' ORDER BY FID;");
    std::string count = "SELECT COUNT(*) AS n FROM t_Demo";
    EXPECT_EQ(odbc_.GetAnyRecordSet(count)->Value("n").ToInt32(), 3);
}

TEST_F(OdbcConnectionTest, AWriteIsRefusedByTheConnectionItselfAndNeverKept) {
    // Below the statement check: the session is query-only and rolls back.
    const odbc::OdbcTarget target = odbc::ResolveOdbcTarget(OdbcConnectString(path_));
    auto session = odbc::Session::Connect(target);
    const ErrorRecord error = ErrorOf([&] { session->Query("DELETE FROM t_Demo"); });
    EXPECT_EQ(error.Number, sqlite::kStatementError);
    EXPECT_NE(error.Description.find("readonly"), std::string::npos) << error.Description;
    EXPECT_TRUE(session->Rollback());
    std::string count = "SELECT COUNT(*) AS n FROM t_Demo";
    EXPECT_EQ(embedded_.GetAnyRecordSet(count)->Value("n").ToInt32(), 3);
}

TEST_F(OdbcConnectionTest, APasswordNeverAppearsInAnError) {
    const std::string secret = "Sup3r;Secret";
    const std::string strings[] = {
        // ODBC strings as they stand: the driver manager's and the driver's errors.
        "Driver={No Such Driver};Server=db;PWD={" + secret + "}",
        "Driver={" + std::string(kSqliteOdbcDriver) + "};Database=" + (folder_.Path() / "none.db").string() +
            ";NoCreat=1;PWD={" + secret + "}",
        // OLE DB strings refused while mapping.
        "Provider=SQLOLEDB;Data Source=db;Password=\"" + secret + "\";Bogus Key=1",
        "Provider=SQLOLEDB;Data Source=db;Password=Sup3r;Secret;User ID=sa",
        "Provider=SQLOLEDB;Data Source=db;Password=Sup3r;Secret=1",
        "Provider=SQLOLEDB;Data Source=db;User ID=sa;Password=\"" + secret,
        // Mapped, then refused by the driver manager: no such library.
        "Provider=SQLOLEDB;Data Source=db;User ID=sa;Password=\"" + secret + "\"",
    };
    // A driver library that is not there: the mapping runs, the connection fails.
    LibrarySettings settings = ThreadSettings();
    const LibrarySettings saved = settings;
    settings.odbcDriver = "/nonexistent/libtdsodbc.so";
    SetThreadSettings(settings);
    for (const std::string& connectString : strings) {
        SCOPED_TRACE(connectString);
        DispatchingConnection connection;
        connection.ConnString(connectString);
        std::string sql = "SELECT 1 AS x";
        const ErrorRecord error = ErrorOf([&] { connection.GetAnyRecordSet(sql); });
        EXPECT_EQ(error.Number, sqlite::kOpenError);
        EXPECT_FALSE(error.Description.empty());
        for (const char* part : {"Sup3r", "Secret"}) {
            EXPECT_EQ(error.Description.find(part), std::string::npos) << error.Description;
            EXPECT_EQ(error.Source.find(part), std::string::npos) << error.Source;
        }
    }
    SetThreadSettings(saved);
}

TEST_F(OdbcConnectionTest, TheDispatcherFollowsTheConnectionString) {
    DispatchingConnection connection;
    std::string sql = "SELECT FName FROM t_Demo WHERE FID = 1";
    for (const std::string& connectString :
         {"Provider=SQLite;Data Source=" + path_.string(), OdbcConnectString(path_), "Data Source=" + path_.string()}) {
        SCOPED_TRACE(connectString);
        connection.ConnString(connectString);
        EXPECT_EQ(connection.GetAnyRecordSet(sql)->Value("FName").ToText(), "上海华信贸易有限公司");
    }
    connection.ConnString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb");
    const ErrorRecord error = ErrorOf([&] { connection.GetAnyRecordSet(sql); });
    EXPECT_EQ(error.Number, sqlite::kOpenError);
    EXPECT_NE(error.Description.find("Provider=SQLite"), std::string::npos) << error.Description;
}

}  // namespace
}  // namespace ovardx::testing
