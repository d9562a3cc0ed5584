#pragma once

#include <memory>

#include "odbc_backend/OdbcSession.h"

namespace ovardx::odbc {

// Physical connections kept between calls, so that a steady stream of calls
// (and the gate's short-lived connections) pays one login per connection
// string, not one per call. Sessions are kept per whole connection string
// and login timeout, at most eight idle per string; an idle session older
// than the thread's OdbcPoolIdleSeconds setting (default 60, 0 keeps none)
// is closed at the next Take or Give of any thread, and a session the driver
// reports lost is never handed out. Thread-safe; one pool per process.
class SessionPool {
public:
    // An idle session for the target's connection string, or a new one
    // (a login).
    std::unique_ptr<Session> Take(const OdbcTarget& target);
    // Takes back a session whose transaction has been rolled back.
    void Give(std::unique_ptr<Session> session) noexcept;
};

SessionPool& ProcessSessionPool();

}  // namespace ovardx::odbc
