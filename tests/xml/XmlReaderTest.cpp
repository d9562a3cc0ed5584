#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "XmlTestSupport.h"
#include "ovardx/Error.h"

namespace ovardx::xmltest {
namespace {

using testing::HasSubstr;

constexpr const char* kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

Read ReadDelete(const std::string& xml) { return ReadDocument(xml, SchemaPath("Delete.xsd"), "Delete"); }

std::string Utf16Le(const std::string& ascii, bool bom) {
    std::string text = bom ? std::string("\xFF\xFE") : std::string();
    for (char c : ascii) {
        text += c;
        text += '\0';
    }
    return text;
}

// Every refusal says what and where, and hands back a list without records.
TEST(XmlReaderTest, RefusesHostileAndBrokenDocuments) {
    const struct {
        const char* what;
        std::string xml;
        const char* expected;
    } cases[] = {
        {"DOCTYPE with entities",
         std::string(kDecl) +
             "<!DOCTYPE Delete [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>\n"
             "<Delete><Record><UUID>&b;</UUID></Record></Delete>",
         "line 2: DOCTYPE declarations are not accepted"},
        {"external entity",
         std::string(kDecl) + "<!DOCTYPE Delete [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n"
                              "<Delete><Record><UUID>&x;</UUID></Record></Delete>",
         "line 2: DOCTYPE declarations are not accepted"},
        {"external DTD",
         std::string(kDecl) + "<!DOCTYPE Delete SYSTEM \"http://example.com/delete.dtd\">\n<Delete/>",
         "line 2: DOCTYPE declarations are not accepted"},
        {"undeclared entity", std::string(kDecl) + "<Delete>\n<Record><UUID>&x;</UUID></Record></Delete>",
         "line 3, record 1: Entity 'x' not defined"},
        {"XInclude",
         std::string(kDecl) + "<Delete xmlns:xi=\"http://www.w3.org/2001/XInclude\">\n<Record>\n"
                              "<xi:include href=\"file:///etc/passwd\" parse=\"text\"/></Record></Delete>",
         "line 4, record 1: Element '{http://www.w3.org/2001/XInclude}include': This element is not expected."},
        {"network schema location",
         std::string(kDecl) + "<Delete xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
                              "  xsi:noNamespaceSchemaLocation=\"http://example.com/Delete.xsd\"/>",
         "line 3: element 'Delete': the attribute 'xsi:noNamespaceSchemaLocation' is not accepted"},
        {"schema location hint on a record",
         std::string(kDecl) + "<Delete xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
                              "<Record xsi:schemaLocation=\"urn:x http://example.com/x.xsd\"/></Delete>",
         "line 3: element 'Record': the attribute 'xsi:schemaLocation' is not accepted"},
        {"xsi:type", std::string(kDecl) + "<Delete xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
                                          "<Record><UUID xsi:type=\"xs:int\">1</UUID></Record></Delete>",
         "line 3, record 1: element 'UUID': the attribute 'xsi:type' is not accepted"},
        {"malformed", std::string(kDecl) + "<Delete>\n<Record><UUID>u</Remark></Record></Delete>",
         "line 3, record 1: Opening and ending tag mismatch: UUID line 3 and Remark"},
        {"unclosed", std::string(kDecl) + "<Delete>\n<Record>", "line 3"},
        {"text after the root", std::string(kDecl) + "<Delete/>\n<Delete/>",
         "line 3: Extra content at the end of the document"},
        {"wrong root", std::string(kDecl) + "<Contract/>",
         "line 2: the root element is 'Contract'; expected 'Delete' in no namespace"},
        {"namespaced root", std::string(kDecl) + "<x:Delete xmlns:x=\"urn:x\"/>",
         "line 2: the root element is 'Delete' in the namespace 'urn:x'; expected 'Delete' in no namespace"},
        {"schema violation", std::string(kDecl) + "<Delete>\n<Record><UUID>u</UUID></Record>\n"
                                                  "<Record><Remark>r</Remark><Remark>again</Remark></Record></Delete>",
         "line 4, record 2: Element 'Remark': This element is not expected. Expected is ( UUID )."},
        {"nil where not nillable",
         std::string(kDecl) + "<Delete xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
                              "<Record><Remark xsi:nil=\"true\"/></Record></Delete>",
         "line 3, record 1: Element 'Remark': The element is not 'nillable'."},
        {"Latin-1 bytes declared as UTF-8", std::string(kDecl) + "<Delete>\n<Record><Remark>caf\xE9</Remark></Record></Delete>",
         "line 3, record 1: Input is not proper UTF-8, indicate encoding ! Bytes: 0xE9"},
        {"Latin-1 declared", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Delete/>",
         "line 1: the document declares the encoding 'ISO-8859-1'; only UTF-8 is accepted"},
        // Encodings whose converters met bytes they cannot convert used to
        // crash the parser; none of them reaches a converter now.
        {"UTF-7 with a byte it cannot convert", "<?xml version='1.0' encoding = 'UTF-7'?>\n<Delete>\xFF\x80</Delete>",
         "line 1: the document declares the encoding 'UTF-7'; only UTF-8 is accepted"},
        {"ISO-2022-JP", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?><Delete>\x1B$B\xFF</Delete>",
         "line 1: the document declares the encoding 'ISO-2022-JP'; only UTF-8 is accepted"},
        {"Shift_JIS", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><Delete>\x81</Delete>",
         "line 1: the document declares the encoding 'Shift_JIS'; only UTF-8 is accepted"},
        {"GB18030", "<?xml version=\"1.0\" encoding=\"GB18030\"?><Delete>\x84\x31\xA4</Delete>",
         "line 1: the document declares the encoding 'GB18030'; only UTF-8 is accepted"},
        {"EBCDIC", "\x4C\x6F\xA7\x94\x93\x40", "line 1: the document does not begin with '<'"},
        {"UTF-16 with BOM", Utf16Le("<Delete/>", true), "line 1: the document is UTF-16 encoded; only UTF-8 is accepted"},
        {"UTF-16 without BOM", Utf16Le("<Delete/>", false), "line 1: the document contains NUL bytes"},
        {"empty", "", "line 1: the document is empty"},
        {"no element", std::string(kDecl) + "<!-- nothing -->", "Start tag expected"},
    };
    for (const auto& c : cases) {
        Read read = ReadDelete(c.xml);
        EXPECT_THAT(read.error, HasSubstr("The XML document is refused: ")) << c.what;
        EXPECT_THAT(read.error, HasSubstr(c.expected)) << c.what;
        ASSERT_TRUE(read.list) << c.what;
        EXPECT_EQ(read.list->Count(), 0) << c.what;
    }
}

TEST(XmlReaderTest, RefusalReplacesTheCallersRecords) {
    std::shared_ptr<ValueVector> list = DeleteSample();
    std::string xml = "<Delete><Bad/></Delete>";
    std::string schema = SchemaPath("Delete.xsd");
    std::string root = "Delete";
    std::string error;
    CreateXmlReader()->InputXMLString(list, xml, schema, root, error);
    EXPECT_NE(error, "");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->Count(), 0);
}

TEST(XmlReaderTest, MissingSchemaIsRefused) {
    Read read = ReadDocument("<Delete/>", SchemaPath("Nothing.xsd"), "Delete");
    EXPECT_THAT(read.error, HasSubstr("The schema file '" + SchemaPath("Nothing.xsd") + "' cannot be read"));
    EXPECT_EQ(read.list->Count(), 0);
}

// Documents from hosts need not look like the writer's: other spacing,
// CDATA, character references, comments, no XML declaration, a UTF-8 BOM.
TEST(XmlReaderTest, ReadsHostWrittenDocuments) {
    std::string xml =
        "\xEF\xBB\xBF<Delete><!-- from the host -->\n"
        "  <Record><Remark><![CDATA[<b>&raw</b>]]></Remark><UUID>  {A}&#x20AC;&amp;  </UUID></Record>"
        "<Record><UUID/></Record><Record/>\n"
        "</Delete>";
    Read read = ReadDelete(xml);
    ASSERT_EQ(read.error, "");
    auto expected = ListOf({Rec({{"Remark", "<b>&raw</b>"}, {"UUID", "  {A}\xE2\x82\xAC&  "}}),
                            Rec({{"UUID", ""}}), Rec({})});
    EXPECT_EQ(Describe(read.list), Describe(expected));
    EXPECT_TRUE(*read.list == *expected);
}

TEST(XmlReaderTest, ContractImportKeysComeBackAsTheImportReadsThem) {
    std::string xml = std::string(kDecl) +
                      "<Contract>\n"
                      "  <Record>\n"
                      "    <FRP>1</FRP><ContractNo>HT-1</ContractNo><ContractName>n</ContractName>\n"
                      "    <Date>2024-03-05T08:00:00</Date>\n"
                      "    <Customer><Number>C1</Number><Name>Acme</Name></Customer>\n"
                      "    <Body>\n"
                      "      <Entry><Quantity>2</Quantity><TaxPriceFor>117</TaxPriceFor><TaxRate>1700</TaxRate></Entry>\n"
                      "    </Body>\n"
                      "    <Plan/>\n"
                      "  </Record>\n"
                      "</Contract>\n";
    Read read = ReadDocument(xml, SchemaPath("ArContract.xsd"), "Contract");
    ASSERT_EQ(read.error, "");
    auto contract = (*read.list)[0].AsRecord();
    EXPECT_EQ(contract->GetValue("FRP").ToInt16(), 1);
    EXPECT_EQ(contract->GetValue("Date").ToDate().DateText(), "2024-03-05");
    EXPECT_FALSE(contract->GetValue("Customer").AsRecord()->HasKey("UUID"));
    auto entry = contract->GetValue("Body").AsList()->operator[](0).AsRecord();
    EXPECT_EQ(entry->GetValue("TaxRate").ToDouble() / 100, 17);
    EXPECT_EQ(contract->GetValue("Plan").AsList()->Count(), 0);
}

// Items are handed on one at a time, but only from a document that was
// found good as a whole.
TEST(XmlReaderTest, ItemsComeOneAtATimeFromADocumentCheckedWhole) {
    std::string schema = SchemaPath("Delete.xsd");
    std::string root = "Delete";
    auto items = [&](const std::string& xml, std::string& error) {
        std::vector<std::string> seen;
        CreateXmlReader()->InputXMLItems(xml, schema, root, error, [&](const Variant& item, std::int32_t total) {
            seen.push_back(item.AsRecord()->GetValue("UUID").ToText() + "/" + std::to_string(total));
        });
        return seen;
    };
    std::string error;
    EXPECT_EQ(items(std::string(kDecl) + "<Delete><Record><UUID>a</UUID></Record><Record><UUID>b</UUID></Record>"
                                         "<Record><UUID>c</UUID></Record></Delete>",
                    error),
              (std::vector<std::string>{"a/3", "b/3", "c/3"}));
    EXPECT_EQ(error, "");

    // The third record breaks the schema: not even the first is handed on.
    EXPECT_TRUE(items(std::string(kDecl) + "<Delete><Record><UUID>a</UUID></Record><Record><UUID>b</UUID></Record>"
                                           "\n<Record><Bad/></Record></Delete>",
                      error)
                    .empty());
    EXPECT_THAT(error, HasSubstr("line 3, record 3: Element 'Bad'"));

    // What the handler raises ends the reading and arrives unchanged.
    int handled = 0;
    try {
        CreateXmlReader()->InputXMLItems(
            std::string(kDecl) + "<Delete><Record/><Record/><Record/></Delete>", schema, root, error,
            [&](const Variant&, std::int32_t) {
                if (++handled == 2) throw Error(457, "handler", "second record");
            });
        ADD_FAILURE() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.record(), (ErrorRecord{457, "handler", "second record"}));
    }
    EXPECT_EQ(handled, 2);
}

TEST(XmlReaderTest, ContractDatesWithATimeZoneAreRefused) {
    std::string xml = "<Contract><Record><FRP>1</FRP><ContractNo>HT-1</ContractNo><ContractName>n</ContractName>\n"
                      "<Date>2024-03-05+08:00</Date></Record></Contract>";
    Read read = ReadDocument(xml, SchemaPath("ArContract.xsd"), "Contract");
    EXPECT_THAT(read.error, HasSubstr("line 2, record 1: Element 'Date': '2024-03-05+08:00' is not a valid value"));
}

}  // namespace
}  // namespace ovardx::xmltest
