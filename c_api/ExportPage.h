#pragma once

#include <string>

#include "c_api/Boundary.h"

namespace ovardx::capi {

// The strings of one C++ export call: what the caller passed in, and what
// the method answers in them.
struct ExportStrings {
    std::string props;
    std::string xml;
    std::string timeStamp;
    std::string maxTimeStamp;
    std::string error;
};

// One page of an export at the C boundary. call(object, strings) runs the
// C++ method. Every out argument is written as ovardx.h promises: on
// success the document and both bounds, on failure no document, the bound
// passed in, the newest timestamp as far as the call found it, and the
// reason. Never throws.
template <class Class, class Call>
int ExportPage(ObjectHandle<Class>* handle, const char* props, const char* timeStamp, char** xml,
               char** timeStampOut, char** maxTimeStamp, char** error, Call&& call) noexcept {
    for (char** out : {xml, timeStampOut, maxTimeStamp, error})
        if (out != nullptr) *out = nullptr;
    ExportStrings strings;
    try {
        RequireOut(xml, "xml");
        RequireOut(timeStampOut, "time_stamp_out");
        Class& object = Use(handle);
        strings.props = TextIn(props);
        strings.timeStamp = TextIn(timeStamp);
        if (call(object, strings)) {
            // All or nothing: the caller gets every text or the failure.
            CString document = CopyForCaller(strings.xml);
            CString bound = CopyForCaller(strings.timeStamp);
            CString newest = maxTimeStamp != nullptr ? CopyForCaller(strings.maxTimeStamp) : nullptr;
            *xml = document.release();
            *timeStampOut = bound.release();
            HandOver(maxTimeStamp, std::move(newest));
            return 1;
        }
        HandOver(error, CopyForCaller(strings.error));
    } catch (...) {
        HandOver(error, CaughtErrorText(props));
    }
    // A failed call never moves the bound: what was passed in goes back.
    try {
        HandOver(timeStampOut, CopyForCaller(TextIn(timeStamp)));
        HandOver(maxTimeStamp, CopyForCaller(strings.maxTimeStamp));
    } catch (...) {
        // Out of memory: those stay NULL.
    }
    return 0;
}

}  // namespace ovardx::capi
