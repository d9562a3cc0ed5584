#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <libxml/tree.h>
#include <libxml/xmlschemastypes.h>

#include "xml/DocumentText.h"

namespace ovardx::xml {

// A schema of the plainest kind, read from its document: named and
// anonymous complex types whose content is one sequence of distinct element
// names (no attributes, groups, choices, wildcards, mixed content or
// derivation), elements that name such a type or one of a few built-in
// simple types (no facets, defaults or fixed values, no namespaces). For
// such a schema a document's validity is decided element by element while
// it is written, without libxml2's schema validator, which costs several
// times more than writing the document.
//
// Read answers nothing for any other schema: those are validated by libxml2
// alone.
class PlainSchema {
public:
    struct Type;
    struct Element {
        std::string name;
        bool nillable = false;
        std::size_t minOccurs = 1;
        std::size_t maxOccurs = 1;  // SIZE_MAX: unbounded
        const Type* type = nullptr;
    };
    struct Type {
        xmlSchemaType* simple = nullptr;  // a built-in simple type, or nullptr for a complex one
        std::vector<Element> sequence;    // of a complex type
    };

    // The plain schema of a schema document libxml2 has compiled, or nullptr.
    static std::unique_ptr<PlainSchema> Read(xmlDoc* schemaDoc);

    // The top-level element of that name, or nullptr.
    const Element* TopElement(std::string_view name) const;

private:
    std::deque<Type> types_;
    std::unordered_map<std::string, const Type*> namedTypes_;
    std::vector<Element> topElements_;
    friend class PlainSchemaReader;
};

// Decides, from the events of a document's text as it is written, whether
// the document is valid against a plain schema. Valid() true means libxml2's
// validator takes it too; false means it is invalid or falls outside what
// this validator decides, and the caller asks libxml2. Must not outlive the
// schema.
class PlainValidator final : public TextEvents {
public:
    explicit PlainValidator(const PlainSchema& schema) : schema_(schema) {}

    void StartElement(const std::string& name, bool root, bool nil) override;
    void Characters(std::string_view text) override;
    void EndElement(const std::string& name) override;

    bool Valid() const { return valid_ && done_; }

private:
    struct Open {
        const PlainSchema::Element* element;
        bool nil;
        std::size_t particle = 0;  // complex: the sequence's current element
        std::size_t count = 0;     // how often it has come so far
        bool hasContent = false;   // any element or character inside
    };
    bool Matches(Open& parent, const std::string& name);
    bool Complete(const Open& open) const;
    bool ValueValid(const Open& open);

    const PlainSchema& schema_;
    std::vector<Open> open_;
    std::string text_;  // of the open simple element
    bool valid_ = true;
    bool done_ = false;  // the root has ended
};

}  // namespace ovardx::xml
