// The tool's "export bill" command: options reach clsReceiveBill::Export.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tests/support/DemoDatabaseFixture.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::testing {
namespace {

class ExportBillCommandTest : public DemoDatabaseSuite {
protected:
    static int Run(std::vector<std::string> args) {
        CLI::App app;
        CLI::App* exportCommand = app.add_subcommand("export");
        const tool::Subcommand command = tool::AddExportBillCommand(*exportCommand);
        args.insert(args.begin(), {"export", "bill", "--db", DatabasePath().string(), "--user", "16"});
        std::reverse(args.begin(), args.end());  // CLI11 takes the arguments last first
        app.parse(args);
        return command.run();
    }
};

std::int64_t CountRecords(const std::filesystem::path& folder) {
    std::int64_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path());
        const std::string xml{std::istreambuf_iterator<char>(in), {}};
        for (auto at = xml.find("<Record>"); at != std::string::npos; at = xml.find("<Record>", at + 1)) ++count;
    }
    return count;
}

TEST_F(ExportBillCommandTest, AllPagesOfOnePreGoToFiles) {
    const struct {
        const char* pre;
        std::int64_t bills;
    } cases[] = {{"0", Summary().ExportableReceiveBills}, {"1", Summary().ExportableAdvanceReceipts}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pre);
        TemporaryFolder folder;
        EXPECT_EQ(Run({"--pre", c.pre, "--per-count", "10", "--all", "--out", folder.Path().string()}), 0);
        EXPECT_EQ(CountRecords(folder.Path()), c.bills);
    }
}

TEST_F(ExportBillCommandTest, APageSizeOutsideItsRangeIsAUsageError) {
    for (const char* perCount : {"-1", "2147483648"}) {
        try {
            Run({"--per-count", perCount});
            ADD_FAILURE() << perCount << " accepted";
        } catch (const CLI::ValidationError& error) {
            EXPECT_NE(std::string(error.what()).find("not in range 0 to 2147483647"), std::string::npos)
                << error.what();
        } catch (const CLI::ConversionError&) {
            // too large for the option's type: refused before the range check
        }
    }
}

TEST_F(ExportBillCommandTest, FailedExportExitsWithOne) {
    TemporaryFolder folder;
    EXPECT_EQ(Run({"--filter", "no such column", "--all", "--out", folder.Path().string()}), 1);
    EXPECT_EQ(Run({"--timestamp", "1 or 1=1"}), 1);
}

}  // namespace
}  // namespace ovardx::testing
