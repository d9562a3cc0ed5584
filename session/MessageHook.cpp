#include "ovardx/MessageHook.h"

namespace ovardx {

namespace {

thread_local std::function<void()> t_messageHook;

}  // namespace

void SetMessageHook(std::function<void()> hook) { t_messageHook = std::move(hook); }

void ProcessPendingMessages() {
    if (t_messageHook) t_messageHook();
}

}  // namespace ovardx
