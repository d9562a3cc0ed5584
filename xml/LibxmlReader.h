#pragma once

#include "ovardx/XmlComponents.h"

namespace ovardx::xml {

// Reads a document of the layout LibxmlWriter writes back into a list. The
// document is parsed hardened and validated in one streaming pass (see
// DocumentParser.h). Leaves come back as text (an empty element as the
// empty text), xsi:nil elements as null, and elements the schema types as
// records or lists as records and lists, also when empty.
class LibxmlReader final : public XmlReader {
public:
    // Success: list is a new list of the document's records, errorText is
    // empty. Refusal: list is a new empty list and errorText says what and
    // where (line, record). xml, schemaPath and rootName are not changed.
    void InputXMLString(std::shared_ptr<ValueVector>& list, const std::string& xml, std::string& schemaPath,
                        std::string& rootName, std::string& errorText) override;

    // Two passes: the first validates the whole document and counts its
    // records, keeping none; the second builds one record at a time and
    // hands it on. Memory stays at the document plus one record.
    void InputXMLItems(const std::string& xml, std::string& schemaPath, std::string& rootName,
                       std::string& errorText, const ItemHandler& each) override;
};

}  // namespace ovardx::xml
