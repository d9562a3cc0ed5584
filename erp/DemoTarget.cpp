#include "erp/DemoTarget.h"

namespace ovardx::erp {

namespace {

class SqliteStatement final : public DemoStatement {
public:
    SqliteStatement(sqlite::Database& db, std::string_view sql) : db_(db), statement_(db, sql) {}

    std::int64_t Run(std::span<const Variant> values) override {
        int index = 1;
        for (const Variant& value : values) statement_.Bind(index++, value);
        statement_.Step();
        statement_.Reset();
        return db_.LastInsertRowId();
    }

private:
    sqlite::Database& db_;
    sqlite::Statement statement_;
};

class SqliteTarget final : public DemoTarget {
public:
    explicit SqliteTarget(sqlite::Database& db) : db_(db) {}
    std::unique_ptr<DemoStatement> Prepare(std::string_view sql) override {
        return std::make_unique<SqliteStatement>(db_, sql);
    }

private:
    sqlite::Database& db_;
};

}  // namespace

std::unique_ptr<DemoTarget> SqliteDemoTarget(sqlite::Database& db) { return std::make_unique<SqliteTarget>(db); }

}  // namespace ovardx::erp
