#pragma once

#include <functional>

#include "ovardx/Export.h"

namespace ovardx {

// The calling thread's message processing: the contract export and import
// call it between two contracts, so a host with a message loop can dispatch
// its pending messages there. Per thread; by default it does nothing.
// Pass an empty function to remove the hook.
OVARDX_EXPORT void SetMessageHook(std::function<void()> hook);

// Runs the calling thread's hook, if any. Exceptions from the hook travel to
// the caller's error path.
OVARDX_EXPORT void ProcessPendingMessages();

}  // namespace ovardx
