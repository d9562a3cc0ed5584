#include "object_library/LibraryFolder.h"

#include <dlfcn.h>
#include <link.h>

#include <filesystem>

namespace ovardx {

namespace {

constexpr const char* kDataFolderName = "ovardx-data";

std::filesystem::path Canonical(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::path canonical = std::filesystem::canonical(path, ignored);
    return canonical.empty() ? path : canonical;
}

std::string FindLibraryFolder() {
    // The binary that holds this code: the shared library, or the program
    // when the code is linked statically (tests, tools). dladdr names a
    // program only as it was started (argv[0], a bare name when it was
    // found on PATH), so a program is located through /proc/self/exe.
    Dl_info info{};
    link_map* binary = nullptr;
    static const int kAnchor = 0;
    if (dladdr1(&kAnchor, &info, reinterpret_cast<void**>(&binary), RTLD_DL_LINKMAP) == 0 || binary == nullptr)
        return kDataFolderName;
    const bool program = binary->l_name == nullptr || binary->l_name[0] == '\0';
    const std::filesystem::path folder = Canonical(program ? "/proc/self/exe" : binary->l_name).parent_path();
    const std::filesystem::path beside = folder / kDataFolderName;
    // An installed program has no data folder of its own: it uses the one
    // installed beside the library.
    std::error_code ignored;
    if (program && !std::filesystem::is_directory(beside, ignored))
        return Canonical(folder / OVARDX_DATA_FROM_PROGRAM_FOLDER).string();
    return beside.string();
}

}  // namespace

std::string LibraryFolder() {
    // The binary stays where it was loaded from: found once per process.
    static const std::string folder = FindLibraryFolder();
    return folder;
}

}  // namespace ovardx
