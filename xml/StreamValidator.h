#pragma once

#include <string>
#include <string_view>

#include "xml/DocumentText.h"
#include "xml/SchemaFile.h"
#include "xml/XmlError.h"
#include "xml/XmlHandles.h"

namespace ovardx::xml {

// Validates a document against a schema from the events of its text, as
// they are written: libxml2's schema validator gets what it would get from
// a parser of the text, without the text being parsed. It only answers
// whether the document is valid; where a document is invalid is told by
// ParseDocument. Must not outlive the schema.
class StreamValidator final : public TextEvents {
public:
    explicit StreamValidator(const SchemaFile& schema);
    StreamValidator(const StreamValidator&) = delete;
    StreamValidator& operator=(const StreamValidator&) = delete;

    void StartElement(const std::string& name, bool root, bool nil) override;
    void Characters(std::string_view text) override;
    void EndElement(const std::string& name) override;

    // True when nothing reported so far broke the schema or failed.
    bool Valid() const;

private:
    ErrorCollector errors_;  // the validator's and the thread's libxml2 errors meanwhile
    SchemaValidCtxtHandle context_;
    // The validator's handlers; set by the plug, and put back when it goes.
    xmlSAXHandler* handlers_ = nullptr;
    void* handlerData_ = nullptr;
    SchemaSaxPlugHandle plug_;
};

}  // namespace ovardx::xml
