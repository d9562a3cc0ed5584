#pragma once

#include <optional>
#include <string>

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

namespace ovardx::xml {

// Source of the errors the XML components raise internally; they reach the
// caller only as the component's error text.
inline constexpr const char* kXmlSource = "XMLVXB2";

// One problem with a document or a schema and where it was found.
struct Problem {
    int line = 0;    // 1-based; 0 when unknown
    int record = 0;  // 1-based index of the record it lies in; 0 outside records
    std::string message;
};

// "line 4, record 2: <message>", leaving out what is unknown.
std::string ProblemText(const Problem& problem);

// Raises the component error (ovardx::Error) with the given text.
[[noreturn]] void Fail(const std::string& text);

// Collects the first error libxml2 reports on this thread while the object
// lives: the object installs itself as the thread's structured error handler
// and puts the previous one back when it goes. Warnings are ignored. This is
// the one place where libxml2's error records become text.
//
// The error handler only records: libxml2 may call it in the middle of work
// it must finish (switching input buffers, say), so stopping the parser from
// there is unsafe. The parse is stopped from the SAX callbacks instead
// (Report, StopIfFailed), where libxml2 allows it.
class ErrorCollector {
public:
    ErrorCollector();
    ~ErrorCollector();
    ErrorCollector(const ErrorCollector&) = delete;
    ErrorCollector& operator=(const ErrorCollector&) = delete;

    // libxml2 callback; pass the collector as the context. Never throws and
    // never stops the parser.
    static void OnError(void* collector, xmlError* error) noexcept;

    // The parser whose position completes errors that carry no line.
    void AttachParser(xmlParserCtxt* parser) { parser_ = parser; }
    void SetRecord(int record) { record_ = record; }

    // Records a problem found by the components themselves, from inside a
    // SAX callback or outside any parse, and stops the attached parser.
    // Only the first problem is kept.
    void Report(std::string message);
    void Report(std::string message, int line);
    // Stops the attached parser when a problem was recorded; for SAX
    // callbacks.
    void StopIfFailed() noexcept;

    bool Failed() const { return first_.has_value() || lost_; }
    const Problem& First() const;
    int CurrentLine() const;

private:
    void Keep(Problem problem);

    xmlParserCtxt* parser_ = nullptr;
    int record_ = 0;
    std::optional<Problem> first_;
    bool lost_ = false;  // an error came but could not be recorded (out of memory)
    xmlStructuredErrorFunc previousHandler_;
    void* previousContext_;
};

}  // namespace ovardx::xml
