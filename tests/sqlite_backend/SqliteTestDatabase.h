#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::sqlite::testing {

// A fresh folder under the system's temporary folder, removed again with
// everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Creates the database file `path` and runs `script` on it.
void CreateDatabase(const std::filesystem::path& path, std::string_view script);

}  // namespace ovardx::sqlite::testing
