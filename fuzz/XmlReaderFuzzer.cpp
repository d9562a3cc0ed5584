// The XML reader on any bytes against one schema file (chosen at build
// time): reading the whole list and reading item by item must agree, and
// nothing may crash, leak or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "xml/LibxmlComponents.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::shared_ptr<ovardx::XmlReader> reader = ovardx::CreateXmlReader();
    const std::string xml(reinterpret_cast<const char*>(data), size);
    std::string schema = OVARDX_FUZZ_SCHEMA;
    std::string root = OVARDX_FUZZ_ROOT;

    auto list = std::make_shared<ovardx::ValueVector>();
    std::string listError;
    reader->InputXMLString(list, xml, schema, root, listError);

    std::int32_t items = 0;
    std::int32_t announced = -1;
    std::string itemError;
    reader->InputXMLItems(xml, schema, root, itemError, [&](const ovardx::Variant&, std::int32_t total) {
        ++items;
        announced = total;
    });
    if (listError.empty() != itemError.empty()) __builtin_trap();
    if (listError.empty() && (items != list->Count() || (items > 0 && announced != items))) __builtin_trap();
    if (!listError.empty() && (list->Count() != 0 || items != 0)) __builtin_trap();
    return 0;
}
