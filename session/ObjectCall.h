#pragma once

#include <string>
#include <string_view>

namespace ovardx {

// Default text of the refusal of a call made on an object from inside a
// call on the same object.
inline constexpr const char* kNestedCallText = "对象正在处理另一个调用，不能在其中再次调用它!";

// Marks an object as inside a public call for the guard's lifetime. A Progress
// handler or the thread's message hook runs in the middle of a call; a call
// they make on the same object would share its connection and its session
// and switch the running call to another database. Such a second guard is
// not entered, and the call is refused without changing anything.
class ObjectCall {
public:
    explicit ObjectCall(bool& inCall) noexcept : inCall_(inCall), entered_(!inCall) { inCall_ = true; }
    ~ObjectCall() {
        if (entered_) inCall_ = false;
    }
    ObjectCall(const ObjectCall&) = delete;
    ObjectCall& operator=(const ObjectCall&) = delete;

    bool Entered() const noexcept { return entered_; }

private:
    bool& inCall_;
    bool entered_;
};

// The three-line error text of the refusal: 0x800400C8, source, and the
// localized kNestedCallText in language. Never throws.
std::string NestedCallRefusal(std::string_view source, const std::string& language) noexcept;

}  // namespace ovardx
