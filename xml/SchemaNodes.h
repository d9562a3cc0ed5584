#pragma once

#include <optional>
#include <string>

#include <libxml/tree.h>

namespace ovardx::xml {

// Reading a schema document's nodes.

inline constexpr const char* kXsdNamespace = "http://www.w3.org/2001/XMLSchema";

// An element node of the XSD namespace (false for nullptr).
bool IsXsdElement(const xmlNode* node);
// An element node of the XSD namespace with that local name.
bool IsXsd(const xmlNode* node, const char* localName);
// The value of an attribute in no namespace, or nothing when it is absent.
std::optional<std::string> AttributeOf(xmlNode* node, const char* name);

}  // namespace ovardx::xml
