// A page never passes a row version that a transaction still in flight may
// hold: the connection names it (MinActiveRowVersion), the page ends before
// the first row at or above it, and those rows come with the next call.
// Here a recording connection answers a chosen value on the demo database.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "erp/DemoDatabase.h"
#include "tests/odbc/ExportKinds.h"
#include "tests/support/DemoDatabaseFixture.h"
#include "tests/support/RecordingConnection.h"

namespace ovardx::testing {
namespace {

constexpr const char* kZero = "0x0000000000000000";

Bytes VersionBytes(const std::string& hex) {  // "0x00000000000007D1" or "00000000000007D1"
    const std::string digits = hex.starts_with("0x") ? hex.substr(2) : hex;
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

// The FModifyTime of every plan record of a document, in order.
std::vector<std::string> PlanVersions(const std::string& xml) {
    static const std::regex kVersion("<FModifyTime>([0-9A-F]+)</FModifyTime>");
    std::vector<std::string> versions;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), kVersion); it != std::sregex_iterator(); ++it)
        versions.push_back((*it)[1]);
    return versions;
}

int RecordCount(const std::string& xml) {
    int count = 0;
    for (std::size_t at = xml.find("<Record>"); at != std::string::npos; at = xml.find("<Record>", at + 1)) ++count;
    return count;
}

class InFlightRowVersionTest : public DemoDatabaseSuite {
protected:
    Page Call(const ExportKind& kind, int perCount, const std::string& timeStamp) {
        const Page page = kind.call(AdminProps(), perCount, timeStamp);
        EXPECT_TRUE(page.answered) << page.error;
        return page;
    }
    const ExportKind& Kind(const std::string& name) {
        for (const ExportKind& kind : ExportKinds())
            if (kind.name == name) return kind;
        throw std::invalid_argument(name);
    }

    RecordingScope recording_;
};

TEST_F(InFlightRowVersionTest, ALimitInsideAGroupOfPlanRowsHoldsBackTheWholeGroup) {
    const ExportKind& plan = Kind("plan");
    const std::vector<std::string> all = PlanVersions(Call(plan, 0, "").xml);
    // A group of rows sharing one row version, with rows before it.
    std::size_t start = 1;
    while (start + 1 < all.size() && !(all[start] == all[start + 1] && all[start - 1] != all[start])) ++start;
    ASSERT_LT(start + 1, all.size()) << "the demo database has a plan header with several entries";
    const auto groupSize = static_cast<std::size_t>(std::count(all.begin(), all.end(), all[start]));

    // Without the limit a page one row into the group is completed with all of it.
    const Page unlimited = Call(plan, static_cast<int>(start) + 1, "");
    EXPECT_EQ(PlanVersions(unlimited.xml).size(), start + groupSize);

    recording_.Log().minActiveRowVersion = VersionBytes(all[start]);
    const Page held = Call(plan, static_cast<int>(start) + 1, "");
    EXPECT_EQ(held.timeStamp, "0x" + all[start - 1]);
    EXPECT_EQ(PlanVersions(held.xml), std::vector<std::string>(all.begin(), all.begin() + static_cast<long>(start)));
    EXPECT_GT(recording_.Log().minActiveRowVersionCalls, 0);

    // The transaction commits: the next call starts with the whole group.
    recording_.Log().minActiveRowVersion.reset();
    const std::vector<std::string> next = PlanVersions(Call(plan, 100, held.timeStamp).xml);
    ASSERT_GE(next.size(), groupSize);
    EXPECT_EQ(std::vector<std::string>(next.begin(), next.begin() + static_cast<long>(groupSize)),
              std::vector<std::string>(groupSize, all[start]));
}

TEST_F(InFlightRowVersionTest, EveryExportEndsItsPageBeforeTheLimit) {
    int tested = 0;
    for (const ExportKind& kind : ExportKinds()) {
        SCOPED_TRACE(kind.name);
        recording_.Log().minActiveRowVersion.reset();
        // The row versions of the first three rows, one page each (a kind
        // with fewer rows in the demo database is left out).
        std::vector<std::string> bounds;
        for (std::string timeStamp; bounds.size() < 3;) {
            timeStamp = Call(kind, 1, timeStamp).timeStamp;
            if (timeStamp == kZero) break;
            bounds.push_back(timeStamp);
        }
        if (bounds.size() < 3) continue;
        ++tested;
        const Page firstTwo = Call(kind, 2, "");
        const Page empty = Call(kind, 10, firstTwo.maxTimeStamp);

        // In flight from the third row on (the third group of plan rows): the
        // page ends with the second, as a page of just those rows would.
        recording_.Log().minActiveRowVersion = VersionBytes(bounds[2]);
        const int readsBefore = recording_.Log().minActiveRowVersionCalls;
        const Page held = Call(kind, 10, "");
        EXPECT_GT(recording_.Log().minActiveRowVersionCalls, readsBefore);
        EXPECT_EQ(held.timeStamp, bounds[1]);
        recording_.Log().minActiveRowVersion.reset();
        EXPECT_EQ(held.xml, Call(kind, RecordCount(held.xml), "").xml);

        // In flight from the first row: nothing yet, and the bound does not move past it.
        recording_.Log().minActiveRowVersion = VersionBytes(bounds[0]);
        const Page none = Call(kind, 10, "");
        EXPECT_EQ(none.timeStamp, kZero);
        EXPECT_EQ(none.xml, empty.xml);

        // A limit past every row changes nothing.
        recording_.Log().minActiveRowVersion = VersionBytes("0x7FFFFFFFFFFFFFFF");
        const Page beyond = Call(kind, 2, "");
        EXPECT_EQ(beyond.xml, firstTwo.xml);
        EXPECT_EQ(beyond.timeStamp, firstTwo.timeStamp);
    }
    EXPECT_GE(tested, 5);
}

}  // namespace
}  // namespace ovardx::testing
