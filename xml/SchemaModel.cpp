#include "xml/SchemaModel.h"

#include <climits>
#include <cstdlib>
#include <sstream>
#include <utility>
#include <vector>

#include "xml/SchemaNodes.h"
#include "xml/XmlHandles.h"

namespace ovardx::xml {

namespace {

constexpr int kMaxTypeDepth = 32;

// An absent attribute reads as empty.
std::string Attribute(xmlNode* node, const char* name) { return AttributeOf(node, name).value_or(""); }

struct QName {
    std::string prefix;
    std::string local;
};

QName SplitQName(const std::string& qname) {
    auto colon = qname.find(':');
    if (colon == std::string::npos) return {"", qname};
    return {qname.substr(0, colon), qname.substr(colon + 1)};
}

// Whether the prefix of a QName written on context names the XSD namespace.
bool IsXsdPrefix(xmlNode* context, const std::string& prefix) {
    xmlNs* ns = xmlSearchNs(context->doc, context, prefix.empty() ? nullptr : XmlChars(prefix.c_str()));
    return ns != nullptr && xmlStrEqual(ns->href, XmlChars(kXsdNamespace));
}

long MaxOccurs(xmlNode* particle) {
    std::string text = Attribute(particle, "maxOccurs");
    if (text.empty()) return 1;
    if (text == "unbounded") return LONG_MAX;
    return std::strtol(text.c_str(), nullptr, 10);
}

long Times(long a, long b) { return (a != 0 && b > LONG_MAX / a) ? LONG_MAX : a * b; }

std::string NameOfDeclaration(xmlNode* declaration) {
    std::string name = Attribute(declaration, "name");
    return name.empty() ? SplitQName(Attribute(declaration, "ref")).local : name;
}

LeafType BuiltinLeaf(const std::string& local) {
    if (local == "date") return LeafType::Date;
    if (local == "dateTime") return LeafType::DateTime;
    if (local == "hexBinary") return LeafType::HexBinary;
    return LeafType::Text;
}

// The element particles of a model group, with their effective maxOccurs.
struct Particles {
    std::vector<std::pair<xmlNode*, long>> elements;
    bool open = false;  // a wildcard or a group reference
};

void CollectParticles(xmlNode* group, long factor, Particles& out) {
    for (xmlNode* child = group->children; child != nullptr; child = child->next) {
        if (IsXsd(child, "element"))
            out.elements.emplace_back(child, Times(factor, MaxOccurs(child)));
        else if (IsXsd(child, "sequence") || IsXsd(child, "choice") || IsXsd(child, "all"))
            CollectParticles(child, Times(factor, MaxOccurs(child)), out);
        else if (IsXsd(child, "any") || IsXsd(child, "group"))
            out.open = true;
    }
}

}  // namespace

const ElementModel* ElementModel::Child(std::string_view name) const {
    if (shape == Shape::List) return name == itemName ? item : nullptr;
    if (shape == Shape::Record) {
        auto found = children.find(std::string(name));
        return found == children.end() ? nullptr : found->second;
    }
    return nullptr;
}

SchemaModel::SchemaModel(xmlDoc* schemaDoc) {
    xmlNode* root = xmlDocGetRootElement(schemaDoc);
    if (root == nullptr) return;
    for (xmlNode* child = root->children; child != nullptr; child = child->next) {
        std::string name = IsXsdElement(child) ? Attribute(child, "name") : "";
        if (name.empty()) continue;
        if (IsXsd(child, "element")) elements_.emplace(name, child);
        if (IsXsd(child, "complexType")) complexTypes_.emplace(name, child);
        if (IsXsd(child, "simpleType")) simpleTypes_.emplace(name, child);
    }
    for (const auto& [name, declaration] : elements_) topModels_.emplace(name, ElementOf(declaration));
}

const ElementModel* SchemaModel::TopElement(std::string_view name) const {
    auto found = topModels_.find(std::string(name));
    return found == topModels_.end() ? nullptr : found->second;
}

xmlNode* SchemaModel::NamedType(const std::unordered_map<std::string, xmlNode*>& types,
                               const std::string& qname) {
    auto found = types.find(SplitQName(qname).local);
    return found == types.end() ? nullptr : found->second;
}

const ElementModel* SchemaModel::ElementOf(xmlNode* declaration) {
    if (auto known = byDeclaration_.find(declaration); known != byDeclaration_.end()) return known->second;

    std::string ref = Attribute(declaration, "ref");
    if (!ref.empty()) {
        auto target = elements_.find(SplitQName(ref).local);
        if (target != elements_.end() && target->second != declaration) {
            const ElementModel* model = ElementOf(target->second);
            byDeclaration_.emplace(declaration, model);
            return model;
        }
    }

    ElementModel& model = models_.emplace_back();
    byDeclaration_.emplace(declaration, &model);

    std::string type = Attribute(declaration, "type");
    if (!type.empty()) {
        QName name = SplitQName(type);
        if (IsXsdPrefix(declaration, name.prefix)) {
            if (name.local != "anyType") {
                model.shape = ElementModel::Shape::Leaf;
                model.leaf = BuiltinLeaf(name.local);
            }
        } else if (xmlNode* complexType = NamedType(complexTypes_, type)) {
            FillComplex(model, complexType);
        } else if (xmlNode* simpleType = NamedType(simpleTypes_, type)) {
            model.shape = ElementModel::Shape::Leaf;
            model.leaf = SimpleLeaf(simpleType, 0);
        }
        return &model;
    }
    for (xmlNode* child = declaration->children; child != nullptr; child = child->next) {
        if (IsXsd(child, "complexType")) {
            FillComplex(model, child);
        } else if (IsXsd(child, "simpleType")) {
            model.shape = ElementModel::Shape::Leaf;
            model.leaf = SimpleLeaf(child, 0);
        }
    }
    return &model;
}

void SchemaModel::FillComplex(ElementModel& model, xmlNode* complexType) {
    if (Attribute(complexType, "mixed") == "true") return;  // text and elements mixed: open
    Particles particles;
    for (xmlNode* child = complexType->children; child != nullptr; child = child->next) {
        if (IsXsd(child, "simpleContent")) {
            model.shape = ElementModel::Shape::Leaf;
            for (xmlNode* derivation = child->children; derivation != nullptr; derivation = derivation->next) {
                std::string base = IsXsdElement(derivation) ? Attribute(derivation, "base") : "";
                if (!base.empty()) model.leaf = LeafOfTypeName(derivation, base.c_str(), 0);
            }
            return;
        }
        if (IsXsd(child, "complexContent")) return;
        if (IsXsd(child, "sequence") || IsXsd(child, "choice") || IsXsd(child, "all"))
            CollectParticles(child, MaxOccurs(child), particles);
        else if (IsXsd(child, "group") || IsXsd(child, "any"))
            particles.open = true;
    }
    if (particles.open) return;
    if (particles.elements.size() == 1 && particles.elements.front().second > 1) {
        xmlNode* item = particles.elements.front().first;
        model.shape = ElementModel::Shape::List;
        model.itemName = NameOfDeclaration(item);
        model.item = ElementOf(item);
        return;
    }
    model.shape = ElementModel::Shape::Record;
    for (const auto& [child, max] : particles.elements)
        model.children.emplace(NameOfDeclaration(child), ElementOf(child));
}

LeafType SchemaModel::LeafOfTypeName(xmlNode* context, const char* qname, int depth) {
    QName name = SplitQName(qname);
    if (IsXsdPrefix(context, name.prefix)) return BuiltinLeaf(name.local);
    if (xmlNode* simpleType = NamedType(simpleTypes_, qname)) return SimpleLeaf(simpleType, depth + 1);
    return LeafType::Text;
}

LeafType SchemaModel::SimpleLeaf(xmlNode* simpleType, int depth) {
    if (depth > kMaxTypeDepth) return LeafType::Text;
    for (xmlNode* child = simpleType->children; child != nullptr; child = child->next) {
        if (IsXsd(child, "restriction")) {
            std::string base = Attribute(child, "base");
            if (!base.empty()) return LeafOfTypeName(child, base.c_str(), depth);
            for (xmlNode* inner = child->children; inner != nullptr; inner = inner->next)
                if (IsXsd(inner, "simpleType")) return SimpleLeaf(inner, depth + 1);
            return LeafType::Text;
        }
        if (IsXsd(child, "union")) {
            std::vector<LeafType> members;
            std::istringstream names(Attribute(child, "memberTypes"));
            for (std::string member; names >> member;)
                members.push_back(LeafOfTypeName(child, member.c_str(), depth));
            for (xmlNode* inner = child->children; inner != nullptr; inner = inner->next)
                if (IsXsd(inner, "simpleType")) members.push_back(SimpleLeaf(inner, depth + 1));
            bool allDates = !members.empty();
            bool anyDate = false;
            bool allHex = !members.empty();
            for (LeafType member : members) {
                allDates = allDates && member == LeafType::Date;
                anyDate = anyDate || member == LeafType::Date || member == LeafType::DateTime;
                allHex = allHex && member == LeafType::HexBinary;
            }
            if (allDates) return LeafType::Date;
            if (anyDate) return LeafType::DateTime;
            return allHex ? LeafType::HexBinary : LeafType::Text;
        }
    }
    return LeafType::Text;
}

}  // namespace ovardx::xml
