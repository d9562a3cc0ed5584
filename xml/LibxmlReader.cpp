#include "xml/LibxmlReader.h"

#include <exception>

#include "ovardx/Error.h"
#include "xml/DocumentParser.h"
#include "xml/LibxmlComponents.h"
#include "xml/ListBuilder.h"
#include "xml/SchemaFile.h"
#include "xml/XmlError.h"

namespace ovardx::xml {

void LibxmlReader::InputXMLString(std::shared_ptr<ValueVector>& list, std::string& xml, std::string& schemaPath,
                                  std::string& rootName, std::string& errorText) {
    errorText.clear();
    list = NewList();
    try {
        SchemaFile schema(schemaPath);
        ListBuilder builder(schema.Model().TopElement(rootName));
        if (auto problem = ParseDocument(xml, schema, rootName, &builder)) {
            errorText = "The XML document is refused: " + ProblemText(*problem);
            return;
        }
        list = builder.List();
    } catch (const Error& e) {
        errorText = e.record().Description;
    } catch (const std::exception& e) {
        errorText = std::string("The XML document cannot be read: ") + e.what();
    }
}

}  // namespace ovardx::xml

namespace ovardx {

std::shared_ptr<XmlReader> CreateXmlReader() { return std::make_shared<xml::LibxmlReader>(); }

}  // namespace ovardx
