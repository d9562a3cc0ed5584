#include "sqlite_backend/ConnectionString.h"

#include <gtest/gtest.h>

#include "ovardx/Error.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::sqlite {
namespace {

TEST(ConnectionStringTest, FindsTheDataSource) {
    struct {
        const char* connectString;
        const char* dataSource;
    } cases[] = {
        {"Provider=SQLite;Data Source=/srv/erp.db", "/srv/erp.db"},
        {"  provider = SQLITE ;  data source =  /srv/erp.db  ;", "/srv/erp.db"},
        {"Provider=SQLite;Database=erp.db", "erp.db"},
        {"Data Source=erp.db", "erp.db"},
        {"Provider=SQLite;User ID=sa;Password=x;Data Source=erp.db;Persist Security Info=False", "erp.db"},
        {"Provider=SQLite;Data Source=\"/srv/a;b.db\"", "/srv/a;b.db"},
        {"Provider=SQLite;Data Source='/srv/it''s.db' ;", "/srv/it's.db"},
        {";;Provider=SQLite;;Data Source=erp.db", "erp.db"},
        {"Provider=SQLite;Data Source=/srv/my erp.db", "/srv/my erp.db"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DataSourceOf(c.connectString), c.dataSource) << c.connectString;
    }
}

TEST(ConnectionStringTest, RefusesOtherProvidersAndMissingSources) {
    struct {
        const char* connectString;
        const char* description;
    } cases[] = {
        {"Provider=SQLOLEDB;Data Source=srv", "Provider 'SQLOLEDB' is not supported; the connection string must name Provider=SQLite"},
        {"Provider=SQLite", "The connection string names no Data Source"},
        {"Provider=SQLite;Data Source=  ", "The connection string names no Data Source"},
        {"", "The connection string names no Data Source"},
        {"Provider=SQLite;Data Source=\"/srv/erp.db", "Unterminated quoted value in the connection string"},
        {"Provider=SQLite;Data Source=\"/srv\"x.db", "Text after a quoted value in the connection string"},
        {"Provider=SQLite;Data Source=file:/srv/erp.db?vfs=unix-none",
         "The Data Source is an SQLite URI (\"file:...\"), whose options change how the database is opened and "
         "locked; it is refused unless AllowUriFileNames=1 is configured"},
        {"Provider=SQLite;Data Source=FILE:erp.db?immutable=1",
         "The Data Source is an SQLite URI (\"file:...\"), whose options change how the database is opened and "
         "locked; it is refused unless AllowUriFileNames=1 is configured"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.connectString);
        try {
            DataSourceOf(c.connectString);
            ADD_FAILURE() << "accepted";
        } catch (const Error& error) {
            EXPECT_EQ(error.record(), (ErrorRecord{kOpenError, kProviderSource, c.description}));
        }
    }
}

TEST(ConnectionStringTest, UriFileNamesPassWhenAllowed) {
    EXPECT_EQ(DataSourceOf("Data Source=file:erp.db?mode=ro", true), "file:erp.db?mode=ro");
    EXPECT_EQ(DataSourceOf("Data Source=./file:erp.db"), "./file:erp.db");
}

}  // namespace
}  // namespace ovardx::sqlite
