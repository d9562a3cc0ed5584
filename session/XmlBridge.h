#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "ovardx/ValueDictionary.h"
#include "ovardx/XmlComponents.h"

namespace ovardx {

// The bridge between the classes and the XML components. Each call creates
// its component by ProgID through ComponentRegistry ("XMLVXB2.Write",
// "XMLVXB2.Read") and releases it when done. Errors raised while creating or
// calling a component are not handled here; they reach the caller's error
// path.
//
// Schema path: when no file exists at schemaPath, the components receive
// the library's own copy instead, LibraryFolder() + "/" +
// FileNameOfPath(schemaPath), whether or not a file exists there. A "\" in
// schemaPath is taken as a separator too: when no file exists at the path
// as given, its "/" form is tried before the fallback.

// Writes list as an XML document with the given root element, checked
// against the schema. xml and errorText are emptied first; afterwards xml
// holds the document (empty on failure) and errorText the writer's message.
// list receives the list object the writer leaves. True when errorText is
// empty.
bool WriteXml(std::shared_ptr<ValueVector>& list, std::string& xml, const std::string& schemaPath,
              const std::string& rootName, std::string& errorText);

// The refusal of a document larger than limit bytes.
std::string DocumentTooLargeText(std::uint64_t limit);

// Reads the XML document into list. errorText is emptied first; afterwards
// list holds what the reader left (its records; none after a refusal) and
// errorText the reader's message. True when errorText is empty.
//
// A document larger than the configured MaxDocumentSize (256 MiB unless the
// configuration says otherwise) is refused before the reader sees it: list
// is left empty and errorText says so. The document is not copied.
bool ReadXml(std::shared_ptr<ValueVector>& list, const std::string& xml, const std::string& schemaPath,
             const std::string& rootName, std::string& errorText);

// path with "/" appended when it is not empty and does not already end in a
// separator ("/" or "\"); an empty path stays empty.
std::string AddBackslash(std::string_view path);

// The part of path after its last separator ("/" or "\"); a path without a
// separator whole; an empty text for an empty path or one that ends in a
// separator.
std::string FileNameOfPath(std::string_view path);

// The schema path the components receive for schemaPath (see above).
std::string ResolveSchemaPath(const std::string& schemaPath);

// Reads the XML document item by item (see XmlReader::InputXMLItems): the
// whole document is checked first, so a refused document hands on no item
// and leaves the reader's message in errorText; then each item of the root
// goes to each with the number of items, in document order. An error that
// each raises ends the reading and reaches the caller unchanged. Refuses a
// document larger than MaxDocumentSize like ReadXml. True when errorText is
// empty.
bool ReadXmlItems(const std::string& xml, const std::string& schemaPath, const std::string& rootName,
                  std::string& errorText, const XmlReader::ItemHandler& each);

}  // namespace ovardx
