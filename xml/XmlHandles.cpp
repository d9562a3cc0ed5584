#include "xml/XmlHandles.h"

#include <mutex>

namespace ovardx::xml {

void EnsureLibxmlInitialized() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

}  // namespace ovardx::xml
