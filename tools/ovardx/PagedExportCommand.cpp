#include "tools/ovardx/PagedExportCommand.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <iostream>
#include <optional>

#include "tools/ovardx/FaultHook.h"
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

// A state names a --props string by its 64-bit FNV-1a digest, so that a
// password in a connection string never goes into the state file.
std::string Fingerprint(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

std::string AbsolutePath(const std::string& path) {
    return std::filesystem::weakly_canonical(std::filesystem::absolute(path)).string();
}

ExportIdentity IdentityOf(const PagingOptions& options, const ExportIdentity& kind) {
    ExportIdentity identity = kind;
    const SessionOptions& session = options.session;
    if (!session.props.empty()) {
        identity.emplace_back("props-fingerprint", Fingerprint(session.props));
    } else {
        identity.emplace_back("db", AbsolutePath(session.database));
        identity.emplace_back("user", std::to_string(session.userId));
        identity.emplace_back("language", session.language);
    }
    identity.emplace_back("timestamp", options.timeStamp);
    identity.emplace_back("out", AbsolutePath(options.outFolder));
    return identity;
}

// The state this run continues: the one stored in the state file, or a new
// one from --timestamp and page 1. Nothing, after saying why, when the file
// belongs to another export or holds no state.
std::optional<ExportState> StartingState(const PagingOptions& options, const ExportIdentity& kind) {
    ExportState fresh{IdentityOf(options, kind), options.timeStamp, 1};
    std::optional<ExportState> stored;
    try {
        stored = ReadStateFile(options.stateFile);
    } catch (const std::exception& error) {
        std::cerr << "ovardx: the state file " << options.stateFile << " holds no export state: " << error.what()
                  << "\n";
        return std::nullopt;
    }
    if (!stored) return fresh;
    if (const std::string difference = IdentityDifference(stored->identity, fresh.identity); !difference.empty()) {
        std::cerr << "ovardx: the state file " << options.stateFile << " belongs to another export (" << difference
                  << "); run it with the options it was written with, or give another --state file\n";
        return std::nullopt;
    }
    return stored;
}

// Replaces the state file with state, durably; false after saying why not.
bool StoreState(const std::string& file, const ExportState& state, const std::string& step) {
    const auto stateStep = [&](std::string_view done) { StepDone(step + " " + std::string(done)); };
    if (const std::string problem = WriteFileDurably(file, StateText(state), stateStep); !problem.empty()) {
        std::cerr << "ovardx: " << problem << "\n";
        return false;
    }
    StepDone(step + " folder synced");
    return true;
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
    command.add_option("--state", options.stateFile,
                       "Resume from the bound stored in this file and store the new one after each page (with --all)")
        ->needs(all);
}

int RunPagedExportCommand(const PagingOptions& options, const ExportIdentity& kind, const PageExport& exportPage,
                          const std::function<void(int page)>& beforePage) {
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    std::string props = options.session.PropsString();
    std::optional<ExportState> state;
    if (!options.stateFile.empty()) {
        if (!(state = StartingState(options, kind))) return 2;
        // The run before did not end: it may have written its next page
        // without storing the bound after it, so that number stays its own;
        // a page it had only begun to write goes.
        if (!state->finished) {
            std::error_code ignored;
            std::filesystem::remove(std::filesystem::path(options.outFolder) / (PageFileName(state->nextPage) + ".partial"),
                                    ignored);
            ++state->nextPage;
        }
        state->finished = false;
        if (!StoreState(options.stateFile, *state, "state at the start")) return 1;
    }
    std::string timeStamp = state ? state->timeStamp : options.timeStamp;
    std::string maxTimeStamp;
    if (options.all) std::filesystem::create_directories(options.outFolder);

    for (int page = state ? state->nextPage : 1;; ++page) {
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
        const std::string step = "page " + std::to_string(page);
        StepDone(step + " exported");
        if (timeStamp == kZeroTimeStamp) {
            if (state) {
                state->finished = true;
                if (!StoreState(options.stateFile, *state, "state at the end")) return 1;
            }
            PrintBounds(timeStamp, maxTimeStamp);
            return 0;
        }
        const auto file = std::filesystem::path(options.outFolder) / PageFileName(page);
        const auto pageStep = [&](std::string_view done) { StepDone(step + " file " + std::string(done)); };
        if (const std::string problem = WriteFileDurably(file, xml, pageStep); !problem.empty()) {
            std::cerr << "ovardx: " << problem << "\n";
            return 1;
        }
        StepDone(step + " folder synced");
        // The bound moves past the page only once the page is on the disk.
        if (state) {
            state->timeStamp = timeStamp;
            state->nextPage = page + 1;
            if (!StoreState(options.stateFile, *state, "state of " + step)) return 1;
        }
        if (terminal) std::cerr << "page " << page << ", up to " << timeStamp << " of " << maxTimeStamp << std::flush;
    }
}

}  // namespace ovardx::tool
