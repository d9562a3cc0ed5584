#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <CLI/CLI.hpp>

#include "tools/ovardx/ExportState.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

// What every export command takes: the session, the page size, the bound to
// continue from, --all --out DIR to page until nothing is left, and
// --state FILE to resume such a run where the last one stopped.
struct PagingOptions {
    SessionOptions session;
    std::int32_t perCount = 100;
    std::string timeStamp;
    bool all = false;
    std::string outFolder;
    std::string stateFile;
};

// Adds the session options, --per-count, --timestamp, --all, --out and --state.
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
// standard error, and no bound printed, since the page is lost), 2 when the
// state file belongs to another export or holds no state.
//
// With --state FILE the run starts from the bound and page number stored in
// FILE (from --timestamp and page 1 when there is no FILE yet) and stores
// the new ones after each page, once the page file is on the disk: into a
// temporary file that is synced and renamed over FILE, and the folder synced.
// A crash at any instant thus repeats at most the last page and never skips
// one. The state also says whether its run ended; the run after one that
// did not leaves a page number out, so the repeated page gets a name of its
// own and page files of different runs never share a name. The state
// records kind (the kind and its options, e.g. {"kind", "plan"},
// {"filter", ...}), the session, --timestamp and the output folder; a run
// with others refuses it. The page size is not part of it: it changes how
// records are cut into pages, not which come.
// beforePage, when given, is told the number of each page before it is asked.
int RunPagedExportCommand(const PagingOptions& options, const ExportIdentity& kind, const PageExport& exportPage,
                          const std::function<void(int page)>& beforePage = {});

}  // namespace ovardx::tool
