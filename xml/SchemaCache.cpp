#include "xml/SchemaCache.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <ctime>
#include <optional>
#include <utility>
#include <vector>

namespace ovardx::xml {

namespace {

// More than the library's own schema files.
constexpr std::size_t kKeptPerThread = 8;

class ThreadSchemas {
public:
    std::shared_ptr<const SchemaFile> Get(const std::string& path) {
        Kept kept = Take(path);
        const std::optional<FileStamp> stamp = StampOf(path);
        if (!kept.schema || !kept.settled || !stamp || *stamp != kept.stamp) {
            // Taken before the read: a change during it shows at the next call.
            kept.settled = stamp && Settled(*stamp);
            kept.stamp = stamp.value_or(FileStamp{});
            std::string content = ReadSchemaText(path);
            if (!kept.schema || kept.schema->Content() != content)
                kept.schema = std::make_shared<const SchemaFile>(path, std::move(content));
        }
        kept.path = path;
        std::shared_ptr<const SchemaFile> schema = kept.schema;
        kept_.insert(kept_.begin(), std::move(kept));
        if (kept_.size() > kKeptPerThread) kept_.pop_back();
        return schema;
    }

private:
    // What tells a file's bytes changed without reading them.
    struct FileStamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        bool operator==(const FileStamp& other) const {
            return device == other.device && inode == other.inode && size == other.size &&
                   modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
                   changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
        }
    };

    static std::optional<FileStamp> StampOf(const std::string& path) {
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0) return std::nullopt;
        return FileStamp{status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
    }

    // File times advance in clock ticks: two writes within one tick leave
    // the same times. A stamp vouches for the bytes only once its times lie
    // well in the past.
    static bool Settled(const FileStamp& stamp) {
        constexpr time_t kSettledSeconds = 2;
        timespec now{};
        if (clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
        return stamp.modified.tv_sec + kSettledSeconds < now.tv_sec && stamp.changed.tv_sec + kSettledSeconds < now.tv_sec;
    }

    struct Kept {
        std::string path;
        std::shared_ptr<const SchemaFile> schema;
        FileStamp stamp;
        bool settled = false;  // the stamp was settled when the bytes were read
    };

    // Removes the path's entry, so that a failure below leaves none.
    Kept Take(const std::string& path) {
        auto found = std::find_if(kept_.begin(), kept_.end(), [&](const Kept& kept) { return kept.path == path; });
        if (found == kept_.end()) return {};
        Kept kept = std::move(*found);
        kept_.erase(found);
        return kept;
    }

    std::vector<Kept> kept_;  // most recently used first
};

}  // namespace

std::shared_ptr<const SchemaFile> CompiledSchema(const std::string& path) {
    thread_local ThreadSchemas schemas;
    return schemas.Get(path);
}

}  // namespace ovardx::xml
