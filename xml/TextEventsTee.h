#pragma once

#include <string>
#include <string_view>

#include "xml/DocumentText.h"

namespace ovardx::xml {

// Hands every event of a text to two listeners, first to first: for
// judging one document by two validators at once.
class TextEventsTee final : public TextEvents {
public:
    TextEventsTee(TextEvents& first, TextEvents& second) : first_(first), second_(second) {}

    void StartElement(const std::string& name, bool root, bool nil) override {
        first_.StartElement(name, root, nil);
        second_.StartElement(name, root, nil);
    }
    void Characters(std::string_view text) override {
        first_.Characters(text);
        second_.Characters(text);
    }
    void EndElement(const std::string& name) override {
        first_.EndElement(name);
        second_.EndElement(name);
    }

private:
    TextEvents& first_;
    TextEvents& second_;
};

}  // namespace ovardx::xml
