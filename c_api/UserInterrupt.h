#pragma once

namespace ovardx::capi {

// Raises error 18, "User interrupt occurred": a C callback answered non-zero
// to stop the running call.
[[noreturn]] void RaiseUserInterrupt();

}  // namespace ovardx::capi
