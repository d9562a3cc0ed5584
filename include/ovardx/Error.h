#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "ovardx/Export.h"

namespace ovardx {

// The error record of a failed call: what the run time, a component or a
// database provider raised. Public methods turn it into the three-line text
// they return in strError; nothing else of it leaves the library.
struct ErrorRecord {
    std::int32_t Number = 0;
    std::string Source;
    std::string Description;

    friend bool operator==(const ErrorRecord&, const ErrorRecord&) = default;
};

// Error numbers the library raises itself. Run-time errors keep the numbers
// hosts know from the original run time; ADO errors keep ADO's.
namespace errnum {
inline constexpr std::int32_t kInvalidProcedureCall = 5;   // missing key, bad argument
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInvalidUseOfNull = 94;
inline constexpr std::int32_t kObjectRequired = 424;
inline constexpr std::int32_t kCannotCreateObject = 429;
inline constexpr std::int32_t kDuplicateKey = 457;
inline constexpr std::int32_t kNoCurrentRecord = 3021;     // BOF or EOF is true
inline constexpr std::int32_t kItemNotFound = 3265;        // no field of that name or position
inline constexpr std::int32_t kApplicationError = static_cast<std::int32_t>(0x800400C8u);
}  // namespace errnum

// The one exception type that carries an error record inside the library.
// Every public method catches it (and anything else) in one place.
class OVARDX_EXPORT Error : public std::exception {
public:
    explicit Error(ErrorRecord record);
    Error(std::int32_t number, std::string source, std::string description);

    const ErrorRecord& record() const noexcept { return record_; }
    const char* what() const noexcept override { return record_.Description.c_str(); }

private:
    ErrorRecord record_;
};

// Source text of errors raised by the library's own run time (conversions,
// records, property parsing).
inline constexpr const char* kRuntimeSource = "OVArDataExchange";

[[noreturn]] OVARDX_EXPORT void Raise(std::int32_t number, std::string source,
                                      std::string description);

// Raises one of the run-time errors above with its standard description.
[[noreturn]] OVARDX_EXPORT void RaiseRuntime(std::int32_t number, std::string detail = {});

}  // namespace ovardx
