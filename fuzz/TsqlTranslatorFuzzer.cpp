// The T-SQL translator on any text, without column types and with them: it
// either refuses with ovardx::Error or answers SQLite text that SQLite can
// read without crashing; a read-only statement also runs for a while, so the
// ovardx_ functions and the DATETIME collation meet whatever values it makes.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "ovardx/Error.h"
#include "sqlite_backend/ColumnTypes.h"
#include "sqlite_backend/SqliteHandle.h"
#include "sqlite_backend/TsqlTranslator.h"

namespace {

using ovardx::sqlite::ColumnKind;

const ovardx::sqlite::ColumnTypes kTypes{
    {"FID", ColumnKind::Integer},   {"FName", ColumnKind::Text},          {"FDate", ColumnKind::DateTime},
    {"FAmount", ColumnKind::Decimal}, {"FModifyTime", ColumnKind::Binary}, {"FChecked", ColumnKind::Bit},
};

sqlite3* Database() {
    // Open registers the collation and the functions, as on every connection.
    static ovardx::sqlite::Database db = [] {
        auto opened = ovardx::sqlite::Database::Open(":memory:", ovardx::sqlite::OpenMode::ReadWriteCreate);
        opened.Exec("CREATE TABLE t_Demo (FID INT, FName NVARCHAR(20) COLLATE NOCASE, "
                    "FDate DATETIME COLLATE DATETIME, FAmount DECIMAL(28,10), FModifyTime ROWVERSION, FChecked BIT);"
                    "INSERT INTO t_Demo VALUES (1, 'abc', '2025-07-14', 2.5, X'0000000000000001', 1), "
                    "(2, 'X''y', '2024-02-29 23:59:59.997', -7, X'00000000000000FF', 0), (3, NULL, NULL, NULL, NULL, NULL);"
                    "PRAGMA query_only = 1;");
        return opened;
    }();
    return db.get();
}

// Stops a statement after a bounded amount of work (recursive CTEs, joins).
int StopLongRuns(void*) { return 1; }

void Run(const std::string& translated) {
    sqlite3* db = Database();
    const char* tail = translated.c_str();
    while (*tail != '\0') {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, tail, -1, &statement, &tail) != SQLITE_OK) break;
        if (statement != nullptr && sqlite3_stmt_readonly(statement)) {
            sqlite3_progress_handler(db, 20000, &StopLongRuns, nullptr);
            for (int row = 0; row < 50 && sqlite3_step(statement) == SQLITE_ROW; ++row) {
                for (int column = 0; column < sqlite3_column_count(statement); ++column) {
                    sqlite3_column_text(statement, column);
                }
            }
            sqlite3_progress_handler(db, 0, nullptr, nullptr);
        }
        sqlite3_finalize(statement);
    }
}

void Translate(const std::string& text, const ovardx::sqlite::ColumnTypes* types) {
    std::string translated;
    try {
        translated = types ? ovardx::sqlite::TranslateTsql(text, *types) : ovardx::sqlite::TranslateTsql(text);
    } catch (const ovardx::Error&) {
        return;
    }
    // Translating is pure: the same text gives the same answer.
    const std::string again = types ? ovardx::sqlite::TranslateTsql(text, *types) : ovardx::sqlite::TranslateTsql(text);
    if (again != translated) __builtin_trap();
    Run(translated);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Translate(text, nullptr);
    Translate(text, &kTypes);
    return 0;
}
