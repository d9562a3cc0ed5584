#include "odbc_backend/SessionPool.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <mutex>
#include <vector>

#include "registry/LibrarySettings.h"

namespace ovardx::odbc {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kIdlePerString = 8;

struct Idle {
    std::unique_ptr<Session> session;
    Clock::time_point since;
};

struct PoolState {
    std::mutex mutex;
    std::deque<Idle> idle;  // most recently returned first
};

PoolState& State() {
    // The shared environment is created first, so it outlives the sessions
    // the pool still holds at exit.
    SharedEnvironment();
    static PoolState state;
    return state;
}

std::chrono::seconds IdleLimit() noexcept {
    try {
        return std::chrono::seconds(ThreadSettings().odbcPoolIdleSeconds);
    } catch (...) {
        return std::chrono::seconds(0);  // a bad setting fails the connection elsewhere; keep nothing meanwhile
    }
}

// Moves the sessions idle for longer than `limit` out of the pool; they are
// closed by the caller, outside the lock (a logout may wait on the network).
std::vector<std::unique_ptr<Session>> TakeExpired(std::deque<Idle>& idle, std::chrono::seconds limit) {
    std::vector<std::unique_ptr<Session>> expired;
    const Clock::time_point now = Clock::now();
    for (auto it = idle.begin(); it != idle.end();) {
        if (now - it->since >= limit) {
            expired.push_back(std::move(it->session));
            it = idle.erase(it);
        } else {
            ++it;
        }
    }
    return expired;
}

}  // namespace

std::unique_ptr<Session> SessionPool::Take(const OdbcTarget& target) {
    const std::string key = target.connectionString + '\n' +
                            (target.loginTimeoutSeconds ? std::to_string(*target.loginTimeoutSeconds) : std::string());
    const std::chrono::seconds limit = IdleLimit();
    PoolState& state = State();
    for (;;) {
        std::unique_ptr<Session> found;
        std::vector<std::unique_ptr<Session>> expired;
        {
            const std::lock_guard lock(state.mutex);
            expired = TakeExpired(state.idle, limit);
            const auto match = std::find_if(state.idle.begin(), state.idle.end(),
                                            [&](const Idle& each) { return each.session->PoolKey() == key; });
            if (match != state.idle.end()) {
                found = std::move(match->session);
                state.idle.erase(match);
            }
        }
        expired.clear();
        if (!found) return Session::Connect(target);
        if (!found->Broken()) return found;
        // A lost connection is closed; look for another.
    }
}

void SessionPool::Give(std::unique_ptr<Session> session) noexcept {
    if (!session) return;
    const std::chrono::seconds limit = IdleLimit();
    if (limit.count() == 0 || session->Broken()) return;
    PoolState& state = State();
    std::vector<std::unique_ptr<Session>> closing;
    try {
        const std::lock_guard lock(state.mutex);
        closing = TakeExpired(state.idle, limit);
        const std::size_t same = static_cast<std::size_t>(std::count_if(
            state.idle.begin(), state.idle.end(), [&](const Idle& each) { return each.session->PoolKey() == session->PoolKey(); }));
        if (same >= kIdlePerString) {
            closing.push_back(std::move(session));
        } else {
            state.idle.push_front(Idle{std::move(session), Clock::now()});
        }
    } catch (...) {
        // No room to keep it: it closes with the unique_ptr.
    }
}

SessionPool& ProcessSessionPool() {
    static SessionPool pool;
    return pool;
}

}  // namespace ovardx::odbc
