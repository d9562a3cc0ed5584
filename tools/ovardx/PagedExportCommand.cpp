#include "tools/ovardx/PagedExportCommand.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <limits>
#include <iostream>

#include "tools/ovardx/PageOutput.h"

namespace ovardx::tool {

namespace {

constexpr const char* kZeroTimeStamp = "0x0000000000000000";

std::string PageFileName(int page) {
    char name[32];
    std::snprintf(name, sizeof name, "page-%04d.xml", page);
    return name;
}

void PrintBounds(const std::string& timeStamp, const std::string& maxTimeStamp) {
    std::cerr << "strTimeStamp=" << timeStamp << " strMaxTimeStamp=" << maxTimeStamp << "\n";
}

}  // namespace

void AddPagingOptions(CLI::App& command, PagingOptions& options) {
    AddSessionOptions(command, options.session);
    command.add_option("--per-count", options.perCount, "Page size, 0 for no limit")
        ->check(CLI::Range(0, std::numeric_limits<std::int32_t>::max()));
    command.add_option("--timestamp", options.timeStamp, "Export the changes after this timestamp (0x...)");
    CLI::Option* all = command.add_flag("--all", options.all, "Page until nothing is left, one file per page");
    CLI::Option* out = command.add_option("--out", options.outFolder, "Folder of the page files (with --all)");
    out->needs(all);
    all->needs(out);
}

int RunPagedExportCommand(const PagingOptions& options, const PageExport& exportPage,
                          const std::function<void(int page)>& beforePage) {
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    std::string props = options.session.PropsString();
    std::string timeStamp = options.timeStamp;
    std::string maxTimeStamp;
    if (options.all) std::filesystem::create_directories(options.outFolder);

    for (int page = 1;; ++page) {
        if (beforePage) beforePage(page);
        std::string xml, error;
        const bool exported = exportPage(props, xml, options.perCount, timeStamp, maxTimeStamp, error);
        if (terminal) std::cerr << "\r\033[K";  // clears the progress line
        if (!exported) {
            std::cerr << error << "\n";
            return 1;
        }
        // The bound is printed only once the page is where it was sent: a
        // script that stores it must never skip records it did not get.
        if (!options.all) {
            if (const std::string problem = WriteAndFlush(stdout, xml); !problem.empty()) {
                std::cerr << "ovardx: " << problem << "\n";
                return 1;
            }
            PrintBounds(timeStamp, maxTimeStamp);
            return 0;
        }
        if (timeStamp == kZeroTimeStamp) {
            PrintBounds(timeStamp, maxTimeStamp);
            return 0;
        }
        const auto file = std::filesystem::path(options.outFolder) / PageFileName(page);
        if (const std::string problem = WriteFileDurably(file, xml); !problem.empty()) {
            std::cerr << "ovardx: " << problem << "\n";
            return 1;
        }
        if (terminal) std::cerr << "page " << page << ", up to " << timeStamp << " of " << maxTimeStamp << std::flush;
    }
}

}  // namespace ovardx::tool
