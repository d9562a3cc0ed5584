#include "object_library/LibraryFolder.h"

#include <dlfcn.h>

#include <filesystem>

namespace ovardx {

std::string LibraryFolder() {
    // dladdr names the shared library when this code runs from it, and the
    // program when the code is linked statically (tests, tools).
    Dl_info info{};
    static const int kAnchor = 0;
    if (dladdr(&kAnchor, &info) == 0 || info.dli_fname == nullptr) return "ovardx-data";
    std::error_code ignored;
    std::filesystem::path binary = std::filesystem::canonical(info.dli_fname, ignored);
    if (binary.empty()) binary = info.dli_fname;
    return (binary.parent_path() / "ovardx-data").string();
}

}  // namespace ovardx
