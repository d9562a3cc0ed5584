#include "erp/DemoDatabase.h"

#include <system_error>

#include "erp/DemoData.h"
#include "erp/ErpSchema.h"
#include "ovardx/Error.h"

namespace ovardx::erp {

namespace {

constexpr std::int32_t kFileAlreadyExists = 58;
constexpr const char* kSource = "OVArDataExchange demo database";

void RemoveDatabaseFiles(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    std::filesystem::remove(path.string() + "-journal", ignored);
    std::filesystem::remove(path.string() + "-wal", ignored);
    std::filesystem::remove(path.string() + "-shm", ignored);
}

}  // namespace

DemoSummary CreateDemoDatabase(const std::filesystem::path& path, int scale, std::uint64_t seed,
                               bool overwrite) {
    if (scale < 1) Raise(errnum::kInvalidProcedureCall, kSource, "The scale must be at least 1");
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        if (!overwrite)
            Raise(kFileAlreadyExists, kSource, "File already exists: " + path.string());
        RemoveDatabaseFiles(path);
    }

    DemoSummary summary;
    try {
        sqlite::Database db = sqlite::Database::Open(path.string(), sqlite::OpenMode::ReadWriteCreate);
        db.Exec("BEGIN");
        CreateErpSchema(db);
        WriteDemoData(db, scale, seed, summary);
        db.Exec("COMMIT");
        // Readers and the writer of a web service then never block each
        // other; commits stay durable (synchronous=FULL).
        db.Exec("PRAGMA journal_mode=WAL");
        db.Close();
    } catch (...) {
        // The connection is closed by now (its transaction rolled back); a
        // half-made file is of no use to anyone.
        RemoveDatabaseFiles(path);
        throw;
    }
    return summary;
}

}  // namespace ovardx::erp
