#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ovardx/ValueDictionary.h"

namespace ovardx {

inline constexpr const char* kXmlReaderProgId = "XMLVXB2.Read";
inline constexpr const char* kXmlWriterProgId = "XMLVXB2.Write";

// The XML writer component ("XMLVXB2.Write"). Writes the list as a document
// with the given root element, checked against the schema file. On success
// errorText is left empty; otherwise it says what went wrong and xml is empty.
class XmlWriter {
public:
    virtual ~XmlWriter() = default;
    virtual void OutputXMLString(std::shared_ptr<ValueVector>& list, std::string& xml,
                                 std::string& schemaPath, std::string& rootName,
                                 std::string& errorText) = 0;
};

// The XML reader component ("XMLVXB2.Read"). The document is only read,
// never changed or copied by the caller.
class XmlReader {
public:
    // Called with each item of the root (a record) and the number of items
    // the document holds.
    using ItemHandler = std::function<void(const Variant& item, std::int32_t total)>;

    virtual ~XmlReader() = default;

    // Reads and validates the document; on success fills list and leaves
    // errorText empty, otherwise errorText says what and where, and list is
    // left without records.
    virtual void InputXMLString(std::shared_ptr<ValueVector>& list, const std::string& xml,
                                std::string& schemaPath, std::string& rootName,
                                std::string& errorText) = 0;

    // Reads and validates the whole document first; a refused document
    // hands on nothing and leaves its reason in errorText. Then hands each
    // item of the root to each, in document order. An exception thrown by
    // each ends the reading and travels on to the caller unchanged.
    //
    // This default keeps the whole list in memory; a reader that can hand
    // on one item at a time overrides it, so an import never holds more
    // than one record of the document.
    virtual void InputXMLItems(const std::string& xml, std::string& schemaPath, std::string& rootName,
                               std::string& errorText, const ItemHandler& each) {
        auto list = std::make_shared<ValueVector>();
        InputXMLString(list, xml, schemaPath, rootName, errorText);
        if (!errorText.empty() || !list) return;
        for (const Variant& item : *list) each(item, list->Count());
    }
};

}  // namespace ovardx
