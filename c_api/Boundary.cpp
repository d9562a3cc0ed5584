#include "c_api/Boundary.h"

#include "ovardx/Error.h"
#include "session/CaughtError.h"
#include "session/ErrorText.h"
#include "session/MParse.h"

namespace ovardx::capi {

CString CaughtErrorText(const char* props) noexcept {
    const ErrorRecord record = CaughtErrorRecord();
    try {
        return CopyForCaller(BuildErrorText(record, GetPropFromString(TextIn(props), "Language")));
    } catch (...) {
        return nullptr;
    }
}

void RequireOwnThread(const void* handle, const std::thread::id& owner) {
    if (handle == nullptr) RaiseRuntime(errnum::kObjectRequired, "the object is NULL");
    if (owner != std::this_thread::get_id())
        RaiseRuntime(errnum::kInvalidProcedureCall,
                     "the object belongs to another thread; use it on the thread that created it");
}

void RaiseNullArgument(const char* name) {
    RaiseRuntime(errnum::kInvalidProcedureCall, std::string(name) + " is NULL");
}

}  // namespace ovardx::capi
