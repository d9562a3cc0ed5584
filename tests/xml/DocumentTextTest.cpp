#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <libxml/parser.h>
#include <libxml/schemasInternals.h>
#include <libxml/xmlwriter.h>

#include "xml/DocumentParser.h"
#include "xml/DocumentText.h"
#include "xml/PlainSchema.h"
#include "xml/SchemaFile.h"
#include "xml/StreamValidator.h"
#include "xml/TextEventsTee.h"
#include "xml/XmlHandles.h"
#include "XmlTestSupport.h"

namespace ovardx::xmltest {
namespace {

using xml::XmlChars;

constexpr const char* kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";

// An element with text, or nil, or child elements.
struct Element {
    std::string name;
    std::optional<std::string> text;
    bool nil = false;
    std::vector<Element> children;
};

Element Leaf(std::string name, std::string text) { return {std::move(name), std::move(text), false, {}}; }
Element Nil(std::string name) { return {std::move(name), std::nullopt, true, {}}; }
Element Parent(std::string name, std::vector<Element> children) {
    return {std::move(name), std::nullopt, false, std::move(children)};
}

// The events as one text per event; adjacent character data joined, as a
// parser may split it anywhere.
class Trace final : public xml::TextEvents {
public:
    // Names as libxml2 reads them: up to a NUL.
    void StartElement(const std::string& name, bool root, bool nil) override {
        lines_.push_back("start " + std::string(name.c_str()) + (root ? " root" : "") + (nil ? " nil" : ""));
    }
    void Characters(std::string_view text) override {
        if (lines_.empty() || lines_.back().rfind("text ", 0) != 0) lines_.push_back("text ");
        lines_.back().append(text);
    }
    void EndElement(const std::string& name) override { lines_.push_back("end " + std::string(name.c_str())); }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

void WriteWith(xml::DocumentText& text, const Element& element, bool root) {
    if (element.nil) return text.NilElement(element.name);
    root ? text.StartRoot(element.name) : text.StartElement(element.name);
    if (element.text && !element.text->empty()) text.Text(*element.text);
    for (const Element& child : element.children) WriteWith(text, child, false);
    text.EndElement();
}

// libxml2's own writer with the same settings, as the layout to match.
void WriteWith(xmlTextWriter* writer, const Element& element, bool root) {
    xmlTextWriterStartElement(writer, XmlChars(element.name.c_str()));
    if (root) xmlTextWriterWriteAttribute(writer, XmlChars("xmlns:xsi"), XmlChars(kXsiNamespace));
    if (element.nil) xmlTextWriterWriteAttribute(writer, XmlChars("xsi:nil"), XmlChars("true"));
    if (element.text && !element.text->empty()) xmlTextWriterWriteString(writer, XmlChars(element.text->c_str()));
    for (const Element& child : element.children) WriteWith(writer, child, false);
    xmlTextWriterEndElement(writer);
}

std::string LibxmlText(const Element& root) {
    xml::BufferHandle buffer(xmlBufferCreate());
    xml::TextWriterHandle writer(xmlNewTextWriterMemory(buffer.get(), 0));
    xmlTextWriterSetIndent(writer.get(), 1);
    xmlTextWriterSetIndentString(writer.get(), XmlChars("  "));
    xmlTextWriterStartDocument(writer.get(), "1.0", "UTF-8", nullptr);
    WriteWith(writer.get(), root, true);
    xmlTextWriterEndDocument(writer.get());
    writer.reset();
    return std::string(xml::Chars(xmlBufferContent(buffer.get())), static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

// What libxml2's SAX2 parser reports of the text.
std::vector<std::string> ParsedEvents(const std::string& text) {
    Trace trace;
    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = [](void* context, const xmlChar* name, const xmlChar*, const xmlChar*, int namespaceCount,
                            const xmlChar** namespaces, int attributeCount, int, const xmlChar** attributes) {
        const bool root = namespaceCount == 1 && xmlStrEqual(namespaces[0], XmlChars("xsi")) &&
                          xmlStrEqual(namespaces[1], XmlChars(kXsiNamespace));
        const bool nil = attributeCount == 1 && xmlStrEqual(attributes[0], XmlChars("nil")) &&
                         xmlStrEqual(attributes[2], XmlChars(kXsiNamespace)) &&
                         std::string_view(xml::Chars(attributes[3]), attributes[4] - attributes[3]) == "true";
        static_cast<Trace*>(context)->StartElement(xml::Chars(name), root, nil);
    };
    sax.characters = [](void* context, const xmlChar* text, int length) {
        static_cast<Trace*>(context)->Characters(std::string_view(xml::Chars(text), static_cast<std::size_t>(length)));
    };
    sax.ignorableWhitespace = sax.characters;
    sax.endElementNs = [](void* context, const xmlChar* name, const xmlChar*, const xmlChar*) {
        static_cast<Trace*>(context)->EndElement(xml::Chars(name));
    };
    EXPECT_EQ(xmlSAXUserParseMemory(&sax, &trace, text.data(), static_cast<int>(text.size())), 0);
    return trace.Lines();
}

// The text is libxml2's writer's to the byte, and the events are what a
// parser of that text reports.
TEST(DocumentTextTest, WritesAsLibxml2AndReportsWhatAParserReads) {
    const struct {
        const char* what;
        Element root;
    } cases[] = {
        {"empty root", Parent("Delete", {})},
        {"records", Parent("Delete", {Parent("Record", {Leaf("Remark", "r"), Nil("UUID")}),
                                      Parent("Record", {Leaf("Remark", ""), Leaf("UUID", "u")})})},
        {"escapes", Parent("R", {Leaf("T", "a\"b\r\nc<d>&e'f\t]]>"), Leaf("U", "\xE4\xBA\xBA \xEF\xBF\xBD")})},
        {"text over lines", Parent("R", {Leaf("T", "\n two\n\n  lines \n")})},
        {"name with a NUL", Parent("R", {Leaf(std::string("T\0U", 3), "t"), Parent(std::string("P\0", 2), {Nil("N")})})},
        {"nesting and empty elements",
         Parent("R", {Parent("A", {Parent("B", {Parent("C", {Leaf("D", "d")}), Parent("E", {})}), Nil("F")}),
                      Parent("G", {})})},
    };
    for (const auto& c : cases) {
        Trace events;
        xml::DocumentText text(&events);
        WriteWith(text, c.root, true);
        const std::string written = text.Take();
        EXPECT_EQ(written, LibxmlText(c.root)) << c.what;
        EXPECT_EQ(events.Lines(), ParsedEvents(written)) << c.what;
    }
}

// One element of each kind of content the validator treats apart.
constexpr const char* kContentSchema = R"(<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">
  <xs:element name="R">
    <xs:complexType>
      <xs:sequence>
        <xs:element name="Empty" minOccurs="0"><xs:complexType/></xs:element>
        <xs:element name="Number" type="xs:decimal" minOccurs="0" nillable="true"/>
        <xs:element name="Fixed" type="xs:string" fixed="F" minOccurs="0"/>
        <xs:element name="Mixed" minOccurs="0">
          <xs:complexType mixed="true">
            <xs:sequence><xs:element name="I" type="xs:int" minOccurs="0"/></xs:sequence>
          </xs:complexType>
        </xs:element>
        <xs:element name="Any" minOccurs="0">
          <xs:complexType>
            <xs:sequence><xs:any processContents="lax" minOccurs="0" maxOccurs="unbounded"/></xs:sequence>
          </xs:complexType>
        </xs:element>
        <xs:element name="Items" minOccurs="0">
          <xs:complexType>
            <xs:sequence><xs:element name="Item" type="xs:string" maxOccurs="2"/></xs:sequence>
          </xs:complexType>
        </xs:element>
        <xs:element name="Name" type="xs:QName" minOccurs="0"/>
        <xs:element name="Required" type="xs:string"/>
      </xs:sequence>
    </xs:complexType>
  </xs:element>
</xs:schema>)";

// The validator fed while the text is written judges every document as
// the parse of its text does.
TEST(StreamValidatorTest, JudgesAsTheParseOfTheText) {
    const xml::SchemaFile schema("content.xsd", kContentSchema);
    const Element required = Leaf("Required", "x");
    const struct {
        const char* what;
        Element root;
        bool valid;
    } cases[] = {
        {"least", Parent("R", {required}), true},
        {"every kind of content",
         Parent("R", {Parent("Empty", {}), Leaf("Number", " 1.5\r\n"), Leaf("Fixed", "F"), Parent("Mixed", {Leaf("I", "3")}),
                      Parent("Any", {Parent("Other", {Leaf("Deep", "d"), Nil("N")})}),
                      Parent("Items", {Leaf("Item", "a"), Leaf("Item", "")}), Leaf("Required", "")}),
         true},
        {"nil where nillable", Parent("R", {Nil("Number"), required}), true},
        {"name with the root's prefix", Parent("R", {Leaf("Name", "xsi:x"), required}), true},
        {"name with an unknown prefix", Parent("R", {Leaf("Name", "p:x"), required}), false},
        {"root not declared", Parent("Q", {required}), false},
        {"missing element", Parent("R", {Leaf("Number", "1")}), false},
        {"out of order", Parent("R", {required, Leaf("Number", "1")}), false},
        {"not a decimal", Parent("R", {Leaf("Number", "abc"), required}), false},
        {"nil where not nillable", Parent("R", {Nil("Fixed"), required}), false},
        {"not the fixed value", Parent("R", {Leaf("Fixed", " F"), required}), false},
        {"element in empty content", Parent("R", {Parent("Empty", {Leaf("X", "x")}), required}), false},
        {"text in empty content", Parent("R", {Leaf("Empty", " "), required}), false},
        {"text in element content", Parent("R", {Leaf("Items", "a"), required}), false},
        {"element in simple content", Parent("R", {Parent("Required", {Leaf("X", "x")})}), false},
        {"invalid in mixed content", Parent("R", {Parent("Mixed", {Leaf("I", "x")}), required}), false},
        {"too many items", Parent("R", {Parent("Items", {Leaf("Item", "a"), Leaf("Item", "b"), Leaf("Item", "c")}), required}),
         false},
    };
    for (const auto& c : cases) {
        xml::StreamValidator validator(schema);
        xml::DocumentText text(&validator);
        WriteWith(text, c.root, true);
        const std::string written = text.Take();
        EXPECT_EQ(validator.Valid(), c.valid) << c.what;
        EXPECT_EQ(!xml::ParseDocument(written, schema, c.root.name, nullptr).has_value(), c.valid) << c.what;
    }
}


// --- The plain schema and its validator --------------------------------------

constexpr const char* kXsdHead =
    R"(<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" elementFormDefault="unqualified">)";

std::string SchemaText(const std::string& body) { return kXsdHead + body + "</xs:schema>"; }

TEST(PlainSchemaTest, ReadsOnlyPlainSchemas) {
    for (const char* plain : {"ArApPlan.xsd", "ReceiveBill.xsd", "Delete.xsd"}) {
        const xml::SchemaFile schema(SchemaPath(plain), ReadTextFile(SchemaPath(plain)));
        EXPECT_NE(schema.Plain(), nullptr) << plain;
    }
    const xml::SchemaFile contract(SchemaPath("ArContract.xsd"), ReadTextFile(SchemaPath("ArContract.xsd")));
    EXPECT_EQ(contract.Plain(), nullptr);

    const std::string leaf = R"(<xs:element name="A" type="xs:string"/>)";
    const struct {
        const char* what;
        std::string body;
        bool plain;
    } cases[] = {
        {"sequence of leaves", R"(<xs:element name="R"><xs:complexType><xs:sequence>)" + leaf +
                                   R"(</xs:sequence></xs:complexType></xs:element>)", true},
        {"named type with annotation", R"(<xs:complexType name="T"><xs:annotation><xs:documentation>d</xs:documentation>
             </xs:annotation><xs:sequence>)" + leaf + R"(</xs:sequence></xs:complexType><xs:element name="R" type="T"/>)",
         true},
        {"attribute", R"(<xs:element name="R"><xs:complexType><xs:sequence>)" + leaf +
                          R"(</xs:sequence><xs:attribute name="a"/></xs:complexType></xs:element>)", false},
        {"choice", R"(<xs:element name="R"><xs:complexType><xs:choice>)" + leaf +
                       R"(</xs:choice></xs:complexType></xs:element>)", false},
        {"repeated sequence", R"(<xs:element name="R"><xs:complexType><xs:sequence maxOccurs="2">)" + leaf +
                                  R"(</xs:sequence></xs:complexType></xs:element>)", false},
        {"one name twice", R"(<xs:element name="R"><xs:complexType><xs:sequence>)" + leaf +
                               R"(<xs:element name="B" type="xs:int"/>)" + leaf +
                               R"(</xs:sequence></xs:complexType></xs:element>)", false},
        {"fixed value", R"(<xs:element name="R" type="xs:string" fixed="x"/>)", false},
        {"default value", R"(<xs:element name="R"><xs:complexType><xs:sequence>
             <xs:element name="A" type="xs:string" default="d"/></xs:sequence></xs:complexType></xs:element>)", false},
        {"simple type", R"(<xs:simpleType name="S"><xs:restriction base="xs:string"><xs:maxLength value="2"/>
             </xs:restriction></xs:simpleType><xs:element name="R" type="S"/>)", false},
        {"type not on the list", R"(<xs:element name="R" type="xs:QName"/>)", false},
        {"any type", R"(<xs:element name="R"/>)", false},
        {"mixed content", R"(<xs:element name="R"><xs:complexType mixed="true"><xs:sequence>)" + leaf +
                              R"(</xs:sequence></xs:complexType></xs:element>)", false},
        {"wildcard", R"(<xs:element name="R"><xs:complexType><xs:sequence><xs:any/></xs:sequence>
             </xs:complexType></xs:element>)", false},
        {"reference", R"(<xs:element name="A" type="xs:string"/><xs:element name="R"><xs:complexType><xs:sequence>
             <xs:element ref="A"/></xs:sequence></xs:complexType></xs:element>)", false},
        {"derived type", R"(<xs:complexType name="B"><xs:sequence>)" + leaf + R"(</xs:sequence></xs:complexType>
             <xs:complexType name="D"><xs:complexContent><xs:extension base="B"/></xs:complexContent></xs:complexType>
             <xs:element name="R" type="D"/>)", false},
        {"identity constraint", R"(<xs:element name="R"><xs:complexType><xs:sequence>)" + leaf +
                                    R"(</xs:sequence></xs:complexType><xs:unique name="u"><xs:selector xpath="A"/>
             <xs:field xpath="."/></xs:unique></xs:element>)", false},
    };
    for (const auto& c : cases) {
        const xml::SchemaFile schema("case.xsd", SchemaText(c.body));
        EXPECT_EQ(schema.Plain() != nullptr, c.plain) << c.what;
    }
    const xml::SchemaFile targeted(
        "case.xsd", R"(<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" targetNamespace="urn:t">
                         <xs:element name="R" type="xs:string"/></xs:schema>)");
    EXPECT_EQ(targeted.Plain(), nullptr) << "target namespace";
}

// Random documents near the schema: mostly valid, with now and then a value
// of another type, an element too few or too many, one out of place or
// unknown, nil where it is not allowed, text or elements where they are not.
class NearlyValidDocuments {
public:
    explicit NearlyValidDocuments(unsigned seed) : random_(seed) {}

    Element Next(const xml::PlainSchema::Element& root) { return Build(root, 0); }

private:
    bool Rarely() { return std::uniform_int_distribution<int>(0, 79)(random_) == 0; }
    std::size_t Below(std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_); }

    Element Build(const xml::PlainSchema::Element& declaration, int depth) {
        if ((declaration.nillable && Below(4) == 0) || Rarely()) return Nil(declaration.name);
        if (declaration.type->simple != nullptr) {
            if (Rarely()) return Parent(declaration.name, {Leaf("X", "x")});
            if (Below(20) == 0) return Leaf(declaration.name, kValues[Below(std::size(kValues))]);
            const std::vector<std::string>& fitting = kFitting.at(xml::Chars(declaration.type->simple->name));
            return Leaf(declaration.name, fitting[Below(fitting.size())]);
        }
        std::vector<Element> children;
        for (const xml::PlainSchema::Element& child : declaration.type->sequence) {
            std::size_t count = child.minOccurs + Below(std::min<std::size_t>(child.maxOccurs, 3) - child.minOccurs + 1);
            if (Rarely()) count = count == 0 ? 1 : count - 1;
            if (Rarely()) ++count;
            if (depth == 0 && child.maxOccurs == SIZE_MAX) count = Below(4);
            for (std::size_t i = 0; i < count; ++i) children.push_back(Build(child, depth + 1));
        }
        if (children.size() > 1 && Rarely()) std::swap(children[0], children[Below(children.size())]);
        if (Rarely()) children.insert(children.begin() + Below(children.size() + 1), Leaf("Unknown", "u"));
        Element element = Parent(declaration.name, std::move(children));
        if (Rarely()) element.text = Below(2) == 0 ? "text" : " \n ";
        return element;
    }

    static constexpr const char* kValues[] = {
        "", "0", "1", "-1", "+1", " 12.50 ", "1.", ".5", "1e5", "abc", "-0", " 7\n", "\t1\t", "1 2",
        "2024-02-29T13:45:10", "2023-02-29T00:00:00", "2024-02-29", "2024-13-01", "2024-02-29T24:00:00",
        "2024-02-29T13:45:10.250Z", "2024-02-29T13:45:10+08:00", " 2024-02-29T13:45:10 ", "0000000000000001",
        "ABC", "0x01", "0a0B", "true", "false", "TRUE", "32767", "32768", "-32769", "9223372036854775807",
        "9223372036854775808", "1.7976931348623157E308", "INF", "NaN", "\xE4\xBA\xBA",
        "00000000000000000000000000001.000000000000000000000000000001", "12345678901234567890123456789012345"};
    // Values of each type, in more than one form.
    inline static const std::map<std::string, std::vector<std::string>> kFitting = {
        {"string", {"", "text", " spaced \n"}},
        {"decimal", {"12.50", "-0.5", "0"}},
        {"int", {"7", "-2147483648"}},
        {"short", {"-32768", "12"}},
        {"long", {"9223372036854775807", "0"}},
        {"integer", {"123456789012345678901234567890", "-1"}},
        {"boolean", {"true", "0"}},
        {"double", {"1.5E3", "-0", "INF"}},
        {"dateTime", {"2024-02-29T13:45:10", "2024-01-01T00:00:00.5", "2024-01-01T00:00:00Z"}},
        {"date", {"2024-02-29", "1999-12-31"}},
        {"hexBinary", {"00FF", "", "abcdef"}},
    };
    std::mt19937 random_;
};

// Whenever the plain validator takes a document, libxml2's takes it too. It
// leaves to libxml2 only what it does not decide (values with blanks around
// them), so nearly every valid document is validated once.
TEST(PlainValidatorTest, TakesOnlyWhatLibxml2Takes) {
    const xml::SchemaFile schema(FixturePath("Plain.xsd"), ReadTextFile(FixturePath("Plain.xsd")));
    ASSERT_NE(schema.Plain(), nullptr);
    const xml::PlainSchema::Element* root = schema.Plain()->TopElement("Rows");
    ASSERT_NE(root, nullptr);
    NearlyValidDocuments documents(20261211);
    constexpr int kDocuments = 3000;
    int plainTook = 0;
    int libxml2Took = 0;
    for (int document = 0; document < kDocuments; ++document) {
        const Element element = documents.Next(*root);
        if (element.children.empty()) continue;
        xml::PlainValidator plain(*schema.Plain());
        xml::StreamValidator stream(schema);
        xml::TextEventsTee both(plain, stream);
        xml::DocumentText text(&both);
        WriteWith(text, element, true);
        if (plain.Valid()) {
            ASSERT_TRUE(stream.Valid()) << text.Take();
        }
        plainTook += plain.Valid() ? 1 : 0;
        libxml2Took += stream.Valid() ? 1 : 0;
    }
    EXPECT_GT(libxml2Took, kDocuments / 10);
    EXPECT_LT(libxml2Took, kDocuments * 9 / 10);
    EXPECT_GE(plainTook, libxml2Took * 8 / 10) << libxml2Took;
}

}  // namespace
}  // namespace ovardx::xmltest
