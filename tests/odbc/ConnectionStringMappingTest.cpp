// Connection strings: which backend, the OLE DB strings hosts store mapped
// to ODBC for each SQL Server driver, quoting, the driver's choice.

#include <gtest/gtest.h>
#include <sqlext.h>

#include <functional>
#include <string>
#include <vector>

#include "odbc_backend/ConnectionTarget.h"
#include "odbc_backend/OdbcColumns.h"
#include "odbc_backend/OdbcConnectionString.h"
#include "odbc_backend/OdbcDrivers.h"
#include "odbc_backend/OleDbMapping.h"
#include "ovardx/Error.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::odbc {
namespace {

std::string RefusalOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& error) {
        EXPECT_EQ(error.record().Number, sqlite::kOpenError);
        return error.record().Description;
    }
    ADD_FAILURE() << "not refused";
    return {};
}

TEST(BackendChoice, FollowsTheProviderOrTheOdbcKeys) {
    struct Case {
        std::string connectString;
        Backend backend;
    } const cases[] = {
        {"Provider=SQLite;Data Source=/srv/erp.db", Backend::Embedded},
        {"provider = sqlite ; Data Source=/srv/erp.db", Backend::Embedded},
        {"Data Source=/srv/erp.db", Backend::Embedded},
        {"", Backend::Embedded},
        {"Provider=SQLOLEDB;Data Source=srv;Initial Catalog=AIS", Backend::Odbc},
        {"Provider=SQLOLEDB.1;Data Source=srv", Backend::Odbc},
        {"Provider=MSOLEDBSQL19;Server=srv", Backend::Odbc},
        {"Provider=SQLNCLI11.1;Server=srv", Backend::Odbc},
        {"Driver={ODBC Driver 18 for SQL Server};Server=srv", Backend::Odbc},
        {"DSN=erp;UID=sa", Backend::Odbc},
        // A Provider inside a braced or quoted value is no key.
        {"Driver={x;Provider=SQLite};Server=srv", Backend::Odbc},
        {"Provider=SQLite;Data Source='a;Driver=b'", Backend::Embedded},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb", Backend::Unsupported},
        {"Provider=SQLOLEDB.x;Data Source=srv", Backend::Unsupported},
    };
    for (const Case& c : cases) EXPECT_EQ(BackendOf(c.connectString), c.backend) << c.connectString;
}

const SqlServerDriver kVendor18{"ODBC Driver 18 for SQL Server", DriverDialect::Vendor18};
const SqlServerDriver kVendor17{"ODBC Driver 17 for SQL Server", DriverDialect::Vendor17};
const SqlServerDriver kFreeTds{"FreeTDS", DriverDialect::FreeTds};

TEST(OleDbMapping, MapsTheStringsHostsStore) {
    struct Case {
        std::string oleDb;
        const SqlServerDriver* driver;
        std::string odbc;
    } const cases[] = {
        {"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=p@ss;Initial Catalog=AIS2025;"
         "Data Source=erp-db",
         &kVendor18,
         "Driver={ODBC Driver 18 for SQL Server};Server=erp-db;Database=AIS2025;UID=sa;PWD={p@ss};Encrypt=No;"},
        {"Provider=SQLOLEDB;Data Source=erp-db,1533;Initial Catalog=AIS;Integrated Security=SSPI", &kVendor18,
         "Driver={ODBC Driver 18 for SQL Server};Server={erp-db,1533};Database=AIS;Trusted_Connection=Yes;"
         "Encrypt=No;"},
        {"Provider=MSOLEDBSQL19;Server=erp-db\\K3;Database=AIS;UID=web;PWD=x;TrustServerCertificate=True;"
         "Application Name=OVArDataExchange;Connect Timeout=15",
         &kVendor18,
         "Driver={ODBC Driver 18 for SQL Server};Server=erp-db\\K3;Database=AIS;UID=web;PWD=x;Encrypt=Yes;"
         "TrustServerCertificate=Yes;APP=OVArDataExchange;"},
        {"Provider=SQLNCLI11;Data Source=tcp:10.0.0.5,1433;Initial Catalog=AIS;User ID=web;Password=\"a;b\"\"c\";"
         "Encrypt=yes;Workstation ID=WS1;Packet Size=4096;Auto Translate=True",
         &kVendor17,
         "Driver={ODBC Driver 17 for SQL Server};Server={10.0.0.5,1433};Database=AIS;UID=web;PWD={a;b\"c};"
         "Encrypt=Yes;"},
        {"Provider=SQLOLEDB;Data Source=(local);Initial Catalog=AIS;User ID=sa;Password='}{';Use Encryption for Data=True",
         &kVendor18,
         "Driver={ODBC Driver 18 for SQL Server};Server=localhost;Database=AIS;UID=sa;PWD={}}{};Encrypt=Yes;"},
        {"Provider=SQLOLEDB;Data Source=erp-db,1533;Initial Catalog=AIS;User ID=sa;Password=x;Encrypt=True;"
         "TrustServerCertificate=True",
         &kFreeTds, "Driver={FreeTDS};Server=erp-db;Port=1533;Database=AIS;UID=sa;PWD=x;Encryption=require;"},
        {"Provider=SQLNCLI10;Server=erp-db\\K3;Database=AIS;Trusted_Connection=yes;Encrypt=no;"
         "Application Intent=ReadOnly;Current Language=简体中文",
         &kFreeTds,
         "Driver={FreeTDS};Server=erp-db\\K3;Database=AIS;Trusted_Connection=Yes;Encryption=request;"
         "Language=简体中文;ApplicationIntent=ReadOnly;"},
        {"Provider=MSOLEDBSQL;Data Source=erp-ag;Initial Catalog=AIS;User ID=web;Password=x;"
         "MultiSubnetFailover=Yes;Failover Partner=erp-b;Server SPN=MSSQLSvc/erp-ag;Encrypt=Strict;"
         "Host Name In Certificate=erp-ag.example;Connect Retry Count=3;Network Library=dbmssocn",
         &kVendor18,
         "Driver={ODBC Driver 18 for SQL Server};Server=erp-ag;Database=AIS;UID=web;PWD=x;Encrypt=Strict;"
         "MultiSubnetFailover=Yes;Failover_Partner=erp-b;ServerSPN=MSSQLSvc/erp-ag;"
         "HostNameInCertificate=erp-ag.example;ConnectRetryCount=3;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.oleDb);
        EXPECT_EQ(MapOleDbToOdbc(c.oleDb, *c.driver).connectionString, c.odbc);
    }
}

TEST(OleDbMapping, KeepsTheTimeoutAndThePasswordForTheConnection) {
    const OdbcTarget target =
        MapOleDbToOdbc("Provider=SQLOLEDB;Data Source=db;User ID=sa;Password=\"x;y\";Connect Timeout=15", kVendor18);
    EXPECT_EQ(target.loginTimeoutSeconds, 15u);
    EXPECT_EQ(target.context.secret, "x;y");
    EXPECT_EQ(target.context.driver, "ODBC Driver 18 for SQL Server");
    EXPECT_EQ(target.context.Redact("Login failed: x;y"), "Login failed: ****");
}

TEST(OleDbMapping, RefusesWhatItCannotHonourNamingTheKey) {
    struct Case {
        std::string oleDb;
        const SqlServerDriver* driver;
        std::string named;
    } const cases[] = {
        {"Provider=SQLOLEDB;Data Source=db;Connection Lifetime=30", &kVendor18, "'Connection Lifetime'"},
        {"Provider=SQLOLEDB;Data Source=db;Initial File Name=/tmp/x.mdf", &kVendor18, "'Initial File Name'"},
        {"Provider=SQLOLEDB;Data Source=db;Access Token=abc", &kVendor18, "'Access Token'"},
        {"Provider=SQLOLEDB;Data Source=db;Server=other", &kVendor18, "'Server' is given twice"},
        {"Provider=SQLOLEDB;Initial Catalog=AIS", &kVendor18, "no server"},
        {"Provider=SQLOLEDB;Data Source=np:\\\\db\\pipe\\sql\\query", &kVendor18, "other than TCP"},
        {"Provider=SQLOLEDB;Data Source=db,14x3", &kVendor18, "port"},
        {"Provider=SQLOLEDB;Data Source=db;Network Library=dbnmpntw", &kVendor18, "'Network Library'"},
        {"Provider=SQLOLEDB;Data Source=db;Encrypt=maybe", &kVendor18, "'Encrypt'"},
        {"Provider=SQLOLEDB;Data Source=db;Encrypt=Strict", &kVendor17, "Driver 18"},
        {"Provider=SQLOLEDB;Data Source=db;Encrypt=Strict", &kFreeTds, "FreeTDS"},
        {"Provider=SQLOLEDB;Data Source=db;Failover Partner=b", &kFreeTds, "'Failover Partner'"},
        {"Provider=SQLOLEDB;Data Source=db;Authentication=ActiveDirectoryPassword", &kFreeTds, "'Authentication'"},
        {"Provider=SQLOLEDB;Data Source=db;Connect Timeout=soon", &kVendor18, "'Connect Timeout'"},
        {"Provider=SQLOLEDB;Data Source=db;Integrated Security=Kerberos", &kVendor18, "'Integrated Security'"},
        {"Provider=SQLOLEDB;Data Source=db;Initial Catalog", &kVendor18, "'Initial Catalog' has no value"},
        {"Provider=SQLOLEDB;Data Source=\"db", &kVendor18, "closing quote"},
        {"Provider=SQLOLEDB;Data Source=\"db\"x", &kVendor18, "text after"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.oleDb);
        const std::string refusal = RefusalOf([&] { MapOleDbToOdbc(c.oleDb, *c.driver); });
        EXPECT_NE(refusal.find(c.named), std::string::npos) << refusal;
    }
}

TEST(OdbcConnectionString, QuotesAndReadsBracedValues) {
    EXPECT_EQ(OdbcValue("AIS2025"), "AIS2025");
    EXPECT_EQ(OdbcValue("erp-db\\K3"), "erp-db\\K3");
    EXPECT_EQ(OdbcValue("a;b"), "{a;b}");
    EXPECT_EQ(OdbcValue("x}y{"), "{x}}y{}");
    EXPECT_EQ(OdbcValue(" padded"), "{ padded}");
    const auto attributes = ParseOdbcAttributes("Driver={ODBC Driver 18 for SQL Server};PWD={a;b}}c} ;UID= sa ;;");
    ASSERT_EQ(attributes.size(), 3u);
    EXPECT_EQ(FindAttribute(attributes, "driver"), "ODBC Driver 18 for SQL Server");
    EXPECT_EQ(FindAttribute(attributes, "PWD"), "a;b}c");
    EXPECT_EQ(FindAttribute(attributes, "uid"), "sa");
    EXPECT_NE(RefusalOf([] { ParseOdbcAttributes("Driver={x;PWD=y"); }).find("'Driver'"), std::string::npos);
    // A mapped value reads back as it was.
    const std::string value = "p}a;s{s\"w'o=r d";
    EXPECT_EQ(FindAttribute(ParseOdbcAttributes("PWD=" + OdbcValue(value) + ";"), "PWD"), value);
}

TEST(SqlServerDriverChoice, PrefersTheVendorsNewestDriverThenFreeTds) {
    const std::vector<std::string> all = {"SQLite3", "FreeTDS", "ODBC Driver 17 for SQL Server",
                                          "ODBC Driver 18 for SQL Server"};
    EXPECT_EQ(ChooseSqlServerDriver("", all).name, "ODBC Driver 18 for SQL Server");
    EXPECT_EQ(ChooseSqlServerDriver("", {"FreeTDS", "ODBC Driver 17 for SQL Server"}).dialect, DriverDialect::Vendor17);
    EXPECT_EQ(ChooseSqlServerDriver("", {"SQLite3", "FreeTDS"}).dialect, DriverDialect::FreeTds);
    EXPECT_EQ(ChooseSqlServerDriver("freetds", all).dialect, DriverDialect::FreeTds);
    EXPECT_EQ(ChooseSqlServerDriver("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so", {}).dialect,
              DriverDialect::FreeTds);
    EXPECT_NE(RefusalOf([] { ChooseSqlServerDriver("", {"SQLite3"}); }).find("'SQLite3'"), std::string::npos);
    EXPECT_NE(RefusalOf([&] { ChooseSqlServerDriver("ODBC Driver 13 for SQL Server", all); }).find("OdbcDriver"),
              std::string::npos);
}

TEST(ColumnClassification, GivesTheEmbeddedDatabasesValueKinds) {
    struct Case {
        SQLSMALLINT sqlType;
        std::string typeName;
        ColumnType type;
    } const cases[] = {
        // SQL Server's drivers: rowversion is "timestamp", binary(8).
        {SQL_BINARY, "timestamp", ColumnType::Bytes},
        {SQL_VARBINARY, "varbinary", ColumnType::Bytes},
        {SQL_LONGVARBINARY, "image", ColumnType::Bytes},
        {SQL_TYPE_TIMESTAMP, "datetime", ColumnType::DateTime},
        {SQL_TYPE_TIMESTAMP, "smalldatetime", ColumnType::DateTime},
        {SQL_TYPE_DATE, "date", ColumnType::DateTime},
        {SQL_TYPE_TIMESTAMP, "datetime2", ColumnType::DateTime},
        {SQL_DECIMAL, "decimal", ColumnType::Double},
        {SQL_DECIMAL, "money", ColumnType::Double},
        {SQL_FLOAT, "float", ColumnType::Double},
        {SQL_INTEGER, "int", ColumnType::Integer},
        {SQL_SMALLINT, "smallint", ColumnType::Integer},
        {SQL_TINYINT, "tinyint", ColumnType::Integer},
        {SQL_BIGINT, "bigint", ColumnType::Integer},
        {SQL_BIT, "bit", ColumnType::Boolean},
        {SQL_WVARCHAR, "nvarchar", ColumnType::Text},
        {SQL_WLONGVARCHAR, "ntext", ColumnType::Text},
        {SQL_GUID, "uniqueidentifier", ColumnType::Text},
        {-154, "time", ColumnType::Text},
        {-155, "datetimeoffset", ColumnType::Text},
        // The SQLite driver: the declared type, or the storage class of an expression.
        {SQL_VARCHAR, "ROWVERSION", ColumnType::Bytes},
        {SQL_VARCHAR, "DECIMAL", ColumnType::Double},
        {SQL_TIMESTAMP, "DATETIME", ColumnType::DateTime},
        {SQL_BINARY, "blob", ColumnType::Bytes},
        {SQL_INTEGER, "integer", ColumnType::Integer},
        {SQL_DOUBLE, "double", ColumnType::Double},
        {SQL_VARCHAR, "varchar", ColumnType::Text},
        // No name: by the code.
        {SQL_TYPE_TIMESTAMP, "", ColumnType::DateTime},
        {SQL_NUMERIC, "", ColumnType::Double},
        {SQL_BINARY, "", ColumnType::Bytes},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyColumn(c.sqlType, c.typeName), c.type) << c.typeName << " " << c.sqlType;
}

}  // namespace
}  // namespace ovardx::odbc
