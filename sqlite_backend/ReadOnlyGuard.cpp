#include "sqlite_backend/ReadOnlyGuard.h"

#include <sqlite3.h>

#include "sqlite_backend/ProviderError.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::sqlite {

namespace {

// What a refused authorizer action is called in the error text.
const char* ActionName(int action) {
    switch (action) {
        case SQLITE_INSERT: return "INSERT";
        case SQLITE_UPDATE: return "UPDATE";
        case SQLITE_DELETE: return "DELETE";
        case SQLITE_PRAGMA: return "PRAGMA";
        case SQLITE_ATTACH: return "ATTACH";
        case SQLITE_DETACH: return "DETACH";
        case SQLITE_TRANSACTION: return "transaction control";
        case SQLITE_SAVEPOINT: return "SAVEPOINT";
        case SQLITE_FUNCTION: return "a function that is not allowed";
        default: return "a statement that changes the database";
    }
}

// Functions that reach outside the database or change how it is read.
bool IsRefusedFunction(const char* name) {
    return name != nullptr && (sqlite3_stricmp(name, "load_extension") == 0 ||
                               sqlite3_stricmp(name, "fts3_tokenizer") == 0);
}

}  // namespace

std::unique_ptr<ReadOnlyGuard> ReadOnlyGuard::Install(sqlite3* db) {
    std::unique_ptr<ReadOnlyGuard> guard(new ReadOnlyGuard());
    Check(sqlite3_set_authorizer(db, &ReadOnlyGuard::Authorize, guard.get()), db, kOpenError);
    return guard;
}

ReadOnlyGuard::OwnStatements::OwnStatements(ReadOnlyGuard* guard) noexcept : guard_(guard) {
    if (guard_ != nullptr) guard_->ownStatements_ = true;
}

ReadOnlyGuard::OwnStatements::~OwnStatements() {
    if (guard_ != nullptr) guard_->ownStatements_ = false;
}

int ReadOnlyGuard::Authorize(void* self, int action, const char*, const char* detail2, const char*,
                             const char*) noexcept {
    auto* guard = static_cast<ReadOnlyGuard*>(self);
    if (guard->ownStatements_) return SQLITE_OK;
    switch (action) {
        case SQLITE_SELECT:
        case SQLITE_READ:
        case SQLITE_RECURSIVE:
            return SQLITE_OK;
        case SQLITE_FUNCTION:
            if (!IsRefusedFunction(detail2)) return SQLITE_OK;
            break;
        default:
            break;
    }
    if (guard->refused_ == nullptr) guard->refused_ = ActionName(action);
    return SQLITE_DENY;
}

}  // namespace ovardx::sqlite
