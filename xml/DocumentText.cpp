#include "xml/DocumentText.h"

namespace ovardx::xml {

namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
constexpr std::string_view kXsiDeclaration = " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"";
constexpr std::string_view kNil = " xsi:nil=\"true\"";

// As libxml2's xmlEncodeSpecialChars.
std::string_view Escaped(char c) {
    switch (c) {
        case '<': return "&lt;";
        case '>': return "&gt;";
        case '&': return "&amp;";
        case '"': return "&quot;";
        case '\r': return "&#13;";
        default: return {};
    }
}

}  // namespace

DocumentText::DocumentText(TextEvents* events) : events_(events) { text_.append(kDeclaration); }

void DocumentText::StartRoot(const std::string& name) { Start(name, true, false); }

void DocumentText::StartElement(const std::string& name) { Start(name, false, false); }

void DocumentText::NilElement(const std::string& name) {
    Start(name, false, true);
    EndElement();
}

void DocumentText::Start(const std::string& name, bool root, bool nil) {
    if (tagOpen_) text_.push_back('>');
    if (!open_.empty()) LineBreak(open_.size());
    tagOpen_ = true;
    hasText_ = false;
    open_.push_back(&name);
    text_.push_back('<');
    text_.append(name.c_str());  // up to a NUL, as libxml2 reads names
    if (root) text_.append(kXsiDeclaration);
    if (nil) text_.append(kNil);
    if (events_ != nullptr) events_->StartElement(name, root, nil);
}

void DocumentText::Text(std::string_view text) {
    if (tagOpen_) text_.push_back('>');
    tagOpen_ = false;
    hasText_ = true;
    std::size_t written = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::string_view escaped = Escaped(text[at]);
        if (escaped.empty()) continue;
        text_.append(text.substr(written, at - written));
        text_.append(escaped);
        written = at + 1;
    }
    text_.append(text.substr(written));
    if (events_ != nullptr) events_->Characters(text);
}

void DocumentText::EndElement() {
    const std::string& name = *open_.back();
    if (tagOpen_) {
        text_.append("/>");
    } else {
        if (!hasText_) LineBreak(open_.size() - 1);
        text_.append("</");
        text_.append(name.c_str());  // up to a NUL, as libxml2 reads names
        text_.push_back('>');
    }
    tagOpen_ = false;
    hasText_ = false;
    open_.pop_back();
    if (open_.empty()) text_.push_back('\n');
    if (events_ != nullptr) events_->EndElement(name);
}

// Before a tag inside the root: a parser reports it as character data.
void DocumentText::LineBreak(std::size_t depth) {
    const std::size_t from = text_.size();
    text_.push_back('\n');
    text_.append(2 * depth, ' ');
    if (events_ != nullptr) events_->Characters(std::string_view(text_).substr(from));
}

}  // namespace ovardx::xml
