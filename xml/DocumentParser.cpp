#include "xml/DocumentParser.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <string>

#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parserInternals.h>

#include "xml/XmlHandles.h"

namespace ovardx::xml {

namespace {

constexpr const char* kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";

int LineAt(std::string_view text, std::size_t offset) {
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

constexpr std::size_t kChunkSize = 64 * 1024;

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsUtf8Name(std::string_view name) {
    auto same = [&](std::string_view utf8) {
        return name.size() == utf8.size() && std::equal(name.begin(), name.end(), utf8.begin(), [](char a, char b) {
                   return (a >= 'a' && a <= 'z' ? static_cast<char>(a - 'a' + 'A') : a) == b;
               });
    };
    return same("UTF-8") || same("UTF8");
}

// The encoding the XML declaration at the start of the text names, if any:
// the value of encoding = "..." or '...' before the closing "?>".
std::optional<std::string_view> DeclaredEncoding(std::string_view text) {
    if (text.substr(0, 5) != "<?xml" || text.size() < 6 || !IsXmlSpace(text[5])) return std::nullopt;
    std::string_view declaration = text.substr(0, text.find("?>"));
    for (std::size_t at = declaration.find("encoding"); at != std::string_view::npos;
         at = declaration.find("encoding", at + 1)) {
        if (!IsXmlSpace(declaration[at - 1])) continue;
        std::size_t i = at + 8;
        while (i < declaration.size() && IsXmlSpace(declaration[i])) ++i;
        if (i >= declaration.size() || declaration[i] != '=') continue;
        ++i;
        while (i < declaration.size() && IsXmlSpace(declaration[i])) ++i;
        if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\'')) continue;
        const std::size_t close = declaration.find(declaration[i], i + 1);
        return declaration.substr(i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
    }
    return std::nullopt;
}

// Refusals that need no parser. Only UTF-8 is read, and the text is checked
// before libxml2 sees it, so libxml2 never switches to another encoding: its
// converters are where hostile bytes do harm.
std::optional<Problem> CheckEncoding(std::string_view xml) {
    if (xml.empty()) return Problem{1, 0, "the document is empty"};
    auto startsWith = [&](std::string_view bom) { return xml.substr(0, bom.size()) == bom; };
    if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF"))
        return Problem{1, 0, "the document is UTF-16 encoded; only UTF-8 is accepted"};
    if (auto nul = xml.find('\0'); nul != std::string_view::npos)
        return Problem{LineAt(xml, nul), 0,
                       "the document contains NUL bytes (UTF-16 or UTF-32 text?); only UTF-8 is accepted"};
    std::string_view text = startsWith("\xEF\xBB\xBF") ? xml.substr(3) : xml;
    // A UTF-8 document begins with "<" or blanks; anything else (EBCDIC,
    // say) would make libxml2 guess an encoding from the first bytes.
    if (text.empty() || (text.front() != '<' && !IsXmlSpace(text.front())))
        return Problem{1, 0, "the document does not begin with '<'; only UTF-8 XML is accepted"};
    if (auto declared = DeclaredEncoding(text); declared && !IsUtf8Name(*declared)) {
        constexpr std::size_t kShown = 40;
        return Problem{1, 0, "the document declares the encoding '" + std::string(declared->substr(0, kShown)) +
                                 (declared->size() > kShown ? "...": "") + "'; only UTF-8 is accepted"};
    }
    return std::nullopt;
}

// The state of one parse. The parser calls the front handler with it; the
// front handler checks, then forwards to the schema validator, which in
// turn forwards to the back handler, which feeds the DocumentHandler.
struct ParseState {
    ErrorCollector* errors = nullptr;
    DocumentHandler* handler = nullptr;
    std::string_view rootName;
    xmlParserCtxt* parser = nullptr;
    xmlSAXHandler* validator = nullptr;
    void* validatorData = nullptr;
    int depth = 0;
    int records = 0;
    bool elementSeen = false;  // the parser met a start tag
    bool nil = false;      // of the element being started
    bool aborted = false;  // stopped without a problem on record
};

ParseState& State(void* context) { return *static_cast<ParseState*>(context); }

// Stops the parse with a problem; never throws, as it runs inside libxml2.
void ReportSafely(ParseState& state, const char* message) noexcept {
    try {
        state.errors->Report(message);
    } catch (...) {
        state.aborted = true;
        xmlStopParser(state.parser);
    }
}

// Runs a callback body; an exception stops the parse with its text.
template <class Call>
void Guarded(ParseState& state, Call call) noexcept {
    try {
        call();
    } catch (const std::exception& e) {
        ReportSafely(state, e.what());
    } catch (...) {
        ReportSafely(state, "unexpected failure");
    }
}

// Front handler.

void CheckDocumentEncoding(ParseState& state) {
    const xmlChar* declared = state.parser->input != nullptr && state.parser->input->encoding != nullptr
                                  ? state.parser->input->encoding
                                  : state.parser->encoding;
    if (declared != nullptr && !IsUtf8Name(Chars(declared))) {
        state.errors->Report("the document declares the encoding '" + std::string(Chars(declared)) +
                             "'; only UTF-8 is accepted",
                             1);  // the declaration is always on the first line
        return;
    }
    if (state.validator->startDocument != nullptr) state.validator->startDocument(state.validatorData);
}

void FrontStartDocument(void* context) {
    ParseState& state = State(context);
    Guarded(state, [&] { CheckDocumentEncoding(state); });
}

void FrontInternalSubset(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    ReportSafely(State(context), "DOCTYPE declarations are not accepted (no DTDs or entity declarations)");
}

xmlEntity* FrontGetEntity(void*, const xmlChar* name) { return xmlGetPredefinedEntity(name); }

// True when a problem was recorded (by the validator's error handler, say):
// the parse is then stopped here, inside a SAX callback, where that is safe.
bool Stopped(ParseState& state) noexcept {
    if (!state.errors->Failed()) return false;
    state.errors->StopIfFailed();
    return true;
}

void CheckAndStartElement(ParseState& state, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                          int namespaceCount, const xmlChar** namespaces, int attributeCount, int defaulted,
                          const xmlChar** attributes) {
    if (Stopped(state)) return;
    std::string_view name = Chars(localName);
    state.nil = false;
    for (int i = 0; i < attributeCount; ++i) {
        const xmlChar** attribute = attributes + 5 * i;  // local name, prefix, URI, value, value end
        if (!xmlStrEqual(attribute[2], XmlChars(kXsiNamespace))) continue;
        std::string_view local = Chars(attribute[0]);
        if (local != "nil") {
            state.errors->Report("element '" + std::string(name) + "': the attribute 'xsi:" + std::string(local) +
                                 "' is not accepted (only xsi:nil is)");
            return;
        }
        std::string_view value(reinterpret_cast<const char*>(attribute[3]),
                               static_cast<std::size_t>(attribute[4] - attribute[3]));
        state.nil = value == "true" || value == "1";
    }
    if (state.depth == 0 && (name != state.rootName || uri != nullptr)) {
        const std::string in = uri != nullptr ? " in the namespace '" + std::string(Chars(uri)) + "'" : "";
        state.errors->Report("the root element is '" + std::string(name) + "'" + in + "; expected '" +
                             std::string(state.rootName) + "' in no namespace");
        return;
    }
    if (state.depth == 1) state.errors->SetRecord(++state.records);
    ++state.depth;
    state.validator->startElementNs(state.validatorData, localName, prefix, uri, namespaceCount, namespaces,
                                    attributeCount, defaulted, attributes);
}

void FrontStartElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                       int namespaceCount, const xmlChar** namespaces, int attributeCount, int defaulted,
                       const xmlChar** attributes) {
    ParseState& state = State(context);
    state.elementSeen = true;
    Guarded(state, [&] {
        CheckAndStartElement(state, localName, prefix, uri, namespaceCount, namespaces, attributeCount, defaulted,
                             attributes);
    });
}

void FrontEndElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri) {
    ParseState& state = State(context);
    if (Stopped(state)) return;
    state.validator->endElementNs(state.validatorData, localName, prefix, uri);
    if (--state.depth == 1) state.errors->SetRecord(0);
}

void FrontCharacters(void* context, const xmlChar* text, int length) {
    ParseState& state = State(context);
    if (!Stopped(state)) state.validator->characters(state.validatorData, text, length);
}

void FrontCdata(void* context, const xmlChar* text, int length) {
    ParseState& state = State(context);
    if (!Stopped(state)) state.validator->cdataBlock(state.validatorData, text, length);
}

void FrontReference(void* context, const xmlChar*) {
    ReportSafely(State(context), "entity references are not accepted");
}

// Back handler: what the validator passes on.

void BackStartElement(void* context, const xmlChar* localName, const xmlChar*, const xmlChar*, int,
                      const xmlChar**, int, int, const xmlChar**) {
    ParseState& state = State(context);
    if (state.errors->Failed() || state.handler == nullptr) return;
    Guarded(state, [&] { state.handler->StartElement(Chars(localName), state.nil); });
}

void BackEndElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    ParseState& state = State(context);
    if (state.errors->Failed() || state.handler == nullptr) return;
    Guarded(state, [&] { state.handler->EndElement(); });
}

void BackCharacters(void* context, const xmlChar* text, int length) {
    ParseState& state = State(context);
    if (state.errors->Failed() || state.handler == nullptr) return;
    Guarded(state, [&] {
        state.handler->Characters(std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
    });
}

xmlSAXHandler BackHandler() {
    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = BackStartElement;
    sax.endElementNs = BackEndElement;
    sax.characters = BackCharacters;
    sax.ignorableWhitespace = BackCharacters;
    sax.cdataBlock = BackCharacters;
    return sax;
}

xmlSAXHandler FrontHandler() {
    xmlSAXHandler sax{};
    sax.initialized = XML_SAX2_MAGIC;
    sax.startDocument = FrontStartDocument;
    sax.internalSubset = FrontInternalSubset;
    sax.getEntity = FrontGetEntity;
    sax.startElementNs = FrontStartElement;
    sax.endElementNs = FrontEndElement;
    sax.characters = FrontCharacters;
    sax.ignorableWhitespace = FrontCharacters;
    sax.cdataBlock = FrontCdata;
    sax.reference = FrontReference;
    return sax;
}

// Puts the front handler, the schema validator and the back handler in
// front of a parser for its lifetime, and the parser's own handler back
// afterwards.
class HandlerChain {
public:
    HandlerChain(xmlParserCtxt* parser, xmlSchemaValidCtxt* validator, xmlSAXHandler* back, xmlSAXHandler* front,
                 ParseState* state)
        : parser_(parser), ownSax_(parser->sax), ownData_(parser->userData) {
        parser_->sax = back;
        parser_->userData = state;
        plug_ = xmlSchemaSAXPlug(validator, &parser_->sax, &parser_->userData);
        if (plug_ == nullptr) return;
        state->validator = parser_->sax;
        state->validatorData = parser_->userData;
        parser_->sax = front;
        parser_->userData = state;
    }
    ~HandlerChain() {
        if (plug_ != nullptr) {
            ParseState& state = State(parser_->userData);
            parser_->sax = state.validator;  // what the plug expects to find
            parser_->userData = state.validatorData;
            xmlSchemaSAXUnplug(plug_);
        }
        parser_->sax = ownSax_;
        parser_->userData = ownData_;
    }
    HandlerChain(const HandlerChain&) = delete;
    HandlerChain& operator=(const HandlerChain&) = delete;

    bool Plugged() const { return plug_ != nullptr; }

private:
    xmlParserCtxt* parser_;
    xmlSAXHandler* ownSax_;
    void* ownData_;
    xmlSchemaSAXPlugPtr plug_ = nullptr;
};

}  // namespace

std::optional<Problem> ParseDocument(std::string_view xml, const SchemaFile& schema, std::string_view rootName,
                                     DocumentHandler* handler) {
    if (auto refused = CheckEncoding(xml)) return refused;
    EnsureLibxmlInitialized();

    ErrorCollector errors;
    // A push parser, fed in chunks: libxml2 keeps only a window of the
    // document instead of a copy of all of it.
    ParserCtxtHandle parser(xmlCreatePushParserCtxt(nullptr, nullptr, nullptr, 0, nullptr));
    SchemaValidCtxtHandle validator(xmlSchemaNewValidCtxt(schema.Compiled()));
    if (!parser || !validator) return Problem{0, 0, "out of memory"};
    // No network, and never an encoding switch on the declaration's word
    // (CheckEncoding has refused every declaration but UTF-8).
    xmlCtxtUseOptions(parser.get(), XML_PARSE_NONET | XML_PARSE_IGNORE_ENC);
    xmlSchemaSetValidStructuredErrors(validator.get(), &ErrorCollector::OnError, &errors);

    ParseState state;
    state.errors = &errors;
    state.handler = handler;
    state.rootName = rootName;
    state.parser = parser.get();

    // Chain the handlers: parser -> front -> validator -> back.
    xmlSAXHandler back = BackHandler();
    xmlSAXHandler front = FrontHandler();
    HandlerChain chain(parser.get(), validator.get(), &back, &front, &state);
    if (!chain.Plugged()) return Problem{0, 0, "the schema validator cannot be set up"};

    errors.AttachParser(parser.get());
    for (std::string_view rest = xml; !errors.Failed() && !state.aborted;) {
        const std::size_t size = std::min(rest.size(), kChunkSize);
        const bool last = size == rest.size();
        const int code = xmlParseChunk(parser.get(), rest.data(), static_cast<int>(size), last ? 1 : 0);
        rest.remove_prefix(size);
        if (last || code != XML_ERR_OK || parser->instate == XML_PARSER_EOF) break;
    }
    errors.AttachParser(nullptr);
    const bool wellFormed = parser->wellFormed != 0;

    // The push parser calls a document without any element "extra content
    // at the end"; say what is wrong instead.
    if (errors.Failed() && !state.elementSeen &&
        errors.First().message.rfind("Extra content at the end of the document", 0) == 0)
        return Problem{errors.First().line, 0,
                       "Start tag expected: the document has no root element '" + std::string(rootName) + "'"};
    if (errors.Failed()) return errors.First();
    if (state.aborted) return Problem{0, 0, "the document cannot be read: out of memory"};
    if (!wellFormed) return Problem{0, 0, "the document is not well-formed"};
    return std::nullopt;
}

}  // namespace ovardx::xml
