#include "xml/LibxmlWriter.h"

#include <algorithm>
#include <exception>
#include <string_view>
#include <unordered_set>

#include <libxml/parserInternals.h>

#include "ovardx/Error.h"
#include "xml/DocumentParser.h"
#include "xml/DocumentText.h"
#include "xml/LeafText.h"
#include "xml/LibxmlComponents.h"
#include "xml/PlainSchema.h"
#include "xml/SchemaCache.h"
#include "xml/StreamValidator.h"
#include "xml/XmlError.h"
#include "xml/XmlHandles.h"

namespace ovardx::xml {

namespace {

// Deeper nesting means a record that contains itself.
constexpr int kMaxDepth = 64;

class DocumentWriter {
public:
    // events, when given, hears what a parser of the text would report.
    explicit DocumentWriter(TextEvents* events) : text_(events) {}

    std::string Write(const ValueVector& list, const std::string& rootName, const ElementModel* rootModel) {
        CheckName(rootName);
        text_.StartRoot(rootName);
        WriteItems(list, rootModel, 1);
        text_.EndElement();
        return text_.Take();
    }

    // Whether the parser reads every element name as xmlValidateNCName
    // does: ASCII (beyond it, the two follow different editions of XML) and
    // no longer than the parser's limit.
    bool PlainNames() const { return plainNames_; }

private:
    void WriteItems(const ValueVector& list, const ElementModel* model, int depth) {
        const bool described = model != nullptr && model->shape == ElementModel::Shape::List;
        const std::string& itemName = described ? model->itemName : defaultItemName_;
        const ElementModel* itemModel = described ? model->item : nullptr;
        for (const Variant& item : list) WriteValue(itemName, itemModel, item, depth);
    }

    void WriteValue(const std::string& name, const ElementModel* model, const Variant& value, int depth) {
        if (depth > kMaxDepth) Fail("The document cannot be written: records nest too deeply at '" + name + "'");
        CheckName(name);
        switch (value.kind()) {
            case Variant::Kind::Null: text_.NilElement(name); return;
            case Variant::Kind::Record:
                text_.StartElement(name);
                for (const auto& [key, item] : *value.AsRecord())
                    WriteValue(key, model == nullptr ? nullptr : model->Child(key), item, depth + 1);
                break;
            case Variant::Kind::List:
                text_.StartElement(name);
                WriteItems(*value.AsList(), model, depth + 1);
                break;
            default: {
                const std::string text = LeafText(value, model == nullptr ? LeafType::Text : model->leaf);
                text_.StartElement(name);
                if (!text.empty()) text_.Text(text);
            }
        }
        text_.EndElement();
    }

    // Once per distinct name: a page repeats the same few.
    void CheckName(const std::string& name) {
        if (!checkedNames_.insert(name).second) return;
        if (xmlValidateNCName(XmlChars(name.c_str()), 0) != 0)
            Fail("The document cannot be written: the name '" + name + "' is not a valid XML element name");
        plainNames_ = plainNames_ && name.size() <= XML_MAX_NAME_LENGTH &&
                      std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    }

    const std::string defaultItemName_ = "Record";  // of a list the schema does not describe
    DocumentText text_;
    bool plainNames_ = true;
    std::unordered_set<std::string_view> checkedNames_;  // the names outlive the writer
};

struct ValidatedText {
    std::string text;
    bool valid;  // the validator took it
};

// The document, validated as it is written: by the plain validator when
// the schema is plain, else by libxml2's.
ValidatedText WriteValidated(const ValueVector& list, const SchemaFile& schema, const std::string& rootName) {
    const auto write = [&](auto& validator) {
        DocumentWriter writer(&validator);
        std::string text = writer.Write(list, rootName, schema.Model().TopElement(rootName));
        return ValidatedText{std::move(text), writer.PlainNames() && validator.Valid()};
    };
    if (const PlainSchema* plain = schema.Plain()) {
        PlainValidator validator(*plain);
        return write(validator);
    }
    StreamValidator validator(schema);
    return write(validator);
}

}  // namespace

void LibxmlWriter::OutputXMLString(std::shared_ptr<ValueVector>& list, std::string& xml, std::string& schemaPath,
                                   std::string& rootName, std::string& errorText) {
    xml.clear();
    errorText.clear();
    try {
        if (!list) Fail("The document cannot be written: there is no list");
        const auto schema = CompiledSchema(schemaPath);
        ValidatedText written = WriteValidated(*list, *schema, rootName);
        // A document the validator refused is parsed: the parse has the
        // last word, and says where the document breaks the schema.
        if (!written.valid) {
            if (auto problem = ParseDocument(written.text, *schema, rootName, nullptr)) {
                errorText = "The document does not match the schema '" + schemaPath + "': " + ProblemText(*problem);
                return;
            }
        }
        xml = std::move(written.text);
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
