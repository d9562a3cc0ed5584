#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ovardx::xml {

// What a parser reading the text would report, in the same order: an
// element whose start tag is complete, the character data of the open
// element, the end of an element. Names stay valid until their element ends.
class TextEvents {
public:
    virtual ~TextEvents() = default;
    // root: the element declares the xsi prefix; nil: it carries xsi:nil="true".
    virtual void StartElement(const std::string& name, bool root, bool nil) = 0;
    virtual void Characters(std::string_view text) = 0;
    virtual void EndElement(const std::string& name) = 0;
};

// The text of a document in the layout of libxml2's xmlTextWriter with an
// indentation of two spaces, byte for byte: the XML declaration, one
// element per line, a text on the line of its element, an element without
// content as <name/>. Text is escaped as that writer does (&, <, >, " and
// carriage return); the caller passes valid names and XML-safe UTF-8.
// A name ends at a NUL, as libxml2's writer and validator read it, and must
// stay valid until its element ends.
class DocumentText {
public:
    // events, when given, hears of everything written inside the root element.
    explicit DocumentText(TextEvents* events);

    // The root carries the xsi namespace declaration.
    void StartRoot(const std::string& name);
    void StartElement(const std::string& name);
    // A complete element with xsi:nil="true".
    void NilElement(const std::string& name);
    // Not empty; an element has either text or elements.
    void Text(std::string_view text);
    void EndElement();

    // The document, once the root has ended.
    std::string Take() { return std::move(text_); }

private:
    void Start(const std::string& name, bool root, bool nil);
    void LineBreak(std::size_t depth);

    TextEvents* events_;
    std::string text_;
    std::vector<const std::string*> open_;
    bool tagOpen_ = false;  // the start tag of the innermost open element lacks its '>'
    bool hasText_ = false;  // the innermost open element holds text
};

}  // namespace ovardx::xml
