#include "c_api/CString.h"

#include <cstring>
#include <new>

namespace ovardx::capi {

CString CopyForCaller(std::string_view text) {
    CString copy(static_cast<char*>(std::malloc(text.size() + 1)));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy.get(), text.data(), text.size());
    copy.get()[text.size()] = '\0';
    return copy;
}

}  // namespace ovardx::capi
