#include "xml/PlainSchema.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <unordered_set>

#include "xml/SchemaNodes.h"
#include "xml/XmlHandles.h"

namespace ovardx::xml {

namespace {

// The built-in types whose check libxml2's validator makes as
// xmlSchemaValidatePredefinedType does.
constexpr std::string_view kBuiltInTypes[] = {"string",  "decimal", "integer",  "int",     "short", "long",
                                              "boolean", "double",  "dateTime", "date", "hexBinary"};

// Raised inside the reader when the schema is not plain.
struct NotPlain {};

// The element children of a schema node, annotations left out; anything
// that is not an XSD element makes the schema not plain.
std::vector<xmlNode*> Children(xmlNode* node) {
    std::vector<xmlNode*> children;
    for (xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (child->type == XML_COMMENT_NODE || child->type == XML_TEXT_NODE) continue;
        if (!IsXsdElement(child)) throw NotPlain{};
        if (!IsXsd(child, "annotation")) children.push_back(child);
    }
    return children;
}

// The node carries no attribute but those named (none in a namespace).
void OnlyAttributes(xmlNode* node, std::initializer_list<std::string_view> allowed) {
    for (xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
        const std::string_view name = Chars(attribute->name);
        if (attribute->ns != nullptr || std::find(allowed.begin(), allowed.end(), name) == allowed.end())
            throw NotPlain{};
    }
}

bool Boolean(const std::optional<std::string>& text) {
    if (!text || *text == "false" || *text == "0") return false;
    if (*text == "true" || *text == "1") return true;
    throw NotPlain{};
}

std::size_t Occurs(const std::optional<std::string>& text, bool maximum) {
    if (!text) return 1;
    if (maximum && *text == "unbounded") return SIZE_MAX;
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (text->empty() || error != std::errc() || end != text->data() + text->size()) throw NotPlain{};
    return value;
}

}  // namespace

class PlainSchemaReader {
public:
    explicit PlainSchemaReader(xmlDoc* doc) : doc_(doc), schema_(std::make_unique<PlainSchema>()) {}

    std::unique_ptr<PlainSchema> Read() {
        xmlNode* root = xmlDocGetRootElement(doc_);
        if (root == nullptr || !IsXsd(root, "schema")) return nullptr;
        try {
            OnlyAttributes(root, {"elementFormDefault", "version"});
            if (AttributeOf(root, "elementFormDefault").value_or("unqualified") != "unqualified") return nullptr;
            std::vector<xmlNode*> elements;
            for (xmlNode* child : Children(root)) {
                if (IsXsd(child, "complexType")) {
                    OnlyAttributes(child, {"name"});
                    namedNodes_.emplace(AttributeOf(child, "name").value_or(""), child);
                } else if (IsXsd(child, "element")) {
                    elements.push_back(child);
                } else {
                    return nullptr;
                }
            }
            for (xmlNode* element : elements) {
                OnlyAttributes(element, {"name", "type", "nillable"});
                schema_->topElements_.push_back(ElementOf(element));
            }
        } catch (const NotPlain&) {
            return nullptr;
        }
        return std::move(schema_);
    }

private:
    PlainSchema::Element ElementOf(xmlNode* node) {
        PlainSchema::Element element;
        element.name = AttributeOf(node, "name").value_or("");
        element.nillable = Boolean(AttributeOf(node, "nillable"));
        element.minOccurs = Occurs(AttributeOf(node, "minOccurs"), false);
        element.maxOccurs = Occurs(AttributeOf(node, "maxOccurs"), true);
        if (element.name.empty() || element.maxOccurs == 0 || element.minOccurs > element.maxOccurs)
            throw NotPlain{};
        const std::vector<xmlNode*> children = Children(node);
        if (const auto type = AttributeOf(node, "type")) {
            if (!children.empty()) throw NotPlain{};
            element.type = TypeNamed(node, *type);
        } else {
            // Without a type the element takes any content: not plain.
            if (children.size() != 1 || !IsXsd(children.front(), "complexType")) throw NotPlain{};
            OnlyAttributes(children.front(), {});
            element.type = ComplexType(children.front());
        }
        return element;
    }

    const PlainSchema::Type* TypeNamed(xmlNode* context, const std::string& qname) {
        const std::size_t colon = qname.find(':');
        const std::string prefix = colon == std::string::npos ? "" : qname.substr(0, colon);
        const std::string local = colon == std::string::npos ? qname : qname.substr(colon + 1);
        const xmlNs* ns = xmlSearchNs(doc_, context, prefix.empty() ? nullptr : XmlChars(prefix.c_str()));
        if (ns != nullptr && xmlStrEqual(ns->href, XmlChars(kXsdNamespace))) return BuiltIn(local);
        if (ns != nullptr && !xmlStrEqual(ns->href, XmlChars(""))) throw NotPlain{};
        if (!prefix.empty() && ns == nullptr) throw NotPlain{};
        const auto named = namedNodes_.find(local);
        if (named == namedNodes_.end()) throw NotPlain{};
        return ComplexType(named->second);
    }

    const PlainSchema::Type* BuiltIn(const std::string& local) {
        if (std::find(std::begin(kBuiltInTypes), std::end(kBuiltInTypes), local) == std::end(kBuiltInTypes))
            throw NotPlain{};
        xmlSchemaType* simple = xmlSchemaGetPredefinedType(XmlChars(local.c_str()), XmlChars(kXsdNamespace));
        if (simple == nullptr) throw NotPlain{};
        PlainSchema::Type& type = schema_->types_.emplace_back();
        type.simple = simple;
        return &type;
    }

    // Filled once per node; a type that contains itself points to itself.
    const PlainSchema::Type* ComplexType(xmlNode* node) {
        if (const auto known = complexTypes_.find(node); known != complexTypes_.end()) return known->second;
        PlainSchema::Type& type = schema_->types_.emplace_back();
        complexTypes_.emplace(node, &type);
        const std::vector<xmlNode*> children = Children(node);
        if (children.size() > 1) throw NotPlain{};
        if (children.empty()) return &type;
        xmlNode* sequence = children.front();
        if (!IsXsd(sequence, "sequence")) throw NotPlain{};
        OnlyAttributes(sequence, {});
        std::unordered_set<std::string> names;
        for (xmlNode* child : Children(sequence)) {
            if (!IsXsd(child, "element")) throw NotPlain{};
            OnlyAttributes(child, {"name", "type", "nillable", "minOccurs", "maxOccurs"});
            PlainSchema::Element element = ElementOf(child);
            // Distinct names: the element a name stands for is never in doubt.
            if (!names.insert(element.name).second) throw NotPlain{};
            type.sequence.push_back(std::move(element));
        }
        return &type;
    }

    xmlDoc* doc_;
    std::unique_ptr<PlainSchema> schema_;
    std::unordered_map<std::string, xmlNode*> namedNodes_;
    std::unordered_map<const xmlNode*, const PlainSchema::Type*> complexTypes_;
};

std::unique_ptr<PlainSchema> PlainSchema::Read(xmlDoc* schemaDoc) { return PlainSchemaReader(schemaDoc).Read(); }

const PlainSchema::Element* PlainSchema::TopElement(std::string_view name) const {
    for (const Element& element : topElements_)
        if (element.name == name) return &element;
    return nullptr;
}

// --- The validator -------------------------------------------------------------

void PlainValidator::StartElement(const std::string& name, bool /*root*/, bool nil) {
    if (!valid_) return;
    const PlainSchema::Element* element = nullptr;
    if (open_.empty()) {
        element = done_ ? nullptr : schema_.TopElement(name);
    } else {
        Open& parent = open_.back();
        parent.hasContent = true;
        if (!parent.nil && parent.element->type->simple == nullptr && Matches(parent, name))
            element = &parent.element->type->sequence[parent.particle];
    }
    if (element == nullptr || (nil && !element->nillable)) {
        valid_ = false;
        return;
    }
    open_.push_back({element, nil});
    text_.clear();
}

void PlainValidator::Characters(std::string_view text) {
    if (!valid_ || text.empty()) return;
    if (open_.empty()) {
        valid_ = false;
        return;
    }
    Open& open = open_.back();
    open.hasContent = true;
    if (open.nil) {
        valid_ = false;
    } else if (open.element->type->simple != nullptr) {
        text_.append(text);
    } else if (open.element->type->sequence.empty() || text.find_first_not_of(" \t\r\n") != std::string_view::npos) {
        valid_ = false;  // characters in empty content, or other than blanks in element-only content
    }
}

void PlainValidator::EndElement(const std::string& /*name*/) {
    if (!valid_) return;
    const Open& open = open_.back();
    const bool fine = open.nil ? !open.hasContent
                               : (open.element->type->simple != nullptr ? ValueValid(open) : Complete(open));
    open_.pop_back();
    if (!fine) valid_ = false;
    if (open_.empty()) done_ = true;
}

bool PlainValidator::Matches(Open& parent, const std::string& name) {
    const std::vector<PlainSchema::Element>& sequence = parent.element->type->sequence;
    std::size_t at = parent.particle;
    if (at < sequence.size() && sequence[at].name == name) {
        if (parent.count == sequence[at].maxOccurs) return false;
        ++parent.count;
        return true;
    }
    if (at < sequence.size() && parent.count < sequence[at].minOccurs) return false;
    for (++at; at < sequence.size(); ++at) {
        if (sequence[at].name == name) {
            parent.particle = at;
            parent.count = 1;
            return true;
        }
        if (sequence[at].minOccurs > 0) return false;
    }
    return false;
}

bool PlainValidator::Complete(const Open& open) const {
    const std::vector<PlainSchema::Element>& sequence = open.element->type->sequence;
    std::size_t at = open.particle;
    if (at < sequence.size() && open.count < sequence[at].minOccurs) return false;
    for (++at; at < sequence.size(); ++at)
        if (sequence[at].minOccurs > 0) return false;
    return true;
}

bool PlainValidator::ValueValid(const Open& open) {
    xmlSchemaType* type = open.element->type->simple;
    // Whether blanks around a value are taken differs between libxml2's
    // checks of a type and its validator's: such values go to the validator.
    if (xmlSchemaGetBuiltInType(XML_SCHEMAS_STRING) != type && text_.find_first_of(" \t\r\n") != std::string::npos)
        return false;
    return xmlSchemaValPredefTypeNodeNoNorm(type, XmlChars(text_.c_str()), nullptr, nullptr) == 0;
}

}  // namespace ovardx::xml
