#pragma once

#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace ovardx::odbc {

// One ODBC handle, freed with the object (SQLFreeHandle).
template <SQLSMALLINT Type>
class Handle {
public:
    Handle() = default;
    explicit Handle(SQLHANDLE handle) noexcept : handle_(handle) {}
    ~Handle() { Reset(); }
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, SQLHANDLE{})) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, SQLHANDLE{});
        }
        return *this;
    }

    SQLHANDLE get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != SQL_NULL_HANDLE; }
    void Reset() noexcept {
        if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(Type, handle_);
        handle_ = SQL_NULL_HANDLE;
    }

private:
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

using EnvironmentHandle = Handle<SQL_HANDLE_ENV>;
using StatementHandle = Handle<SQL_HANDLE_STMT>;

// A connection handle that also disconnects, when connected, before it is
// freed.
class ConnectionHandle {
public:
    ConnectionHandle() = default;
    explicit ConnectionHandle(SQLHANDLE handle) noexcept : handle_(handle) {}
    ~ConnectionHandle() { Reset(); }
    ConnectionHandle(ConnectionHandle&& other) noexcept
        : handle_(std::move(other.handle_)), connected_(std::exchange(other.connected_, false)) {}
    ConnectionHandle& operator=(ConnectionHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::move(other.handle_);
            connected_ = std::exchange(other.connected_, false);
        }
        return *this;
    }

    SQLHANDLE get() const noexcept { return handle_.get(); }
    void MarkConnected() noexcept { connected_ = true; }
    void Reset() noexcept {
        if (connected_) SQLDisconnect(handle_.get());
        connected_ = false;
        handle_.Reset();
    }

private:
    Handle<SQL_HANDLE_DBC> handle_;
    bool connected_ = false;
};

// The process's ODBC environment (ODBC 3 behaviour), shared by every
// connection: allocated on first use, never freed while connections may
// still need it.
SQLHANDLE SharedEnvironment();

}  // namespace ovardx::odbc
