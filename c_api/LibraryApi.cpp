// What the C interface adds around the classes: version, memory, the ERP's
// component stand-ins and the thread's message hook.
#include <cstdlib>

#include "c_api/Boundary.h"
#include "c_api/UserInterrupt.h"
#include "erp/ErpComponents.h"
#include "ovardx/Error.h"
#include "ovardx/MessageHook.h"
#include "ovardx/ovardx.h"

namespace ovardx::capi {

void RaiseUserInterrupt() { Raise(18, kRuntimeSource, "User interrupt occurred"); }

}  // namespace ovardx::capi

using namespace ovardx::capi;

extern "C" {

const char* ovardx_libversion(void) { return OVARDX_VERSION; }

int ovardx_libversion_number(void) { return OVARDX_VERSION_NUMBER; }

void ovardx_free(void* text) { std::free(text); }

int ovardx_register_erp_stand_ins(char** error) {
    if (error != nullptr) *error = nullptr;
    return Guarded(nullptr, error, [] {
        ovardx::erp::RegisterErpComponents();
        return true;
    });
}

int ovardx_set_message_hook(ovardx_message_hook hook, void* user) {
    return Guarded(nullptr, nullptr, [&] {
        if (hook == nullptr) {
            ovardx::SetMessageHook({});
        } else {
            ovardx::SetMessageHook([hook, user] {
                if (hook(user) != 0) RaiseUserInterrupt();
            });
        }
        return true;
    });
}

}  // extern "C"
