#include "xml/SchemaCache.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace ovardx::xml {

namespace {

// More than the library's own schema files.
constexpr std::size_t kKeptPerThread = 8;

class ThreadSchemas {
public:
    std::shared_ptr<const SchemaFile> Get(const std::string& path) {
        std::shared_ptr<const SchemaFile> schema = Take(path);
        std::string content = ReadSchemaText(path);
        if (!schema || schema->Content() != content)
            schema = std::make_shared<const SchemaFile>(path, std::move(content));
        kept_.insert(kept_.begin(), Kept{path, schema});
        if (kept_.size() > kKeptPerThread) kept_.pop_back();
        return schema;
    }

private:
    struct Kept {
        std::string path;
        std::shared_ptr<const SchemaFile> schema;
    };

    // Removes the path's entry, so that a failure below leaves none.
    std::shared_ptr<const SchemaFile> Take(const std::string& path) {
        auto found = std::find_if(kept_.begin(), kept_.end(), [&](const Kept& kept) { return kept.path == path; });
        if (found == kept_.end()) return nullptr;
        std::shared_ptr<const SchemaFile> schema = std::move(found->schema);
        kept_.erase(found);
        return schema;
    }

    std::vector<Kept> kept_;  // most recently used first
};

}  // namespace

std::shared_ptr<const SchemaFile> CompiledSchema(const std::string& path) {
    thread_local ThreadSchemas schemas;
    return schemas.Get(path);
}

}  // namespace ovardx::xml
