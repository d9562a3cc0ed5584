#pragma once

#include <memory>
#include <string>

#include "xml/PlainSchema.h"
#include "xml/SchemaModel.h"
#include "xml/XmlHandles.h"

namespace ovardx::xml {

// A schema file read from a local path, compiled by libxml2, with the
// element models that the document layout follows.
//
// The file is parsed like an untrusted document: no DTD, no entities, no
// network; a schema that includes, imports or redefines other schema files
// is refused, so nothing but the named file is ever read.
class SchemaFile {
public:
    // Compiles content, the text of the file at path (see ReadSchemaText).
    // Raises the component error (see XmlError.h) when the text is not
    // well-formed, is refused, or is not a valid schema.
    SchemaFile(const std::string& path, std::string content);
    SchemaFile(const SchemaFile&) = delete;
    SchemaFile& operator=(const SchemaFile&) = delete;

    xmlSchema* Compiled() const { return schema_.get(); }
    const SchemaModel& Model() const { return *model_; }
    // The schema as a plain one (see PlainSchema.h), or nullptr.
    const PlainSchema* Plain() const { return plain_.get(); }
    // The text the schema was compiled from.
    const std::string& Content() const { return content_; }

private:
    std::string content_;
    // Declared in this order so that they are freed in the reverse one: the
    // compiled schema and the models point into the document.
    DocHandle doc_;
    SchemaHandle schema_;
    std::unique_ptr<SchemaModel> model_;
    std::unique_ptr<PlainSchema> plain_;
};

// The bytes of the schema file at path; raises the component error when it
// cannot be read.
std::string ReadSchemaText(const std::string& path);

}  // namespace ovardx::xml
