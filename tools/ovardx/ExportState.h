#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ovardx::tool {

// What a resumable export is, as pairs of a name and a value in a fixed
// order: the kind ("kind"="plan"), its own options, the session and where
// the pages go. A state belongs to one identity.
using ExportIdentity = std::vector<std::pair<std::string, std::string>>;

// Where a resumable export (--all --out DIR --state FILE) stands: the bound
// after the last page written, and the number of the next page file, so
// that page files of resumed runs never take each other's names. finished
// tells whether the run that stored it ended: a run that did not (a crash,
// a failure) may have written the page numbered nextPage without storing
// its bound, so the next run must not use that number again.
struct ExportState {
    ExportIdentity identity;
    std::string timeStamp;
    int nextPage = 1;
    bool finished = true;
};

// The text of a state file: a format line, then one "name=value" line per
// pair of the identity, "time-stamp", "next-page" and "finished" (0 or 1).
// Values keep any text: backslash, line feed and carriage return are
// written as \\, \n and \r.
std::string StateText(const ExportState& state);

// Reads the text of a state file back; raises std::runtime_error saying
// what is wrong with it.
ExportState ParseState(std::string_view text);

// The state stored in file, or nothing when there is no such file. Raises
// std::runtime_error for a file that cannot be read or holds no state.
std::optional<ExportState> ReadStateFile(const std::filesystem::path& file);

// How the identity a state was written for differs from this run's, in
// words ("its filter is \"a\", this run's is \"b\""); empty when they are
// the same.
std::string IdentityDifference(const ExportIdentity& stored, const ExportIdentity& wanted);

}  // namespace ovardx::tool
