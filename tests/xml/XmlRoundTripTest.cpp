#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "XmlTestSupport.h"

namespace ovardx::xmltest {
namespace {

// Set OVARDX_UPDATE_XML_FIXTURES=1 to rewrite the fixture documents from the
// writer's current output (then review the diff).
bool UpdatingFixtures() { return std::getenv("OVARDX_UPDATE_XML_FIXTURES") != nullptr; }

bool HaveXmllint() { return std::system("xmllint --version > /dev/null 2>&1") == 0; }

class SampleDocumentTest : public testing::TestWithParam<SampleDocument> {};

TEST_P(SampleDocumentTest, WriterProducesTheFixtureDocument) {
    const SampleDocument& sample = GetParam();
    Written written = WriteDocument(sample.build(), SchemaPath(sample.schemaFile), sample.rootName);
    ASSERT_EQ(written.error, "");
    if (UpdatingFixtures()) WriteTextFile(FixturePath(sample.fixtureFile), written.xml);
    EXPECT_EQ(written.xml, ReadTextFile(FixturePath(sample.fixtureFile)));
}

TEST_P(SampleDocumentTest, ReadingBackGivesTheSameListWithTextLeaves) {
    const SampleDocument& sample = GetParam();
    auto original = sample.build();
    Written written = WriteDocument(original, SchemaPath(sample.schemaFile), sample.rootName);
    ASSERT_EQ(written.error, "");
    Read read = ReadDocument(written.xml, SchemaPath(sample.schemaFile), sample.rootName);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(Describe(read.list), Describe(AsReadBack(*original)));
    EXPECT_TRUE(*read.list == *AsReadBack(*original));
}

TEST_P(SampleDocumentTest, FixtureValidatesWithXmllint) {
    if (!HaveXmllint()) GTEST_SKIP() << "xmllint is not installed";
    const SampleDocument& sample = GetParam();
    std::string command = "xmllint --noout --nonet --schema '" + SchemaPath(sample.schemaFile) + "' '" +
                          FixturePath(sample.fixtureFile) + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

TEST_P(SampleDocumentTest, EmptyListGivesARootWithoutRecords) {
    const SampleDocument& sample = GetParam();
    Written written = WriteDocument(NewList(), SchemaPath(sample.schemaFile), sample.rootName);
    ASSERT_EQ(written.error, "");
    EXPECT_EQ(written.xml, std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<") + sample.rootName +
                               " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"/>\n");
    Read read = ReadDocument(written.xml, SchemaPath(sample.schemaFile), sample.rootName);
    ASSERT_EQ(read.error, "");
    ASSERT_TRUE(read.list);
    EXPECT_EQ(read.list->Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryDocumentKind, SampleDocumentTest, testing::ValuesIn(kSamples),
                         [](const testing::TestParamInfo<SampleDocument>& info) {
                             return std::string(info.param.rootName);
                         });

// Null and the empty text are different values and stay different; nested
// records and lists come back as such, an empty list too.
TEST(XmlRoundTripTest, NullEmptyTextAndEmptyListStayApart) {
    Read read = ReadDocument(WriteDocument(ContractSample(), SchemaPath("ArContract.xsd"), "Contract").xml,
                             SchemaPath("ArContract.xsd"), "Contract");
    ASSERT_EQ(read.error, "");
    auto full = (*read.list)[0].AsRecord();
    EXPECT_EQ(full->GetValue("Explanation"), Variant(""));
    EXPECT_TRUE(full->GetValue("Checker").IsNull());
    EXPECT_TRUE(full->GetValue("Employee").AsRecord()->GetValue("UUID").IsNull());
    EXPECT_EQ(full->GetValue("Body").AsList()->Count(), 2);
    EXPECT_EQ(full->GetValue("Plan").AsList()->Count(), 2);
    auto bare = (*read.list)[1].AsRecord();
    EXPECT_EQ(bare->GetValue("UUID"), Variant(""));
    EXPECT_TRUE(bare->GetValue("ContractNo").IsNull());
    EXPECT_EQ(bare->GetValue("Body").AsList()->Count(), 0);
    EXPECT_FALSE(bare->HasKey("Plan"));
}

TEST(XmlRoundTripTest, LargeDocumentKeepsEveryRecordInOrder) {
    auto list = NewList();
    for (int i = 0; i < 20000; ++i)
        list->Add(Rec({{"Remark", "收款单"}, {"UUID", "{" + std::to_string(i) + "}"}}));
    Written written = WriteDocument(list, SchemaPath("Delete.xsd"), "Delete");
    ASSERT_EQ(written.error, "");
    Read read = ReadDocument(written.xml, SchemaPath("Delete.xsd"), "Delete");
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.list->Count(), 20000);
    EXPECT_EQ((*read.list)[19999].AsRecord()->GetValue("UUID"), Variant("{19999}"));
}

// Each thread has its own parsers and error handlers: a refusal on one
// thread never shows up on another.
TEST(XmlRoundTripTest, ThreadsWorkIndependently) {
    std::atomic<int> failures = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 25; ++i) {
                if (t % 2 == 0) {
                    Written written = WriteDocument(ContractSample(), SchemaPath("ArContract.xsd"), "Contract");
                    Read read = ReadDocument(written.xml, SchemaPath("ArContract.xsd"), "Contract");
                    if (!written.error.empty() || !read.error.empty() || read.list->Count() != 2) ++failures;
                } else {
                    Read read = ReadDocument("<Delete><Bad/></Delete>", SchemaPath("Delete.xsd"), "Delete");
                    if (read.error.find("Element 'Bad'") == std::string::npos) ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace ovardx::xmltest
