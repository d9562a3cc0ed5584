#pragma once

#include "ovardx/XmlComponents.h"

namespace ovardx::xml {

// Writes a list as a UTF-8 document: the root element holds one element per
// record, a record one element per key in key order, a nested record an
// element with its own keys, a list an element with one element per item
// (item names come from the schema), null as xsi:nil="true". The document
// is validated against the schema as it is written (a document the
// validator refuses is parsed to say where); only a valid document is
// handed out. The list is not changed.
class LibxmlWriter final : public XmlWriter {
public:
    // Success: xml holds the document, errorText is empty. Failure: xml is
    // empty and errorText says what went wrong (for a schema violation: the
    // line, the record and the element).
    void OutputXMLString(std::shared_ptr<ValueVector>& list, std::string& xml, std::string& schemaPath,
                         std::string& rootName, std::string& errorText) override;
};

}  // namespace ovardx::xml
