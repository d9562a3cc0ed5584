#pragma once

#include <memory>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>
#include <libxml/xmlwriter.h>

namespace ovardx::xml {

// Owning handles for the libxml2 objects the components use. Each frees its
// object with the matching libxml2 function; none can be copied.
template <class T, void (*Free)(T*)>
struct LibxmlDeleter {
    void operator()(T* handle) const noexcept {
        if (handle != nullptr) Free(handle);
    }
};

using DocHandle = std::unique_ptr<xmlDoc, LibxmlDeleter<xmlDoc, xmlFreeDoc>>;
using ParserCtxtHandle = std::unique_ptr<xmlParserCtxt, LibxmlDeleter<xmlParserCtxt, xmlFreeParserCtxt>>;
using SchemaHandle = std::unique_ptr<xmlSchema, LibxmlDeleter<xmlSchema, xmlSchemaFree>>;
using SchemaParserCtxtHandle =
    std::unique_ptr<xmlSchemaParserCtxt, LibxmlDeleter<xmlSchemaParserCtxt, xmlSchemaFreeParserCtxt>>;
using SchemaValidCtxtHandle =
    std::unique_ptr<xmlSchemaValidCtxt, LibxmlDeleter<xmlSchemaValidCtxt, xmlSchemaFreeValidCtxt>>;
inline void UnplugSchemaSax(xmlSchemaSAXPlugStruct* plug) { xmlSchemaSAXUnplug(plug); }
using SchemaSaxPlugHandle =
    std::unique_ptr<xmlSchemaSAXPlugStruct, LibxmlDeleter<xmlSchemaSAXPlugStruct, UnplugSchemaSax>>;
using BufferHandle = std::unique_ptr<xmlBuffer, LibxmlDeleter<xmlBuffer, xmlBufferFree>>;
using TextWriterHandle = std::unique_ptr<xmlTextWriter, LibxmlDeleter<xmlTextWriter, xmlFreeTextWriter>>;

// Text of a libxml2 string, or an empty text for none.
inline const char* Chars(const xmlChar* text) {
    return text == nullptr ? "" : reinterpret_cast<const char*>(text);
}
inline const xmlChar* XmlChars(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

// Initializes libxml2, its schema types included, once per process (safe
// to call from any thread).
void EnsureLibxmlInitialized();

}  // namespace ovardx::xml
