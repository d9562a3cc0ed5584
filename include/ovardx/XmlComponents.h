#pragma once

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

// The XML reader component ("XMLVXB2.Read"). Reads and validates the
// document; on success fills list and leaves errorText empty, otherwise
// errorText says what and where, and list is left without records.
class XmlReader {
public:
    virtual ~XmlReader() = default;
    virtual void InputXMLString(std::shared_ptr<ValueVector>& list, std::string& xml,
                                std::string& schemaPath, std::string& rootName,
                                std::string& errorText) = 0;
};

}  // namespace ovardx
