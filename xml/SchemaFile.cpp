#include "xml/SchemaFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <utility>

#include "xml/XmlError.h"

namespace ovardx::xml {

std::string ReadSchemaText(const std::string& path) {
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        int error = errno;
        Fail("The schema file '" + path + "' cannot be read: " +
             (error != 0 ? std::strerror(error) : "cannot open the file"));
    }
    std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) Fail("The schema file '" + path + "' cannot be read: read error");
    return content;
}

namespace {

// Set while a schema document is parsed: a DOCTYPE stops the parser.
struct SchemaParse {
    ErrorCollector* errors = nullptr;
    bool doctype = false;
};
thread_local SchemaParse* tSchemaParse = nullptr;

void RefuseDoctype(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    if (tSchemaParse != nullptr) {
        tSchemaParse->doctype = true;
        tSchemaParse->errors->Report("DOCTYPE declarations are not accepted");
    }
    xmlStopParser(static_cast<xmlParserCtxt*>(context));
}

DocHandle ParseSchemaDocument(const std::string& path, const std::string& content) {
    if (content.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        Fail("The schema file '" + path + "' is too large");
    ErrorCollector errors;
    ParserCtxtHandle parser(xmlNewParserCtxt());
    if (!parser) Fail("The schema file '" + path + "' cannot be parsed: out of memory");
    parser->sax->internalSubset = RefuseDoctype;
    SchemaParse state{&errors};
    tSchemaParse = &state;
    errors.AttachParser(parser.get());
    DocHandle doc(xmlCtxtReadMemory(parser.get(), content.data(), static_cast<int>(content.size()),
                                    path.c_str(), nullptr, XML_PARSE_NONET));
    errors.AttachParser(nullptr);
    tSchemaParse = nullptr;
    if (errors.Failed() || !doc || !parser->wellFormed) {
        std::string reason = errors.Failed() ? ProblemText(errors.First()) : "not well-formed";
        Fail("The schema file '" + path + "' is refused: " + reason);
    }
    return doc;
}

// Only the named file is read: references to other schema files are refused.
void RefuseReferences(const std::string& path, xmlDoc* doc) {
    xmlNode* root = xmlDocGetRootElement(doc);
    for (xmlNode* child = root == nullptr ? nullptr : root->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE) continue;
        for (const char* name : {"include", "import", "redefine", "override"}) {
            if (xmlStrEqual(child->name, XmlChars(name)))
                Fail("The schema file '" + path + "' is refused: line " + std::to_string(xmlGetLineNo(child)) +
                     ": xs:" + name + " is not accepted; schema files must be self-contained");
        }
    }
}

}  // namespace

SchemaFile::SchemaFile(const std::string& path, std::string content) : content_(std::move(content)) {
    EnsureLibxmlInitialized();
    doc_ = ParseSchemaDocument(path, content_);
    RefuseReferences(path, doc_.get());

    ErrorCollector errors;
    SchemaParserCtxtHandle parser(xmlSchemaNewDocParserCtxt(doc_.get()));
    if (!parser) Fail("The schema file '" + path + "' cannot be compiled: out of memory");
    xmlSchemaSetParserStructuredErrors(parser.get(), &ErrorCollector::OnError, &errors);
    schema_.reset(xmlSchemaParse(parser.get()));
    if (errors.Failed() || !schema_)
        Fail("The schema file '" + path + "' is not a valid schema: " +
             (errors.Failed() ? ProblemText(errors.First()) : "it does not compile"));
    model_ = std::make_unique<SchemaModel>(doc_.get());
    plain_ = PlainSchema::Read(doc_.get());
}

}  // namespace ovardx::xml
