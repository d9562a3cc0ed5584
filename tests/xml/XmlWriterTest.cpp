#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "XmlTestSupport.h"

namespace ovardx::xmltest {
namespace {

using testing::HasSubstr;

std::shared_ptr<ValueDictionary> DeletionKey(Variant remark, Variant uuid) {
    return Rec({{"Remark", std::move(remark)}, {"UUID", std::move(uuid)}});
}

// A schema file written for one test, removed afterwards.
class TempSchema {
public:
    TempSchema(const std::string& name, const std::string& text)
        : path_((std::filesystem::temp_directory_path() / name).string()) {
        WriteTextFile(path_, text);
    }
    ~TempSchema() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

TEST(XmlWriterTest, RefusesListsTheSchemaDoesNotAdmit) {
    static const struct {
        const char* what;
        const char* schema;
        const char* root;
        std::shared_ptr<ValueVector> list;
        const char* expected;  // each error names the line, the record and the element
    } cases[] = {
        {"not a number", "ArApPlan.xsd", "ArApPlan",
         ListOf({Rec({{"FNumber", "A"}, {"FArDate", Variant::Null()}, {"FExchangerate", 1}, {"FAmountFor", "abc"}})}),
         "line 7, record 1: Element 'FAmountFor': 'abc' is not a valid value of the atomic type 'xs:decimal'."},
        {"keys out of order", "Delete.xsd", "Delete", ListOf({DeletionKey("x", "y"), Rec({{"UUID", "u"}, {"Remark", "r"}})}),
         "line 9, record 2: Element 'Remark': This element is not expected."},
        {"null where the schema has no nil", "Delete.xsd", "Delete", ListOf({DeletionKey(Variant::Null(), "u")}),
         "line 4, record 1: Element 'Remark': The element is not 'nillable'."},
        {"unknown key", "Delete.xsd", "Delete", ListOf({Rec({{"Remark", "r"}, {"Extra", 1}})}),
         "line 5, record 1: Element 'Extra': This element is not expected."},
        {"a list item that is no record", "Delete.xsd", "Delete", ListOf({Variant("plain")}),
         "line 3, record 1: Element 'Record': Character content other than whitespace is not allowed"},
    };
    for (const auto& c : cases) {
        Written written = WriteDocument(c.list, SchemaPath(c.schema), c.root);
        EXPECT_EQ(written.xml, "") << c.what;
        EXPECT_THAT(written.error, HasSubstr("The document does not match the schema")) << c.what;
        EXPECT_THAT(written.error, HasSubstr(c.expected)) << c.what;
    }
}

TEST(XmlWriterTest, RefusesWhatCannotBeWrittenAsXml) {
    static const struct {
        const char* what;
        std::shared_ptr<ValueVector> list;
        const char* expected;
    } cases[] = {
        {"key that is no element name", ListOf({Rec({{"a b", 1}})}), "the name 'a b' is not a valid XML element name"},
        {"no list", nullptr, "there is no list"},
    };
    for (const auto& c : cases) {
        Written written = WriteDocument(c.list, SchemaPath("Delete.xsd"), "Delete");
        EXPECT_EQ(written.xml, "") << c.what;
        EXPECT_THAT(written.error, HasSubstr(c.expected)) << c.what;
    }
}

// A stored text XML 1.0 cannot carry must not stop an export for good: the
// characters are replaced, and the document is written.
TEST(XmlWriterTest, CharactersXmlCannotCarryBecomeReplacementCharacters) {
    Written written = WriteDocument(
        ListOf({DeletionKey(std::string("a\0b\x01" "c", 5), "caf\xE9"), DeletionKey("tab\tline\nok", "\xEF\xBF\xBE")}),
        SchemaPath("Delete.xsd"), "Delete");
    ASSERT_EQ(written.error, "");
    EXPECT_THAT(written.xml, HasSubstr("<Remark>a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c</Remark>"));
    EXPECT_THAT(written.xml, HasSubstr("<UUID>caf\xEF\xBF\xBD</UUID>"));
    EXPECT_THAT(written.xml, HasSubstr("<Remark>tab\tline\nok</Remark>"));
    EXPECT_THAT(written.xml, HasSubstr("<UUID>\xEF\xBF\xBD</UUID>"));
}

TEST(XmlWriterTest, RecordThatContainsItselfIsRefused) {
    auto record = NewRecord();
    record->SetObject("Remark", record);
    Written written = WriteDocument(ListOf({record}), SchemaPath("Delete.xsd"), "Delete");
    EXPECT_EQ(written.xml, "");
    EXPECT_THAT(written.error, HasSubstr("records nest too deeply"));
    record->SetValue("Remark", Variant());  // break the cycle
}

TEST(XmlWriterTest, RefusesMissingAndUnsafeSchemaFiles) {
    TempSchema notXml("ovardx-xml-broken.xsd", "<xs:schema");
    TempSchema withDoctype("ovardx-xml-doctype.xsd",
                           "<?xml version=\"1.0\"?>\n<!DOCTYPE xs:schema SYSTEM \"http://www.w3.org/2001/XMLSchema.dtd\">\n"
                           "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"/>");
    TempSchema withInclude("ovardx-xml-include.xsd",
                           "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n"
                           "  <xs:include schemaLocation=\"http://example.com/other.xsd\"/>\n</xs:schema>");
    TempSchema invalid("ovardx-xml-invalid.xsd",
                       "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n"
                       "  <xs:element name=\"Delete\" type=\"NoSuchType\"/>\n</xs:schema>");
    static const std::string missing = SchemaPath("NoSuchSchema.xsd");
    const struct {
        std::string path;
        std::string expected;
    } cases[] = {
        {missing, "The schema file '" + missing + "' cannot be read: No such file or directory"},
        {"http://example.com/Delete.xsd", "The schema file 'http://example.com/Delete.xsd' cannot be read"},
        {notXml.path(), "The schema file '" + notXml.path() + "' is refused: line 1: "},
        {withDoctype.path(), "is refused: line 2: DOCTYPE declarations are not accepted"},
        {withInclude.path(), "is refused: line 2: xs:include is not accepted; schema files must be self-contained"},
        {invalid.path(), "is not a valid schema: line 2: "},
    };
    for (const auto& c : cases) {
        Written written = WriteDocument(DeleteSample(), c.path, "Delete");
        EXPECT_EQ(written.xml, "") << c.path;
        EXPECT_THAT(written.error, HasSubstr(c.expected)) << c.path;
    }
}

// Compiled schemas are kept per thread, but every call sees the file as it
// is now: an edit of the same size, a removal, a broken replacement.
TEST(XmlWriterTest, SchemaFileChangedBetweenCallsIsUsedAsItIsNow) {
    const std::string original = ReadTextFile(SchemaPath("Delete.xsd"));
    const std::string nillable = "nillable=\"true\"";
    std::string notNillable = original;
    notNillable.replace(notNillable.find(nillable), nillable.size(), "nillable=\"0\"   ");  // same size
    TempSchema schema("ovardx-xml-changing.xsd", original);
    const std::string written = WriteDocument(DeleteSample(), schema.path(), "Delete").xml;
    ASSERT_NE(written, "");

    const struct {
        const char* what;
        std::optional<std::string> text;  // none: the file is removed
        std::string expected;             // the error of writing and of reading; empty: none
    } steps[] = {
        {"nil no longer allowed", notNillable, "line 9, record 2: Element 'UUID': The element is not 'nillable'."},
        {"allowed again", original, ""},
        {"removed", std::nullopt, "The schema file '" + schema.path() + "' cannot be read: No such file or directory"},
        {"broken", "<xs:schema", "The schema file '" + schema.path() + "' is refused: line 1: "},
        {"restored", original, ""},
    };
    for (const auto& step : steps) {
        if (step.text)
            WriteTextFile(schema.path(), *step.text);
        else
            std::filesystem::remove(schema.path());
        const Written write = WriteDocument(DeleteSample(), schema.path(), "Delete");
        const Read read = ReadDocument(written, schema.path(), "Delete");
        if (step.expected.empty()) {
            EXPECT_EQ(write.error, "") << step.what;
            EXPECT_EQ(write.xml, written) << step.what;
            EXPECT_EQ(read.error, "") << step.what;
        } else {
            EXPECT_EQ(write.xml, "") << step.what;
            EXPECT_THAT(write.error, HasSubstr(step.expected)) << step.what;
            EXPECT_THAT(read.error, HasSubstr(step.expected)) << step.what;
        }
    }
}

// Where any element is allowed, a name xmlValidateNCName accepts may still
// be one the parser refuses: such a document is refused, not handed out.
TEST(XmlWriterTest, NamesTheParserRefusesAreRefusedWhereAnyElementIsAllowed) {
    TempSchema open("ovardx-xml-open.xsd",
                    "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n"
                    "  <xs:element name=\"Open\"><xs:complexType><xs:sequence>\n"
                    "    <xs:any processContents=\"lax\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
                    "  </xs:sequence></xs:complexType></xs:element>\n</xs:schema>");
    const struct {
        const char* what;
        std::string name;
        const char* expected;  // empty: written
    } cases[] = {
        {"longest name", std::string(50000, 'N'), ""},
        {"name beyond the parser's limit", std::string(50001, 'N'), "line 4, record 1: Name too long"},
        {"name beyond ASCII", "Caf\xC3\xA9", ""},
        {"overlong UTF-8 in a name", "\xC1\x81" "bc", "line 4, record 1: Input is not proper UTF-8"},
    };
    for (const auto& c : cases) {
        auto record = NewRecord();
        record->SetValue(c.name, 1);
        Written written = WriteDocument(ListOf({record}), open.path(), "Open");
        if (*c.expected == '\0') {
            EXPECT_EQ(written.error, "") << c.what;
            EXPECT_EQ(ReadDocument(written.xml, open.path(), "Open").error, "") << c.what;
        } else {
            EXPECT_EQ(written.xml, "") << c.what;
            EXPECT_THAT(written.error, HasSubstr(c.expected)) << c.what;
        }
    }
}

TEST(XmlWriterTest, RootElementMustBeDeclaredByTheSchema) {
    Written written = WriteDocument(DeleteSample(), SchemaPath("Delete.xsd"), "Contract");
    EXPECT_EQ(written.xml, "");
    EXPECT_THAT(written.error, HasSubstr("line 2: Element 'Contract': No matching global declaration"));
}

TEST(XmlWriterTest, KeepsLineBreaksAndSpacesOfTexts) {
    auto list = ListOf({DeletionKey("  two\r\nlines\tand tab  ", " ")});
    Written written = WriteDocument(list, SchemaPath("Delete.xsd"), "Delete");
    ASSERT_EQ(written.error, "");
    Read read = ReadDocument(written.xml, SchemaPath("Delete.xsd"), "Delete");
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(Describe(read.list), Describe(list));
}

}  // namespace
}  // namespace ovardx::xmltest
