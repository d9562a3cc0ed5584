// The plain validator against libxml2's on documents any bytes describe,
// over a plain schema with every built-in type it checks: whenever the plain
// validator takes a document, libxml2's must take it too.
//
// The bytes are read as steps: open an element (a name of the schema or an
// unknown one), a nil element, a text (its characters from an alphabet of
// numbers, dates, hex digits and blanks), close the open element.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xml/DocumentText.h"
#include "xml/PlainSchema.h"
#include "xml/SchemaFile.h"
#include "xml/StreamValidator.h"
#include "xml/TextEventsTee.h"

namespace {

using namespace ovardx::xml;

const std::array<std::string, 19> kNames = {"Row",  "Amount", "When",     "Day",    "Version", "Flag",  "Small",
                                            "Big",  "Whole",  "Real",     "Customer", "Number", "Code", "Tags",
                                            "Tag",  "Empty",  "Note",     "Rows",   "Other"};
constexpr std::string_view kAlphabet = "0123456789.-+eE:TZ aAbBcCdDfFxINtrufls\t\n";

class Steps {
public:
    Steps(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool More() const { return at_ < size_; }
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

struct Open {
    bool hasChildren = false;
    bool hasText = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const SchemaFile schema(OVARDX_FUZZ_SCHEMA, ReadSchemaText(OVARDX_FUZZ_SCHEMA));
    if (schema.Plain() == nullptr) __builtin_trap();

    PlainValidator plain(*schema.Plain());
    StreamValidator stream(schema);
    TextEventsTee both(plain, stream);
    DocumentText text(&both);
    static const std::string kRoot = "Rows";
    text.StartRoot(kRoot);
    std::vector<Open> open(1);
    Steps steps(data, size);
    while (steps.More() && open.size() < 16) {
        const std::uint8_t step = steps.Next();
        switch (step % 4) {
            case 0:  // open an element
            case 3:  // a nil element
                if (open.back().hasText) break;
                open.back().hasChildren = true;
                if (step % 4 == 3) {
                    text.NilElement(kNames[steps.Next() % kNames.size()]);
                } else {
                    text.StartElement(kNames[steps.Next() % kNames.size()]);
                    open.emplace_back();
                }
                break;
            case 1: {  // a text
                if (open.back().hasChildren || open.back().hasText) break;
                std::string value;
                for (std::size_t length = steps.Next() % 24; length > 0 && steps.More(); --length)
                    value += kAlphabet[steps.Next() % kAlphabet.size()];
                if (value.empty()) break;
                text.Text(value);
                open.back().hasText = true;
                break;
            }
            default:  // close the open element
                if (open.size() > 1) {
                    text.EndElement();
                    open.pop_back();
                }
        }
    }
    while (!open.empty()) {
        text.EndElement();
        open.pop_back();
    }
    if (plain.Valid() && !stream.Valid()) __builtin_trap();
    return 0;
}
