#include "xml/LibxmlReader.h"

#include <exception>

#include "ovardx/Error.h"
#include "xml/DocumentParser.h"
#include "xml/LibxmlComponents.h"
#include "xml/ListBuilder.h"
#include "xml/SchemaCache.h"
#include "xml/XmlError.h"

namespace ovardx::xml {

namespace {

// Counts the items of the root element and keeps nothing.
class ItemCounter final : public DocumentHandler {
public:
    void StartElement(std::string_view, bool) override {
        if (depth_++ == 1) ++items_;
    }
    void Characters(std::string_view) override {}
    void EndElement() override { --depth_; }
    std::int32_t Items() const { return items_; }

private:
    int depth_ = 0;
    std::int32_t items_ = 0;
};

// Ends the second pass once the item handler has failed.
struct HandlerFailed : std::exception {
    const char* what() const noexcept override { return "the record handler failed"; }
};

std::string RefusalText(const Problem& problem) { return "The XML document is refused: " + ProblemText(problem); }

// The errorText of an error raised while reading.
template <class Read>
void Reporting(std::string& errorText, Read read) {
    try {
        read();
    } catch (const Error& e) {
        errorText = e.record().Description;
    } catch (const std::exception& e) {
        errorText = std::string("The XML document cannot be read: ") + e.what();
    }
}

}  // namespace

void LibxmlReader::InputXMLString(std::shared_ptr<ValueVector>& list, const std::string& xml, std::string& schemaPath,
                                  std::string& rootName, std::string& errorText) {
    errorText.clear();
    list = NewList();
    Reporting(errorText, [&] {
        const auto schema = CompiledSchema(schemaPath);
        ListBuilder builder(schema->Model().TopElement(rootName));
        if (auto problem = ParseDocument(xml, *schema, rootName, &builder)) {
            errorText = RefusalText(*problem);
            return;
        }
        list = builder.List();
    });
}

void LibxmlReader::InputXMLItems(const std::string& xml, std::string& schemaPath, std::string& rootName,
                                 std::string& errorText, const ItemHandler& each) {
    errorText.clear();
    std::exception_ptr failure;
    Reporting(errorText, [&] {
        const auto schema = CompiledSchema(schemaPath);
        ItemCounter counter;
        if (auto problem = ParseDocument(xml, *schema, rootName, &counter)) {
            errorText = RefusalText(*problem);
            return;
        }
        const std::int32_t total = counter.Items();
        ListBuilder builder(schema->Model().TopElement(rootName), [&](Variant item) {
            try {
                each(item, total);
            } catch (...) {
                failure = std::current_exception();
                throw HandlerFailed();
            }
        });
        auto problem = ParseDocument(xml, *schema, rootName, &builder);
        // A document the first pass accepted fails now only when memory
        // runs out.
        if (problem && !failure) errorText = RefusalText(*problem);
    });
    // The handler's own error, unchanged, for the caller's error path.
    if (failure) std::rethrow_exception(failure);
}

}  // namespace ovardx::xml

namespace ovardx {

std::shared_ptr<XmlReader> CreateXmlReader() { return std::make_shared<xml::LibxmlReader>(); }

}  // namespace ovardx
