// Kills the tool at each step of a resumable paged export (through its
// fault hook) and runs it again: the pages of the killed run and of the
// resumed run together hold every record, at most the killed run's last
// page comes twice, and no two page files share a name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/concurrency/ToolProcess.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {
namespace {

using Records = std::map<std::string, int>;  // a record's text, and how often it came

struct Page {
    std::string name;
    Records records;
};

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Takes the page files out of folder, as a consumer that picks them up
// would, in the order of their numbers. Each must be a whole document.
std::vector<Page> TakePages(const std::filesystem::path& folder) {
    std::map<std::string, std::filesystem::path> files;
    if (!std::filesystem::exists(folder)) return {};  // stopped before it made the folder
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".xml") files[entry.path().filename()] = entry.path();
    std::vector<Page> pages;
    for (const auto& [name, path] : files) {
        const std::string xml = ReadFile(path);
        EXPECT_NE(xml.find("</ArApPlan>"), std::string::npos) << name << " is not whole";
        Page page{name, {}};
        for (auto at = xml.find("<Record>"); at != std::string::npos; at = xml.find("<Record>", at + 1))
            ++page.records[xml.substr(at, xml.find("</Record>", at) - at)];
        pages.push_back(std::move(page));
        std::filesystem::remove(path);
    }
    return pages;
}

Records AllOf(const std::vector<Page>& pages) {
    Records all;
    for (const Page& page : pages)
        for (const auto& [record, count] : page.records) all[record] += count;
    return all;
}

class KillAndResumeTest : public DemoDatabaseSuite {
protected:
    // Runs the export into out with its state in state; answers the exit
    // status and, for a run the fault hook stopped, the step it stopped after.
    int RunExport(const std::filesystem::path& out, const std::filesystem::path& state, std::string& stoppedAfter) {
        const auto log = folder_.Path() / "stderr.txt";
        ToolProcess tool({"export", "plan", "--db", DatabasePath().string(), "--user", "17", "--per-count", "100",
                          "--all", "--out", out.string(), "--state", state.string()},
                         "/dev/null", log);
        const int status = tool.Wait();
        const std::string errors = tool.StandardError();
        // "ovardx: stopping hard after step N: what\n"
        const auto at = errors.find("stopping hard after step ");
        const auto what = errors.find(": ", at == std::string::npos ? errors.size() : at);
        stoppedAfter = what == std::string::npos ? "" : errors.substr(what + 2, errors.find('\n', what) - what - 2);
        return status;
    }

    TemporaryFolder folder_;
};

TEST_F(KillAndResumeTest, AKillAtAnyStepRepeatsAtMostTheLastPageAndSkipsNone) {
    std::string stoppedAfter;
    ASSERT_EQ(RunExport(folder_.Path() / "reference", folder_.Path() / "reference.state", stoppedAfter), 0);
    const std::vector<Page> reference = TakePages(folder_.Path() / "reference");
    ASSERT_GE(reference.size(), 3u);
    const Records expected = AllOf(reference);

    int step = 1;
    for (;; ++step) {
        SCOPED_TRACE("stopped after step " + std::to_string(step));
        const auto out = folder_.Path() / ("run-" + std::to_string(step));
        const auto state = folder_.Path() / ("run-" + std::to_string(step) + ".state");
        ::setenv("OVARDX_FAULT_AFTER_STEP", std::to_string(step).c_str(), 1);
        const int killed = RunExport(out, state, stoppedAfter);
        ::unsetenv("OVARDX_FAULT_AFTER_STEP");
        if (killed == 0) break;  // the run has fewer steps: every one was tried
        ASSERT_EQ(killed, 128 + 9);
        const std::vector<Page> before = TakePages(out);
        std::string none;
        ASSERT_EQ(RunExport(out, state, none), 0);
        const std::vector<Page> after = TakePages(out);

        // Every record came, and nothing else.
        const Records delivered = [&] {
            Records all = AllOf(before);
            for (const auto& [record, count] : AllOf(after)) all[record] += count;
            return all;
        }();
        for (const auto& [record, count] : expected) EXPECT_GE(delivered.count(record) ? delivered.at(record) : 0, count);
        for (const auto& [record, count] : delivered) EXPECT_TRUE(expected.count(record)) << "unknown record";

        // What came twice is the killed run's last page, and names are never reused.
        std::size_t twice = 0;
        for (const auto& [record, count] : AllOf(after))
            if (AllOf(before).count(record)) {
                ++twice;
                EXPECT_TRUE(!before.empty() && before.back().records.count(record)) << "repeated beyond the last page";
            }
        for (const Page& page : after)
            for (const Page& earlier : before) EXPECT_NE(page.name, earlier.name);
        for (const auto& entry : std::filesystem::directory_iterator(out))
            ADD_FAILURE() << "left behind: " << entry.path().filename();

        std::cout << "step " << step << " (" << stoppedAfter << "): killed run " << before.size()
                  << " pages, resumed run " << after.size() << " pages"
                  << (after.empty() ? "" : " from " + after.front().name) << ", " << twice
                  << " records twice\n";
    }
    // The state's start, each page's four steps and the state's three, the
    // last (empty) page asked, the state's end.
    EXPECT_EQ(step - 1, static_cast<int>(3 + reference.size() * 7 + 1 + 3));
}

}  // namespace
}  // namespace ovardx::testing
