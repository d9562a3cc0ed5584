#pragma once

#include <memory>
#include <string>

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
    // Raises the component error (see XmlError.h) when the file cannot be
    // read, is not well-formed, is refused, or is not a valid schema.
    explicit SchemaFile(const std::string& path);
    SchemaFile(const SchemaFile&) = delete;
    SchemaFile& operator=(const SchemaFile&) = delete;

    xmlSchema* Compiled() const { return schema_.get(); }
    const SchemaModel& Model() const { return *model_; }

private:
    // Declared in this order so that they are freed in the reverse one: the
    // compiled schema and the models point into the document.
    DocHandle doc_;
    SchemaHandle schema_;
    std::unique_ptr<SchemaModel> model_;
};

}  // namespace ovardx::xml
