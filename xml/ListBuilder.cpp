#include "xml/ListBuilder.h"

namespace ovardx::xml {

ListBuilder::ListBuilder(const ElementModel* rootModel, ItemHandler onItem)
    : rootModel_(rootModel), onItem_(std::move(onItem)), list_(NewList()) {}

void ListBuilder::StartElement(std::string_view name, bool nil) {
    Frame frame;
    frame.name = name;
    if (stack_.empty()) {
        frame.model = rootModel_;
        frame.list = list_;  // the root element is the list, whatever the schema says
        stack_.push_back(std::move(frame));
        return;
    }
    Frame& parent = stack_.back();
    if (parent.model == nullptr || parent.model->shape == ElementModel::Shape::Open) {
        if (!parent.record && !parent.list) parent.record = NewRecord();  // open element with children
    }
    frame.model = parent.model == nullptr ? nullptr : parent.model->Child(name);
    frame.nil = nil;
    if (frame.model != nullptr && !nil) {
        if (frame.model->shape == ElementModel::Shape::Record) frame.record = NewRecord();
        if (frame.model->shape == ElementModel::Shape::List) frame.list = NewList();
    }
    stack_.push_back(std::move(frame));
}

void ListBuilder::Characters(std::string_view text) {
    if (stack_.empty()) return;
    Frame& frame = stack_.back();
    if (!frame.record && !frame.list) frame.text.append(text);
}

void ListBuilder::EndElement() {
    Frame frame = std::move(stack_.back());
    stack_.pop_back();
    if (stack_.empty()) return;  // the root: list_ is complete

    Variant value;
    if (frame.nil)
        value = Variant::Null();
    else if (frame.list)
        value = Variant(std::move(frame.list));
    else if (frame.record)
        value = Variant(std::move(frame.record));
    else
        value = Variant(std::move(frame.text));

    Frame& parent = stack_.back();
    if (stack_.size() == 1 && onItem_)
        onItem_(std::move(value));
    else if (parent.list)
        parent.list->Add(std::move(value));
    else if (parent.record)
        parent.record->SetValue(frame.name, std::move(value));
}

}  // namespace ovardx::xml
