#include "xml/SchemaNodes.h"

#include "xml/XmlHandles.h"

namespace ovardx::xml {

bool IsXsdElement(const xmlNode* node) {
    return node != nullptr && node->type == XML_ELEMENT_NODE && node->ns != nullptr &&
           xmlStrEqual(node->ns->href, XmlChars(kXsdNamespace));
}

bool IsXsd(const xmlNode* node, const char* localName) {
    return IsXsdElement(node) && xmlStrEqual(node->name, XmlChars(localName));
}

std::optional<std::string> AttributeOf(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetNoNsProp(node, XmlChars(name));
    if (value == nullptr) return std::nullopt;
    std::string text = Chars(value);
    xmlFree(value);
    return text;
}

}  // namespace ovardx::xml
