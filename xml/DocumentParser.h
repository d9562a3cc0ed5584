#pragma once

#include <optional>
#include <string_view>

#include "xml/SchemaFile.h"
#include "xml/XmlError.h"

namespace ovardx::xml {

// Receives the elements of a document in document order, after the
// validator has seen them. A handler may throw; the parse then stops with
// the exception's text as its problem.
class DocumentHandler {
public:
    virtual ~DocumentHandler() = default;
    // nil: the element carries xsi:nil="true".
    virtual void StartElement(std::string_view name, bool nil) = 0;
    virtual void Characters(std::string_view text) = 0;
    virtual void EndElement() = 0;
};

// Parses xml with libxml2 and validates it against the schema in one pass,
// passing the elements to handler (which may be null). Hardened: the text
// must be UTF-8 (UTF-16, UTF-32, NUL bytes, text that does not begin with
// "<" or blanks and any other declared encoding are refused before libxml2
// reads a byte, as are invalid UTF-8 bytes), so libxml2 never converts from
// another encoding; a DOCTYPE is refused before anything in it is read, so
// no DTD, entity or external resource is ever loaded; no network access;
// xsi attributes other than xsi:nil are refused (no schema location hints);
// the root element must be named rootName, in no namespace. The text is
// fed to libxml2 in chunks and never copied whole.
//
// Answers the first problem found, or nothing when the document is
// well-formed, valid and accepted. After a problem the handler may have
// seen part of the document.
std::optional<Problem> ParseDocument(std::string_view xml, const SchemaFile& schema,
                                     std::string_view rootName, DocumentHandler* handler);

}  // namespace ovardx::xml
