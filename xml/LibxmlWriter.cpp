#include "xml/LibxmlWriter.h"

#include <exception>

#include "ovardx/Error.h"
#include "xml/DocumentParser.h"
#include "xml/LeafText.h"
#include "xml/LibxmlComponents.h"
#include "xml/SchemaCache.h"
#include "xml/XmlError.h"
#include "xml/XmlHandles.h"

namespace ovardx::xml {

namespace {

constexpr const char* kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";
// Item element name of a list the schema does not describe.
constexpr const char* kDefaultItemName = "Record";
// Deeper nesting means a record that contains itself.
constexpr int kMaxDepth = 64;

class DocumentWriter {
public:
    DocumentWriter() : buffer_(xmlBufferCreate()) {
        if (buffer_) writer_.reset(xmlNewTextWriterMemory(buffer_.get(), 0));
        if (!writer_) Fail("The document cannot be written: out of memory");
        xmlTextWriterSetIndent(writer_.get(), 1);
        xmlTextWriterSetIndentString(writer_.get(), XmlChars("  "));
    }

    std::string Write(const ValueVector& list, const std::string& rootName, const ElementModel* rootModel) {
        Check(xmlTextWriterStartDocument(writer_.get(), "1.0", "UTF-8", nullptr));
        StartElement(rootName);
        Check(xmlTextWriterWriteAttribute(writer_.get(), XmlChars("xmlns:xsi"), XmlChars(kXsiNamespace)));
        WriteItems(list, rootModel, 1);
        Check(xmlTextWriterEndDocument(writer_.get()));
        writer_.reset();  // flushes into the buffer
        return std::string(Chars(xmlBufferContent(buffer_.get())), static_cast<std::size_t>(xmlBufferLength(buffer_.get())));
    }

private:
    void WriteItems(const ValueVector& list, const ElementModel* model, int depth) {
        bool described = model != nullptr && model->shape == ElementModel::Shape::List;
        const std::string itemName = described ? model->itemName : kDefaultItemName;
        const ElementModel* itemModel = described ? model->item : nullptr;
        for (const Variant& item : list) WriteValue(itemName, itemModel, item, depth);
    }

    void WriteValue(const std::string& name, const ElementModel* model, const Variant& value, int depth) {
        if (depth > kMaxDepth) Fail("The document cannot be written: records nest too deeply at '" + name + "'");
        StartElement(name);
        switch (value.kind()) {
            case Variant::Kind::Null:
                Check(xmlTextWriterWriteAttribute(writer_.get(), XmlChars("xsi:nil"), XmlChars("true")));
                break;
            case Variant::Kind::Record:
                for (const auto& [key, item] : *value.AsRecord())
                    WriteValue(key, model == nullptr ? nullptr : model->Child(key), item, depth + 1);
                break;
            case Variant::Kind::List: WriteItems(*value.AsList(), model, depth + 1); break;
            default: {
                std::string text = LeafText(value, model == nullptr ? LeafType::Text : model->leaf);
                if (!text.empty()) Check(xmlTextWriterWriteString(writer_.get(), XmlChars(text.c_str())));
            }
        }
        Check(xmlTextWriterEndElement(writer_.get()));
    }

    void StartElement(const std::string& name) {
        if (xmlValidateNCName(XmlChars(name.c_str()), 0) != 0)
            Fail("The document cannot be written: the name '" + name + "' is not a valid XML element name");
        Check(xmlTextWriterStartElement(writer_.get(), XmlChars(name.c_str())));
    }

    static void Check(int result) {
        if (result < 0) Fail("The document cannot be written: libxml2 failed to write it");
    }

    BufferHandle buffer_;
    TextWriterHandle writer_;
};

}  // namespace

void LibxmlWriter::OutputXMLString(std::shared_ptr<ValueVector>& list, std::string& xml, std::string& schemaPath,
                                   std::string& rootName, std::string& errorText) {
    xml.clear();
    errorText.clear();
    try {
        if (!list) Fail("The document cannot be written: there is no list");
        const auto schema = CompiledSchema(schemaPath);
        std::string text = DocumentWriter().Write(*list, rootName, schema->Model().TopElement(rootName));
        if (auto problem = ParseDocument(text, *schema, rootName, nullptr)) {
            errorText = "The document does not match the schema '" + schemaPath + "': " + ProblemText(*problem);
            return;
        }
        xml = std::move(text);
    } catch (const Error& e) {
        errorText = e.record().Description;
    } catch (const std::exception& e) {
        errorText = std::string("The document cannot be written: ") + e.what();
    }
}

}  // namespace ovardx::xml

namespace ovardx {

std::shared_ptr<XmlWriter> CreateXmlWriter() { return std::make_shared<xml::LibxmlWriter>(); }

}  // namespace ovardx
