// The state file of a resumable export (--state): its text, and how a run
// resumes from it or refuses it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tests/support/DemoDatabaseFixture.h"
#include "tools/ovardx/ExportState.h"
#include "tools/ovardx/SqlCommand.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::testing {
namespace {

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> PageFiles(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::size_t CountRecords(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for (const auto& name : PageFiles(folder)) {
        const std::string xml = ReadFile(folder / name);
        for (auto at = xml.find("<Record>"); at != std::string::npos; at = xml.find("<Record>", at + 1)) ++count;
    }
    return count;
}

TEST(ExportStateText, ValuesOfAnyTextComeBackAsTheyWere) {
    const tool::ExportState state{
        {{"kind", "plan"}, {"filter", "TSql=c.FNumber='a=b'\nAND 1=1\\r"}, {"language", ""}, {"out", "/tmp/x y"}},
        "0x00000000000007E0", 12, false};
    const tool::ExportState read = tool::ParseState(tool::StateText(state));
    EXPECT_EQ(read.identity, state.identity);
    EXPECT_EQ(read.timeStamp, state.timeStamp);
    EXPECT_EQ(read.nextPage, 12);
    EXPECT_FALSE(read.finished);
}

TEST(ExportStateText, TextThatIsNoStateIsRefused) {
    const std::string good = "ovardx-export-state=1\nkind=plan\ntime-stamp=0x01\nnext-page=2\nfinished=1\n";
    ASSERT_NO_THROW(tool::ParseState(good));
    const struct {
        const char* text;
        const char* says;
    } cases[] = {
        {"", "incomplete"},
        {"kind=plan\ntime-stamp=0x01\nnext-page=2\nfinished=1\n", "does not begin"},
        {"ovardx-export-state=2\nkind=plan\ntime-stamp=0x01\nnext-page=2\nfinished=1\n", "does not begin"},
        {"ovardx-export-state=1\nkind=plan\nnext-page=2\nfinished=1\n", "incomplete"},
        {"ovardx-export-state=1\ntime-stamp=0x01\nnext-page=0\nfinished=1\n", "next-page"},
        {"ovardx-export-state=1\ntime-stamp=0x01\nnext-page=2x\nfinished=1\n", "next-page"},
        {"ovardx-export-state=1\ntime-stamp=0x01\nnext-page=2\nfinished=yes\n", "finished"},
        {"ovardx-export-state=1\nkind plan\ntime-stamp=0x01\nnext-page=2\nfinished=1\n", "line 2"},
        {"ovardx-export-state=1\nfilter=a\\qb\ntime-stamp=0x01\nnext-page=2\nfinished=1\n", "escape"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            tool::ParseState(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
        }
    }
}

TEST(ExportStateText, DifferencesNameEachOption) {
    const tool::ExportIdentity stored{{"kind", "plan"}, {"filter", "Number=C001"}, {"user", "17"}};
    EXPECT_EQ(tool::IdentityDifference(stored, stored), "");
    EXPECT_EQ(tool::IdentityDifference(stored, {{"kind", "plan"}, {"filter", ""}, {"user", "17"}}),
              "its filter is \"Number=C001\", this run's \"\"");
    EXPECT_EQ(tool::IdentityDifference(stored, {{"kind", "bill"}, {"pre", "0"}, {"filter", "Number=C001"},
                                                {"user", "17"}}),
              "its kind is \"plan\", this run's \"bill\"; its pre is not given, this run's \"0\"");
}

// Runs an export command of the tool in this process, standard error caught.
class ResumableExportTest : public DemoDatabaseSuite {
protected:
    struct Run {
        int status = -1;
        std::string errors;
    };

    static Run Export(std::vector<std::string> args) {
        CLI::App app;
        CLI::App* exportCommand = app.add_subcommand("export");
        const std::vector<tool::Subcommand> commands{tool::AddExportPlanCommand(*exportCommand),
                                                     tool::AddExportBillCommand(*exportCommand)};
        args.insert(args.begin(), "export");
        std::reverse(args.begin(), args.end());  // CLI11 takes the arguments last first
        app.parse(args);
        ::testing::internal::CaptureStderr();
        Run run;
        for (const auto& command : commands)
            if (command.parser->parsed()) run.status = command.run();
        run.errors = ::testing::internal::GetCapturedStderr();
        return run;
    }

    std::vector<std::string> PlanArgs(const std::filesystem::path& out, const std::filesystem::path& state) const {
        return {"plan", "--db", DatabasePath().string(), "--user", "17", "--per-count", "100",
                "--all", "--out", out.string(), "--state", state.string()};
    }

    TemporaryFolder folder_;
};

TEST_F(ResumableExportTest, AFinishedStateGivesOnlyWhatChangedSinceUnderNewNumbers) {
    const auto out = folder_.Path() / "pages", state = folder_.Path() / "plan.state";
    ASSERT_EQ(Export(PlanArgs(out, state)).status, 0);
    const std::vector<std::string> first = PageFiles(out);
    ASSERT_GT(first.size(), 1u);
    const std::size_t all = CountRecords(out);
    const tool::ExportState stored = tool::ParseState(ReadFile(state));
    EXPECT_TRUE(stored.finished);
    EXPECT_EQ(stored.nextPage, static_cast<int>(first.size()) + 1);

    // Nothing changed: the run asks once, writes nothing, keeps the bound.
    ASSERT_EQ(Export(PlanArgs(out, state)).status, 0);
    EXPECT_EQ(PageFiles(out), first);
    EXPECT_EQ(tool::ParseState(ReadFile(state)).timeStamp, stored.timeStamp);

    // Two plan headers change: the next run brings their rows, in a page of a new number.
    std::ostringstream ignored;
    std::istringstream none;
    const std::string touch =
        "UPDATE t_rp_contact SET FExplanation = 'changed' WHERE FID IN "
        "(SELECT TOP 2 c.FID FROM t_rp_contact c WHERE c.FRP = 1 AND c.FType IN (3, 13) ORDER BY c.FID)";
    tool::RunSql(DatabasePath().string(), &touch, none, ignored);
    ASSERT_EQ(Export(PlanArgs(out, state)).status, 0);
    const std::vector<std::string> later = PageFiles(out);
    ASSERT_EQ(later.size(), first.size() + 1);
    char next[32];
    std::snprintf(next, sizeof next, "page-%04zu.xml", first.size() + 1);
    EXPECT_EQ(later.back(), next);
    EXPECT_GT(CountRecords(out), all);
    EXPECT_GT(tool::ParseState(ReadFile(state)).timeStamp, stored.timeStamp);
}

TEST_F(ResumableExportTest, AStateOfOtherOptionsIsRefusedAndKept) {
    const auto out = folder_.Path() / "pages", state = folder_.Path() / "plan.state";
    const std::vector<std::string> base = PlanArgs(out, state);
    ASSERT_EQ(Export(base).status, 0);
    const std::string stored = ReadFile(state);

    const auto with = [&](std::vector<std::string> extra, std::vector<std::string> args) {
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    auto otherUser = base;
    otherUser[4] = "16";
    auto otherOut = base;
    otherOut[9] = (folder_.Path() / "elsewhere").string();
    const struct {
        const char* what;
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {"a filter", with({"--filter", "Number=C001"}, base), "its filter is \"\", this run's \"Number=C001\""},
        {"another user", otherUser, "its user is \"17\", this run's \"16\""},
        {"a language", with({"--language", "eng"}, base), "its language is \"\", this run's \"eng\""},
        {"a start", with({"--timestamp", "0x00000000000007E0"}, base), "its timestamp is \"\""},
        {"another folder", otherOut, "its out is"},
        {"another kind", with({"--pre", "0"}, [&] { auto args = base; args[0] = "bill"; return args; }()),
         "its kind is \"plan\", this run's \"bill\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Run run = Export(c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.errors.find("belongs to another export"), std::string::npos) << run.errors;
        EXPECT_NE(run.errors.find(c.says), std::string::npos) << run.errors;
        EXPECT_EQ(ReadFile(state), stored);
    }
    // The page size is no part of it.
    auto otherPageSize = base;
    otherPageSize[6] = "7";
    EXPECT_EQ(Export(otherPageSize).status, 0);
}

TEST_F(ResumableExportTest, AFileThatHoldsNoStateIsRefused) {
    const auto state = folder_.Path() / "plan.state";
    std::ofstream(state) << "timestamp 0x01\n";
    const Run run = Export(PlanArgs(folder_.Path() / "pages", state));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.errors.find("holds no export state: it does not begin with"), std::string::npos) << run.errors;
    EXPECT_EQ(ReadFile(state), "timestamp 0x01\n");
}

TEST_F(ResumableExportTest, StateNeedsAll) {
    EXPECT_THROW(Export({"plan", "--db", DatabasePath().string(), "--user", "17", "--state", "x.state"}),
                 CLI::RequiresError);
}

}  // namespace
}  // namespace ovardx::testing
