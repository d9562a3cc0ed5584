// The tool's "export deletions" and "import deletions" commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tests/data_key/DataKeyTestSupport.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::testing {
namespace {

class DeletionCommandsTest : public DataKeyDatabaseTest {
protected:
    int Run(const char* parent, const char* name, std::vector<std::string> args) {
        CLI::App app;
        CLI::App* parentCommand = app.add_subcommand(parent);
        const tool::Subcommand command = std::string(parent) == "export"
                                             ? tool::AddExportDeletionsCommand(*parentCommand)
                                             : tool::AddImportDeletionsCommand(*parentCommand);
        args.insert(args.begin(), {parent, name, "--db", path_.string(), "--user", "17"});
        std::reverse(args.begin(), args.end());  // CLI11 takes the arguments last first
        app.parse(args);
        return command.run();
    }
};

std::vector<Key> KeysInFolder(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Key> keys;
    for (const auto& file : files) {
        std::ifstream in(file);
        for (Key key : KeysOf(std::string{std::istreambuf_iterator<char>(in), {}})) keys.push_back(key);
    }
    return keys;
}

TEST_F(DeletionCommandsTest, ExportsEveryPageOfOneKindToFiles) {
    TemporaryFolder folder;
    EXPECT_EQ(Run("export", "deletions", {"--bill-type", "3", "--per-count", "2", "--all", "--out", folder.Path().string()}),
              0);
    const std::vector<Key> keys = KeysInFolder(folder.Path());
    EXPECT_EQ(static_cast<std::int64_t>(keys.size()), summary_.DeletedContracts);
    EXPECT_TRUE(std::all_of(keys.begin(), keys.end(), [](const Key& key) { return key.remark == "合同"; }));
    EXPECT_EQ(Run("export", "deletions", {"--bill-type", "1", "--timestamp", "1 or 1=1"}), 1);
}

TEST_F(DeletionCommandsTest, ImportsADocumentFromAFile) {
    TemporaryFolder folder;
    const auto file = folder.Path() / "delete.xml";
    const std::string uuid = Sql("SELECT UUID FROM t_RP_NewReceiveBill WHERE FPre=1 LIMIT 1")->Item(0).Value.ToText();
    std::ofstream(file) << DeleteDocument({uuid.c_str()});
    EXPECT_EQ(Run("import", "deletions", {"--bill-type", "7", file.string()}), 1);
    EXPECT_EQ(Count("t_RP_NewReceiveBill WHERE UUID='" + uuid + "'"), 1);
    EXPECT_EQ(Run("import", "deletions", {"--bill-type", "2", file.string()}), 0);
    EXPECT_EQ(Count("t_RP_NewReceiveBill WHERE UUID='" + uuid + "'"), 0);
    EXPECT_EQ(Run("import", "deletions", {"--bill-type", "2", (folder.Path() / "missing.xml").string()}), 2);
}

}  // namespace
}  // namespace ovardx::testing
