#include "session/CaughtError.h"

#include <new>

namespace ovardx {

ErrorRecord CaughtErrorRecord() noexcept {
    try {
        throw;
    } catch (const Error& error) {
        return error.record();
    } catch (const std::bad_alloc&) {
        return ErrorRecord{7, kRuntimeSource, "Out of memory"};
    } catch (const std::exception& error) {
        return ErrorRecord{kUnspecifiedFailure, kRuntimeSource, error.what()};
    } catch (...) {
        return ErrorRecord{kUnspecifiedFailure, kRuntimeSource, "Unknown failure"};
    }
}

}  // namespace ovardx
