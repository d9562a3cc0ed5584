#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace ovardx::capi {

// A string allocated for the C caller, who frees it with ovardx_free.
struct FreeText {
    void operator()(char* text) const noexcept { std::free(text); }
};
using CString = std::unique_ptr<char, FreeText>;

// A NUL-terminated copy of text for the caller; raises std::bad_alloc.
CString CopyForCaller(std::string_view text);

// The caller's text; NULL is the empty text.
inline std::string TextIn(const char* text) { return text == nullptr ? std::string() : std::string(text); }

// Hands text over to an out argument the caller passed; a NULL out argument
// (an optional one left out) takes nothing.
inline void HandOver(char** out, CString text) noexcept {
    if (out != nullptr) *out = text.release();
}

}  // namespace ovardx::capi
