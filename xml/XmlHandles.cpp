#include "xml/XmlHandles.h"

#include <mutex>

#include <libxml/xmlschemastypes.h>

namespace ovardx::xml {

void EnsureLibxmlInitialized() {
    static std::once_flag once;
    // The schema parser sets up libxml2's table of built-in types on first
    // use without a lock; two threads compiling their first schema at once
    // would both build it. It is built here, once, before any thread can.
    std::call_once(once, [] {
        xmlInitParser();
        xmlSchemaInitTypes();
    });
}

}  // namespace ovardx::xml
