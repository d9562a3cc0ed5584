#include "xml/XmlError.h"

#include <libxml/SAX2.h>
#include <libxml/globals.h>

#include "ovardx/Error.h"

namespace ovardx::xml {

namespace {

// libxml2 messages end in a newline and some span two lines; fold them into
// one line.
std::string OneLine(const char* message) {
    std::string text = message == nullptr ? "unknown libxml2 error" : message;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

}  // namespace

std::string ProblemText(const Problem& problem) {
    std::string where;
    if (problem.line > 0) where = "line " + std::to_string(problem.line);
    if (problem.record > 0) where += (where.empty() ? "" : ", ") + std::string("record ") + std::to_string(problem.record);
    return where.empty() ? problem.message : where + ": " + problem.message;
}

void Fail(const std::string& text) { throw Error(errnum::kApplicationError, kXmlSource, text); }

ErrorCollector::ErrorCollector()
    : previousHandler_(xmlStructuredError), previousContext_(xmlStructuredErrorContext) {
    xmlSetStructuredErrorFunc(this, &ErrorCollector::OnError);
}

ErrorCollector::~ErrorCollector() { xmlSetStructuredErrorFunc(previousContext_, previousHandler_); }

void ErrorCollector::OnError(void* collector, xmlError* error) noexcept {
    auto* self = static_cast<ErrorCollector*>(collector);
    if (self == nullptr || error == nullptr || error->level == XML_ERR_WARNING) return;
    try {
        int line = error->line > 0 ? error->line : self->CurrentLine();
        self->Keep(Problem{line, self->record_, OneLine(error->message)});
    } catch (...) {
        self->lost_ = true;
    }
}

const Problem& ErrorCollector::First() const {
    static const Problem kLost{0, 0, "out of memory while reporting an error"};
    return first_ ? *first_ : kLost;
}

void ErrorCollector::Report(std::string message) {
    Keep(Problem{CurrentLine(), record_, std::move(message)});
    StopIfFailed();
}

void ErrorCollector::Report(std::string message, int line) {
    Keep(Problem{line, record_, std::move(message)});
    StopIfFailed();
}

void ErrorCollector::StopIfFailed() noexcept {
    if (Failed() && parser_ != nullptr && parser_->instate != XML_PARSER_EOF) xmlStopParser(parser_);
}

int ErrorCollector::CurrentLine() const {
    return parser_ != nullptr && parser_->input != nullptr ? xmlSAX2GetLineNumber(parser_) : 0;
}

void ErrorCollector::Keep(Problem problem) {
    if (!first_) first_ = std::move(problem);
}

}  // namespace ovardx::xml
