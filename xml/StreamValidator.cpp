#include "xml/StreamValidator.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace ovardx::xml {

namespace {

constexpr const char* kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";
constexpr const char* kTrue = "true";

// As a namespace-aware parser reports them: the root's xmlns:xsi
// declaration (prefix, URI) and xsi:nil="true" (local name, prefix, URI,
// value, value end). The validator keeps pointers to them.
const xmlChar* const kRootNamespaces[] = {XmlChars("xsi"), XmlChars(kXsiNamespace)};
const xmlChar* const kNilAttributes[] = {XmlChars("nil"), XmlChars("xsi"), XmlChars(kXsiNamespace),
                                         XmlChars(kTrue), XmlChars(kTrue) + 4};

}  // namespace

StreamValidator::StreamValidator(const SchemaFile& schema) : context_(xmlSchemaNewValidCtxt(schema.Compiled())) {
    if (!context_) return;  // Valid() answers false
    xmlSchemaSetValidStructuredErrors(context_.get(), &ErrorCollector::OnError, &errors_);
    // Plugged into no parser, the plug hands out the validator's own handlers.
    plug_.reset(xmlSchemaSAXPlug(context_.get(), &handlers_, &handlerData_));
}

bool StreamValidator::Valid() const {
    return plug_ && handlers_ != nullptr && !errors_.Failed() && xmlSchemaIsValid(context_.get()) == 1;
}

void StreamValidator::StartElement(const std::string& name, bool root, bool nil) {
    if (!Valid()) return;
    handlers_->startElementNs(handlerData_, XmlChars(name.c_str()), nullptr, nullptr, root ? 1 : 0,
                              root ? const_cast<const xmlChar**>(kRootNamespaces) : nullptr, nil ? 1 : 0, 0,
                              nil ? const_cast<const xmlChar**>(kNilAttributes) : nullptr);
}

void StreamValidator::Characters(std::string_view text) {
    while (!text.empty() && Valid()) {
        const std::size_t size = std::min<std::size_t>(text.size(), INT_MAX);
        handlers_->characters(handlerData_, XmlChars(text.data()), static_cast<int>(size));
        text.remove_prefix(size);
    }
}

void StreamValidator::EndElement(const std::string& name) {
    if (Valid()) handlers_->endElementNs(handlerData_, XmlChars(name.c_str()), nullptr, nullptr);
}

}  // namespace ovardx::xml
