// The T-SQL translator on any text: it either refuses with ovardx::Error or
// answers SQLite text that SQLite can at least read without crashing.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "ovardx/Error.h"
#include "sqlite_backend/TsqlTranslator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static sqlite3* db = [] {
        sqlite3* handle = nullptr;
        sqlite3_open(":memory:", &handle);
        sqlite3_exec(handle, "CREATE TABLE t_Demo (FID INT, FName NVARCHAR(20), FModifyTime ROWVERSION)", nullptr,
                     nullptr, nullptr);
        return handle;
    }();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string translated;
    try {
        translated = ovardx::sqlite::TranslateTsql(text);
    } catch (const ovardx::Error&) {
        return 0;
    }
    // Translating is pure: the same text gives the same answer.
    if (ovardx::sqlite::TranslateTsql(text) != translated) __builtin_trap();
    const char* tail = translated.c_str();
    while (*tail != '\0') {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, tail, -1, &statement, &tail) != SQLITE_OK) break;
        sqlite3_finalize(statement);
    }
    return 0;
}
