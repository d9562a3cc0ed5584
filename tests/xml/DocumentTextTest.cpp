#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <libxml/parser.h>
#include <libxml/xmlwriter.h>

#include "xml/DocumentParser.h"
#include "xml/DocumentText.h"
#include "xml/SchemaFile.h"
#include "xml/StreamValidator.h"
#include "xml/XmlHandles.h"

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

}  // namespace
}  // namespace ovardx::xmltest
