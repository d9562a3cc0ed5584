#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include <unistd.h>

#include "XmlTestSupport.h"
#include "object_library/LibraryFolder.h"
#include "object_library/ObjectLibraryGlobals.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/Error.h"
#include "registry/LibrarySettings.h"
#include "session/SchemaFolder.h"
#include "session/XmlBridge.h"

namespace ovardx::xmltest {
namespace {

using testing::HasSubstr;

TEST(XmlBridgeTest, AddBackslash) {
    static const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"", ""},
        {"/opt/app", "/opt/app/"},
        {"/opt/app/", "/opt/app/"},
        {"SCHEMA", "SCHEMA/"},
        {"D:\\app\\", "D:\\app\\"},  // a host's "\" counts as a separator
        {"/", "/"},
    };
    for (const auto& c : cases) EXPECT_EQ(AddBackslash(c.path), c.expected) << c.path;
}

TEST(XmlBridgeTest, FileNameOfPath) {
    static const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"/opt/app/SCHEMA/ReceiveBill.xsd", "ReceiveBill.xsd"},
        {"ReceiveBill.xsd", "ReceiveBill.xsd"},
        {"", ""},
        {"/opt/app/SCHEMA/", ""},
        {"D:\\app\\SCHEMA\\ReceiveBill.xsd", "ReceiveBill.xsd"},
        {"/opt/app/SCHEMA/\\Delete.xsd", "Delete.xsd"},
    };
    for (const auto& c : cases) EXPECT_EQ(FileNameOfPath(c.path), c.expected) << c.path;
}

// A configuration reader that answers one path and counts its reads.
class FakeRegistry : public RegistryReader {
public:
    explicit FakeRegistry(Variant path) : path_(std::move(path)) {}
    Variant GetRegValue(const std::string& keyPath, const std::string& valueName, const Variant& defaultValue) override {
        ++reads;
        if (fail) throw Error(13, "FakeRegistry", "unreadable");
        lastKey = keyPath;
        lastValue = valueName;
        return path_.IsEmpty() ? defaultValue : path_;
    }
    Variant path_;
    int reads = 0;
    bool fail = false;
    std::string lastKey;
    std::string lastValue;
};

// Runs body on a new thread, which starts with an empty SchemaFolder, with
// registry as the thread's configuration reader.
template <class Body>
void OnFreshThread(std::shared_ptr<FakeRegistry> registry, Body body) {
    std::thread([&] {
        ObjectLibraryGlobals::ForThisThread().SetRegistry(registry);
        body();
    }).join();
}

TEST(SchemaFolderTest, FollowsTheConfiguredInstallationFolder) {
    static const struct {
        Variant configured;
        const char* expected;
    } cases[] = {
        {Variant("/opt/app"), "/opt/app/SCHEMA/"},
        {Variant("/opt/app/"), "/opt/app/SCHEMA/"},
        {Variant(), "SCHEMA/"},  // nothing configured: relative folder
        {Variant(""), "SCHEMA/"},
    };
    for (const auto& c : cases) {
        auto registry = std::make_shared<FakeRegistry>(c.configured);
        OnFreshThread(registry, [&] {
            EXPECT_EQ(SchemaFolder(), "");
            EnsureSchemaFolder();
            EXPECT_EQ(SchemaFolder(), c.expected) << Describe(c.configured);
        });
        EXPECT_EQ(registry->lastKey, "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE\\OVWEBSERVICE");
        EXPECT_EQ(registry->lastValue, "path");
    }
}

TEST(SchemaFolderTest, IsReadOncePerThread) {
    auto registry = std::make_shared<FakeRegistry>(Variant("/opt/first"));
    OnFreshThread(registry, [&] {
        EnsureSchemaFolder();
        registry->path_ = Variant("/opt/second");
        EnsureSchemaFolder();  // a second object on the same thread
        EXPECT_EQ(SchemaFolder(), "/opt/first/SCHEMA/");
    });
    EXPECT_EQ(registry->reads, 1);
    // Another thread reads the configuration for itself.
    OnFreshThread(registry, [&] {
        EnsureSchemaFolder();
        EXPECT_EQ(SchemaFolder(), "/opt/second/SCHEMA/");
    });
    EXPECT_EQ(registry->reads, 2);
}

TEST(SchemaFolderTest, RegistryFailureFailsTheCreationAndIsRetried) {
    auto registry = std::make_shared<FakeRegistry>(Variant("/opt/app"));
    registry->fail = true;
    OnFreshThread(registry, [&] {
        EXPECT_THROW(EnsureSchemaFolder(), Error);
        EXPECT_EQ(SchemaFolder(), "");
        registry->fail = false;
        EnsureSchemaFolder();
        EXPECT_EQ(SchemaFolder(), "/opt/app/SCHEMA/");
    });
}

// Records what the bridge hands the component and answers as told.
struct ComponentCall {
    std::shared_ptr<ValueVector> list;
    std::string xml;
    std::string schemaPath;
    std::string rootName;
    std::string errorText;
};

class FakeWriter : public XmlWriter {
public:
    void OutputXMLString(std::shared_ptr<ValueVector>& list, std::string& xml, std::string& schemaPath,
                         std::string& rootName, std::string& errorText) override {
        seen = {list, xml, schemaPath, rootName, errorText};
        list = answerList;
        xml = answerXml;
        errorText = answerError;
    }
    ComponentCall seen;
    std::shared_ptr<ValueVector> answerList = NewList();
    std::string answerXml = "<x/>";
    std::string answerError;
};

class FakeReader : public XmlReader {
public:
    void InputXMLString(std::shared_ptr<ValueVector>& list, const std::string& xml, std::string& schemaPath,
                        std::string& rootName, std::string& errorText) override {
        seen = {list, xml, schemaPath, rootName, errorText};
        list = answerList;
        errorText = answerError;
    }
    ComponentCall seen;
    std::shared_ptr<ValueVector> answerList = NewList();
    std::string answerError;
};

class XmlBridgeCallTest : public testing::Test {
protected:
    void SetUp() override {
        schemaFolder_ = std::filesystem::temp_directory_path() / ("ovardx-xml-bridge-" + std::to_string(::getpid()));
        std::filesystem::create_directories(schemaFolder_ / "SCHEMA");
        std::filesystem::copy_file(SchemaPath("ArApPlan.xsd"), schemaFolder_ / "SCHEMA" / "ArApPlan.xsd",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    void TearDown() override { std::filesystem::remove_all(schemaFolder_); }
    std::string Folder() const { return (schemaFolder_ / "SCHEMA").string() + "/"; }

    std::shared_ptr<FakeWriter> writer_ = std::make_shared<FakeWriter>();
    std::shared_ptr<FakeReader> reader_ = std::make_shared<FakeReader>();
    ScopedComponent writerRegistration_{kXmlWriterProgId,
                                        std::function<std::shared_ptr<XmlWriter>()>([this] { return writer_; })};
    ScopedComponent readerRegistration_{kXmlReaderProgId,
                                        std::function<std::shared_ptr<XmlReader>()>([this] { return reader_; })};
    std::filesystem::path schemaFolder_;
};

TEST_F(XmlBridgeCallTest, SchemaPathFallsBackToTheLibraryFolder) {
    const struct {
        std::string given;
        std::string expected;
    } cases[] = {
        {Folder() + "ArApPlan.xsd", Folder() + "ArApPlan.xsd"},
        {Folder() + "ReceiveBill.xsd", LibraryFolder() + "/ReceiveBill.xsd"},  // absent from the folder
        {"SCHEMA/ArApPlan.xsd", LibraryFolder() + "/ArApPlan.xsd"},            // unconfigured, relative
        {Folder() + "\\ArApPlan.xsd", Folder() + "/ArApPlan.xsd"},             // "\" read as a separator
        {"D:\\app\\SCHEMA\\Delete.xsd", LibraryFolder() + "/Delete.xsd"},
    };
    for (const auto& c : cases) {
        std::shared_ptr<ValueVector> list = NewList();
        std::string xml;
        std::string error;
        WriteXml(list, xml, c.given, "ArApPlan", error);
        EXPECT_EQ(writer_->seen.schemaPath, c.expected) << c.given;
        ReadXml(list, "<ArApPlan/>", c.given, "ArApPlan", error);
        EXPECT_EQ(reader_->seen.schemaPath, c.expected) << c.given;
    }
}

TEST_F(XmlBridgeCallTest, WriteXmlClearsItsOutputsAndTakesTheWritersAnswer) {
    std::shared_ptr<ValueVector> list = DeleteSample();
    auto original = list;
    std::string xml = "old";
    std::string error = "old";
    EXPECT_TRUE(WriteXml(list, xml, Folder() + "ArApPlan.xsd", "ArApPlan", error));
    EXPECT_EQ(writer_->seen.list, original);
    EXPECT_EQ(writer_->seen.xml, "");
    EXPECT_EQ(writer_->seen.errorText, "");
    EXPECT_EQ(writer_->seen.rootName, "ArApPlan");
    EXPECT_EQ(xml, "<x/>");
    EXPECT_EQ(list, writer_->answerList);  // the list object is written back

    writer_->answerXml = "";
    writer_->answerError = "bad";
    EXPECT_FALSE(WriteXml(list, xml, Folder() + "ArApPlan.xsd", "ArApPlan", error));
    EXPECT_EQ(error, "bad");
}

TEST_F(XmlBridgeCallTest, ReadXmlClearsTheErrorAndTakesTheReadersList) {
    std::shared_ptr<ValueVector> list;
    std::string error = "old";
    EXPECT_TRUE(ReadXml(list, "<ArApPlan/>", Folder() + "ArApPlan.xsd", "ArApPlan", error));
    EXPECT_EQ(reader_->seen.errorText, "");
    EXPECT_EQ(reader_->seen.xml, "<ArApPlan/>");
    EXPECT_EQ(list, reader_->answerList);

    reader_->answerError = "refused";
    EXPECT_FALSE(ReadXml(list, "<ArApPlan/>", Folder() + "ArApPlan.xsd", "ArApPlan", error));
    EXPECT_EQ(error, "refused");
}

TEST_F(XmlBridgeCallTest, DocumentsAboveTheConfiguredSizeAreRefusedUnread) {
    std::thread([&] {
        LibrarySettings settings;
        settings.maxDocumentBytes = 11;
        SetThreadSettings(settings);
        std::shared_ptr<ValueVector> list;
        std::string error;
        EXPECT_TRUE(ReadXml(list, "<ArApPlan/>", Folder() + "ArApPlan.xsd", "ArApPlan", error)) << error;
        reader_->seen = {};
        EXPECT_FALSE(ReadXml(list, "<ArApPlan />", Folder() + "ArApPlan.xsd", "ArApPlan", error));
        EXPECT_EQ(error, "The XML document is refused: it is larger than the 11 bytes the configuration allows "
                         "(MaxDocumentSize)");
        EXPECT_EQ(reader_->seen.xml, "");
        ASSERT_TRUE(list);
        EXPECT_EQ(list->Count(), 0);
        int items = 0;
        EXPECT_FALSE(ReadXmlItems("<ArApPlan />", Folder() + "ArApPlan.xsd", "ArApPlan", error,
                                  [&](const Variant&, std::int32_t) { ++items; }));
        EXPECT_EQ(items, 0);
    }).join();
}

// A reader of the host's own that only knows whole lists still serves the
// imports, which read item by item.
TEST_F(XmlBridgeCallTest, ItemsComeFromTheWholeListOfAReaderWithoutItemReading) {
    reader_->answerList = ListOf({Rec({{"UUID", "a"}}), Rec({{"UUID", "b"}})});
    std::vector<std::string> seen;
    std::string error;
    EXPECT_TRUE(ReadXmlItems("<Delete/>", Folder() + "Delete.xsd", "Delete", error, [&](const Variant& item, std::int32_t total) {
        seen.push_back(item.AsRecord()->GetValue("UUID").ToText() + "/" + std::to_string(total));
    }));
    EXPECT_EQ(seen, (std::vector<std::string>{"a/2", "b/2"}));

    reader_->answerError = "refused";
    seen.clear();
    EXPECT_FALSE(ReadXmlItems("<Delete/>", Folder() + "Delete.xsd", "Delete", error,
                              [&](const Variant&, std::int32_t) { seen.push_back("x"); }));
    EXPECT_EQ(error, "refused");
    EXPECT_TRUE(seen.empty());
}

TEST_F(XmlBridgeCallTest, ComponentsThatCannotBeCreatedRaise) {
    ScopedComponent noWriter(kXmlWriterProgId);
    ScopedComponent noReader(kXmlReaderProgId);
    std::shared_ptr<ValueVector> list = NewList();
    std::string xml;
    std::string error;
    try {
        WriteXml(list, xml, Folder() + "ArApPlan.xsd", "ArApPlan", error);
        FAIL() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.record().Number, errnum::kCannotCreateObject);
    }
    EXPECT_THROW(ReadXml(list, "<ArApPlan/>", Folder() + "ArApPlan.xsd", "ArApPlan", error), Error);
}

// The real components behind the bridge, with the library's own schema
// files when the configured folder has none.
TEST(XmlBridgeEndToEndTest, WritesAndReadsWithTheLibrarysSchemaFiles) {
    ScopedComponent writer(kXmlWriterProgId, std::function<std::shared_ptr<XmlWriter>()>(CreateXmlWriter));
    ScopedComponent reader(kXmlReaderProgId, std::function<std::shared_ptr<XmlReader>()>(CreateXmlReader));
    std::shared_ptr<ValueVector> list = ContractSample();
    std::string xml;
    std::string error;
    ASSERT_TRUE(WriteXml(list, xml, "/nonexistent/SCHEMA/ArContract.xsd", "Contract", error)) << error;
    EXPECT_EQ(xml, ReadTextFile(FixturePath("ArContract.xml")));

    std::shared_ptr<ValueVector> read;
    ASSERT_TRUE(ReadXml(read, xml, "/nonexistent/SCHEMA/\\ArContract.xsd", "Contract", error)) << error;
    EXPECT_TRUE(*read == *AsReadBack(*ContractSample()));

    EXPECT_FALSE(ReadXml(read, "<Contract><Record/></Contract>", "/nonexistent/ArContract.xsd", "Contract", error));
    EXPECT_THAT(error, HasSubstr("line 1, record 1: Element 'Record': Missing child element(s)."));
    EXPECT_EQ(read->Count(), 0);
}

}  // namespace
}  // namespace ovardx::xmltest
