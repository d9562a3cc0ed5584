#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include <libxml/tree.h>

namespace ovardx::xml {

// How a leaf's value is written, as far as the schema's type decides it.
enum class LeafType {
    Text,       // everything else: the value's own form
    Date,       // xs:date: "yyyy-mm-dd"
    DateTime,   // xs:dateTime, or a union admitting it
    HexBinary,  // xs:hexBinary
};

// What the schema says of one element declaration, as far as the document
// layout needs it:
// - Leaf: simple content of the given type;
// - Record: child elements, one per key, looked up by name;
// - List: a single child element that may repeat, one per item;
// - Open: the schema does not describe the content in these terms (any type,
//   derived complex types, groups, wildcards); the document's own shape is
//   taken: child elements make a record, none make a leaf.
struct ElementModel {
    enum class Shape { Open, Leaf, Record, List };

    Shape shape = Shape::Open;
    LeafType leaf = LeafType::Text;
    std::string itemName;                // List: name of the item element
    const ElementModel* item = nullptr;  // List: the item's model
    std::unordered_map<std::string, const ElementModel*> children;  // Record

    // The model of a child element of this one (nullptr when unknown).
    const ElementModel* Child(std::string_view name) const;
};

// Builds the element models of a schema document (one that libxml2 has
// already compiled, so it is known to be a valid schema). The models point
// into the builder, which must outlive them.
class SchemaModel {
public:
    explicit SchemaModel(xmlDoc* schemaDoc);
    SchemaModel(const SchemaModel&) = delete;
    SchemaModel& operator=(const SchemaModel&) = delete;

    // The model of the top-level element of that name (nullptr when the
    // schema declares none).
    const ElementModel* TopElement(std::string_view name) const;

private:
    const ElementModel* ElementOf(xmlNode* declaration);
    void FillComplex(ElementModel& model, xmlNode* complexType);
    LeafType SimpleLeaf(xmlNode* simpleType, int depth);
    LeafType LeafOfTypeName(xmlNode* context, const char* qname, int depth);
    static xmlNode* NamedType(const std::unordered_map<std::string, xmlNode*>& types, const std::string& qname);

    std::deque<ElementModel> models_;
    std::unordered_map<const xmlNode*, const ElementModel*> byDeclaration_;
    std::unordered_map<std::string, xmlNode*> elements_;
    std::unordered_map<std::string, xmlNode*> complexTypes_;
    std::unordered_map<std::string, xmlNode*> simpleTypes_;
    std::unordered_map<std::string, const ElementModel*> topModels_;
};

}  // namespace ovardx::xml
