#pragma once

#include <memory>

struct sqlite3;

namespace ovardx::sqlite {

// The authorizer of a query-only handle: a statement may read (SELECT, the
// columns it names, recursive queries, functions other than
// load_extension and fts3_tokenizer); anything else is refused when it is
// prepared, and the guard remembers what was refused first.
//
// Installed once for the handle's life: installing or removing an
// authorizer expires every statement the handle has prepared, which would
// make each cached statement prepare itself again on its next run.
class ReadOnlyGuard {
public:
    // Installs the guard on db; raises kOpenError when SQLite refuses.
    static std::unique_ptr<ReadOnlyGuard> Install(sqlite3* db);
    ReadOnlyGuard(const ReadOnlyGuard&) = delete;
    ReadOnlyGuard& operator=(const ReadOnlyGuard&) = delete;

    // While it lives, the handle's own statements pass the guard: schema
    // reads (PRAGMA schema_version, table_info), BEGIN and ROLLBACK. A null
    // guard makes it do nothing.
    class OwnStatements {
    public:
        explicit OwnStatements(ReadOnlyGuard* guard) noexcept;
        ~OwnStatements();
        OwnStatements(const OwnStatements&) = delete;
        OwnStatements& operator=(const OwnStatements&) = delete;

    private:
        ReadOnlyGuard* guard_;
    };

    // Forgets the last refusal; call before preparing a statement.
    void ClearRefusal() noexcept { refused_ = nullptr; }
    // What was refused first since ClearRefusal ("INSERT", "PRAGMA", ...),
    // or nullptr.
    const char* Refused() const noexcept { return refused_; }

private:
    ReadOnlyGuard() = default;
    static int Authorize(void* self, int action, const char* detail1, const char* detail2, const char* database,
                         const char* trigger) noexcept;

    bool ownStatements_ = false;
    const char* refused_ = nullptr;
};

}  // namespace ovardx::sqlite
