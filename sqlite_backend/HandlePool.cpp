#include "sqlite_backend/HandlePool.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <deque>

#include "sqlite_backend/TsqlTokenizer.h"

namespace ovardx::sqlite {

namespace {

constexpr std::size_t kIdleHandles = 4;

std::deque<OpenDatabase>& IdleHandles() {
    thread_local std::deque<OpenDatabase> idle;
    return idle;
}

std::string SingleText(const Database& db, std::string_view sql) {
    Statement statement(db, sql);
    return statement.Step() ? statement.ColumnText(0) : std::string();
}

OpenDatabase Open(const std::string& path, bool queryOnly, int busyTimeoutMilliseconds) {
    OpenDatabase handle;
    handle.path = path;
    handle.queryOnly = queryOnly;
    static std::atomic<std::uint64_t> handlesOpened{0};
    handle.serial = ++handlesOpened;
    handle.db = Database::Open(path, OpenMode::ReadWrite, busyTimeoutMilliseconds);
    handle.file = IdentityOf(path);
    int persist = 1;
    sqlite3_file_control(handle.db.get(), "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    // Sorting and de-duplicating (ORDER BY, UNION) then stays off the disk.
    handle.db.Exec("PRAGMA temp_store=MEMORY");
    // In WAL mode a read transaction blocks no writer.
    handle.wal = EqualsNoCase(SingleText(handle.db, "PRAGMA journal_mode"), "wal");
    // Belt and braces: even a statement an authorizer let through cannot
    // change the file.
    if (queryOnly) {
        handle.db.Exec("PRAGMA query_only=1");
        handle.guard = ReadOnlyGuard::Install(handle.db.get());
    }
    return handle;
}

// Runs one of the handle's own transaction statements, prepared once per
// handle: preparing costs more than running it. The guard lets them through,
// also when SQLite prepares them again after a schema change.
void RunOwn(OpenDatabase& handle, Statement& statement, std::string_view sql) {
    ReadOnlyGuard::OwnStatements own(handle.guard.get());
    if (!statement) statement = Statement(handle.db, sql);
    try {
        statement.Step();
    } catch (...) {
        statement.Reset();
        throw;
    }
    statement.Reset();
}

}  // namespace

FileIdentity IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return {};
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

OpenDatabase TakeHandle(const std::string& path, bool queryOnly, int busyTimeoutMilliseconds) {
    std::deque<OpenDatabase>& idle = IdleHandles();
    const auto found = std::find_if(idle.begin(), idle.end(), [&](const OpenDatabase& handle) {
        return handle.path == path && handle.queryOnly == queryOnly;
    });
    if (found != idle.end()) {
        OpenDatabase handle = std::move(*found);
        idle.erase(found);
        const FileIdentity file = IdentityOf(path);
        if (file.inode != 0 && file == handle.file) {
            Check(sqlite3_busy_timeout(handle.db.get(), busyTimeoutMilliseconds), handle.db.get(), kOpenError);
            return handle;
        }
    }
    return Open(path, queryOnly, busyTimeoutMilliseconds);
}

void BeginTransaction(OpenDatabase& handle) { RunOwn(handle, handle.begin, "BEGIN"); }

void ReturnHandle(OpenDatabase handle) noexcept {
    if (!handle.db) return;
    sqlite3* db = handle.db.get();
    if (sqlite3_get_autocommit(db) == 0) {
        try {
            RunOwn(handle, handle.rollback, "ROLLBACK");
        } catch (...) {
            return;  // closed by the destructor instead of kept
        }
    }
    try {
        std::deque<OpenDatabase>& idle = IdleHandles();
        idle.push_front(std::move(handle));
        if (idle.size() > kIdleHandles) idle.pop_back();
    } catch (...) {
        // Not kept: the handle closes.
    }
}

}  // namespace ovardx::sqlite
