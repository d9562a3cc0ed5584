#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sqlite_backend/ColumnTypes.h"
#include "sqlite_backend/PageRewrites.h"
#include "sqlite_backend/ReadOnlyGuard.h"
#include "sqlite_backend/ResultMemo.h"
#include "sqlite_backend/SqliteHandle.h"
#include "sqlite_backend/StatementCache.h"

namespace ovardx::sqlite {

// Which file a path names now: device and inode (0 when there is none).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
FileIdentity IdentityOf(const std::string& path);

// An open database with what was learned of its schema, kept while the
// handle lives: opening a file parses its whole schema, and reading the
// column types takes a query per table, far more than a page's statements.
struct OpenDatabase {
    std::string path;
    FileIdentity file;   // the file the path named when it was opened
    bool queryOnly = false;
    std::uint64_t serial = 0;  // unique in the process: data versions count per handle
    // A query-only handle's authorizer; declared before db, which it outlives.
    std::unique_ptr<ReadOnlyGuard> guard;
    Database db;
    bool wal = false;    // the database is in WAL mode
    SchemaColumnTypes columnTypes;
    RewriteSupport rewriteSupport;
    // Declared after db, so their statements are finalized before db closes.
    StatementCache statements;
    Statement schemaVersion;  // "PRAGMA schema_version", once prepared
    Statement begin;          // "BEGIN", once prepared
    Statement rollback;       // "ROLLBACK", once prepared
    ResultMemo results;
};

// The calling thread's idle handles. TakeHandle answers an idle handle of
// the path and kind (query-only or not), when the path still names the file
// it was opened on, else opens one (see Database::Open: the file must
// exist; temp_store in memory; query-only handles refuse every write and
// carry a ReadOnlyGuard). ReturnHandle makes it idle again, any transaction
// rolled back; a thread keeps a few, closing the oldest.
//
// A handle keeps its write-ahead log open and persistent (it is never
// deleted by name on close), so a database file replaced meanwhile, with a
// log of its own, is neither read through a stale handle nor harmed when
// the stale one closes.
OpenDatabase TakeHandle(const std::string& path, bool queryOnly, int busyTimeoutMilliseconds);
void ReturnHandle(OpenDatabase handle) noexcept;

// Opens a deferred transaction on the handle; raises the database's error.
void BeginTransaction(OpenDatabase& handle);

}  // namespace ovardx::sqlite
