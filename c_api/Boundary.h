#pragma once

#include <string>
#include <thread>

#include "c_api/CString.h"

namespace ovardx::capi {

// An object of a C++ class as the C caller holds it: the object and the
// thread it belongs to.
template <class Class>
struct ObjectHandle {
    Class object;
    const std::thread::id owner = std::this_thread::get_id();
};

// The error text of the exception being handled, in the language of the
// property string props (as the C++ methods write theirs), or nothing when
// not even that could be allocated. Call it only inside a catch block.
CString CaughtErrorText(const char* props) noexcept;

// Raises the error of a call on a NULL object, or on an object of another
// thread: an object is used on the thread that created it.
void RequireOwnThread(const void* handle, const std::thread::id& owner);

// Raises the error of a required out argument that is NULL.
[[noreturn]] void RaiseNullArgument(const char* name);
template <class T>
void RequireOut(T** out, const char* name) {
    if (out == nullptr) RaiseNullArgument(name);
}

// The object of handle, once it may be used here.
template <class Class>
Class& Use(ObjectHandle<Class>* handle) {
    RequireOwnThread(handle, handle == nullptr ? std::thread::id() : handle->owner);
    return handle->object;
}

// Runs body (which answers the C++ method's result) at the C boundary:
// nothing it throws reaches the caller; an exception answers 0 with its
// error text in *error (error may be NULL).
template <class Body>
int Guarded(const char* props, char** error, Body&& body) noexcept {
    try {
        return body() ? 1 : 0;
    } catch (...) {
        HandOver(error, CaughtErrorText(props));
        return 0;
    }
}

// Creates the object of a handle type into *out (NULL on failure).
template <class Handle>
int Create(Handle** out, char** error) noexcept {
    if (error != nullptr) *error = nullptr;
    if (out != nullptr) *out = nullptr;
    return Guarded(nullptr, error, [&] {
        RequireOut(out, "the object pointer");
        *out = new Handle();
        return true;
    });
}

}  // namespace ovardx::capi
