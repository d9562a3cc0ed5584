#pragma once

#include <filesystem>
#include <string>

namespace ovardx::erp::testing {

// The connection string of the embedded database file.
inline std::string ConnectStringFor(const std::filesystem::path& file) {
    return "Provider=SQLite;Data Source=" + file.string();
}

}  // namespace ovardx::erp::testing
