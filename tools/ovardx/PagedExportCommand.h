#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <CLI/CLI.hpp>

#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

// What every export command takes: the session, the page size, the bound to
// continue from, and --all --out DIR to page until nothing is left.
struct PagingOptions {
    SessionOptions session;
    std::int32_t perCount = 100;
    std::string timeStamp;
    bool all = false;
    std::string outFolder;
};

// Adds the session options, --per-count, --timestamp, --all and --out.
void AddPagingOptions(CLI::App& command, PagingOptions& options);

// One call of a class's export with the session's property string.
using PageExport = std::function<bool(std::string& props, std::string& xml, std::int32_t perCount,
                                      std::string& timeStamp, std::string& maxTimeStamp, std::string& error)>;

// Runs the export once (document to standard output) or, with --all, page
// after page into DIR/page-0001.xml, ... until the zero timestamp comes back,
// with a progress line on a terminal. The last line on standard error is
// "strTimeStamp=... strMaxTimeStamp=...". Answers the exit status: 0 when the
// export answered true and every page is written (standard output flushed,
// page files synced to the disk and renamed into place whole), 1 when the
// export answered false or a page could not be written (the reason on
// standard error, and no bound printed, since the page is lost).
// beforePage, when given, is told the number of each page before it is asked.
int RunPagedExportCommand(const PagingOptions& options, const PageExport& exportPage,
                          const std::function<void(int page)>& beforePage = {});

}  // namespace ovardx::tool
