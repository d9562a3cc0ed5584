#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ovardx/ValueDictionary.h"
#include "xml/DocumentParser.h"
#include "xml/SchemaModel.h"

namespace ovardx::xml {

// Builds the list from the elements of a document: the root element is the
// list, its children its items. What an element becomes is decided by the
// schema's model of it (record, list or leaf); an element the schema leaves
// open becomes a record when it has child elements and a text otherwise.
//
// With an item handler, each item of the root is handed to it as soon as
// its element ends, and the list stays empty: only one item is in memory.
class ListBuilder final : public DocumentHandler {
public:
    using ItemHandler = std::function<void(Variant item)>;

    explicit ListBuilder(const ElementModel* rootModel, ItemHandler onItem = {});

    void StartElement(std::string_view name, bool nil) override;
    void Characters(std::string_view text) override;
    void EndElement() override;

    // The list built so far (complete once the root element has ended).
    std::shared_ptr<ValueVector> List() const { return list_; }

private:
    struct Frame {
        std::string name;
        const ElementModel* model = nullptr;
        bool nil = false;
        std::shared_ptr<ValueDictionary> record;
        std::shared_ptr<ValueVector> list;
        std::string text;
    };

    const ElementModel* rootModel_;
    ItemHandler onItem_;
    std::shared_ptr<ValueVector> list_;
    std::vector<Frame> stack_;
};

}  // namespace ovardx::xml
