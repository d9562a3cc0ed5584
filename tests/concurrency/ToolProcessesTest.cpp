// The ovardx tool run as separate processes: many at once on one database,
// and never reporting a page it could not write.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "erp/DemoDatabase.h"
#include "sqlite_backend/SqliteHandle.h"
#include "tests/concurrency/ContractDocuments.h"
#include "tests/concurrency/ToolProcess.h"
#include "tests/support/DemoDatabaseFixture.h"

namespace ovardx::testing {
namespace {

class ToolProcessesTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.Path() / "demo.db";
        erp::CreateDemoDatabase(path_);
    }

    std::vector<std::string> Session() const { return {"--db", path_.string(), "--user", "16"}; }
    std::vector<std::string> With(std::vector<std::string> command) const {
        const auto session = Session();
        command.insert(command.begin() + 2, session.begin(), session.end());
        return command;
    }

    std::int64_t Count(const std::string& sql) const {
        sqlite::Database db = sqlite::Database::Open(path_.string(), sqlite::OpenMode::ReadOnly);
        sqlite::Statement statement(db, sql);
        EXPECT_TRUE(statement.Step()) << sql;
        return statement.ColumnInt64(0);
    }

    std::filesystem::path File(const std::string& name) const { return folder_.Path() / name; }

    TemporaryFolder folder_;
    std::filesystem::path path_;
};

TEST_F(ToolProcessesTest, ManyProcessesOnOneDatabaseAllSucceedAndSaveEachContractOnce) {
    const auto numbers = Numbers("HT-PROC", 50);
    std::ofstream(File("contracts.xml")) << NewContractsDocument(PropsFor(path_, 16), numbers);
    std::vector<std::unique_ptr<ToolProcess>> processes;
    for (int i = 0; i < 4; ++i) {
        const std::string n = std::to_string(i);
        processes.push_back(std::make_unique<ToolProcess>(
            With({"import", "contracts", "--add-new-only", File("contracts.xml").string()}), File("import" + n + ".out"),
            File("import" + n + ".err")));
        for (const char* kind : {"plan", "bill", "contract", "deletions"}) {
            std::vector<std::string> command = With({"export", kind, "--per-count", "5"});
            if (std::string(kind) == "deletions") command.insert(command.end(), {"--bill-type", "1"});
            processes.push_back(std::make_unique<ToolProcess>(command, File(std::string(kind) + n + ".xml"),
                                                              File(std::string(kind) + n + ".err")));
        }
    }
    for (auto& process : processes) EXPECT_EQ(process->Wait(), 0) << process->StandardError();
    EXPECT_EQ(Count("SELECT COUNT(*) FROM t_RPContract WHERE FContractNo LIKE 'HT-PROC-%'"), 50);
    EXPECT_EQ(Count("SELECT COUNT(DISTINCT FContractNo) FROM t_RPContract WHERE FContractNo LIKE 'HT-PROC-%'"), 50);
}

// A script stores the bound the tool prints and asks for the next page
// from it; a page that did not arrive must not move it.
TEST_F(ToolProcessesTest, ABoundIsPrintedOnlyForAPageThatWasWritten) {
    ToolProcess full(With({"export", "contract", "--per-count", "2"}), "/dev/full", File("full.err"));
    EXPECT_EQ(full.Wait(), 1);
    EXPECT_NE(full.StandardError().find("No space left on device"), std::string::npos) << full.StandardError();
    EXPECT_EQ(full.StandardError().find("strTimeStamp="), std::string::npos) << full.StandardError();

    // The second page file cannot be put in place.
    const auto out = File("pages");
    std::filesystem::create_directories(out / "page-0002.xml" / "blocked");
    ToolProcess blocked(With({"export", "contract", "--per-count", "2", "--all", "--out", out.string()}),
                        File("blocked.out"), File("blocked.err"));
    EXPECT_EQ(blocked.Wait(), 1);
    EXPECT_NE(blocked.StandardError().find("cannot rename"), std::string::npos) << blocked.StandardError();
    EXPECT_EQ(blocked.StandardError().find("strTimeStamp="), std::string::npos) << blocked.StandardError();
    EXPECT_TRUE(std::filesystem::is_regular_file(out / "page-0001.xml"));
    EXPECT_FALSE(std::filesystem::exists(out / "page-0002.xml.partial"));

    ToolProcess written(With({"export", "contract", "--per-count", "2", "--all", "--out", File("all").string()}),
                        File("all.out"), File("all.err"));
    EXPECT_EQ(written.Wait(), 0) << written.StandardError();
    EXPECT_NE(written.StandardError().find("strTimeStamp=0x0000000000000000"), std::string::npos);
}

// Documents that used to crash the parser while it switched encodings.
TEST_F(ToolProcessesTest, DocumentsInOtherEncodingsAreRefusedWithExitStatusOne) {
    for (const std::string encoding : {"UTF-7", "ISO-2022-JP", "Shift_JIS", "GB18030"}) {
        SCOPED_TRACE(encoding);
        const auto file = File(encoding + ".xml");
        std::ofstream(file, std::ios::binary)
            << "<?xml version=\"1.0\" encoding=\"" << encoding << "\"?>\n<Contract>\xFF\xFE\x80</Contract>";
        for (const std::vector<std::string>& command :
             {With({"import", "contracts", file.string()}),
              With({"import", "deletions", "--bill-type", "1", file.string()})}) {
            ToolProcess import(command, File("refused.out"), File("refused.err"));
            EXPECT_EQ(import.Wait(), 1);
            EXPECT_NE(import.StandardError().find("declares the encoding '" + encoding + "'"), std::string::npos)
                << import.StandardError();
        }
    }
}

}  // namespace
}  // namespace ovardx::testing
