#include "tools/ovardx/serve/Answers.h"

namespace ovardx::serve {

std::string_view ErrorCode(int status) {
    switch (status) {
        case 400: return "bad_request";
        case 401: return "unauthorized";
        case 403: return "forbidden";
        case 404: return "not_found";
        case 405: return "method_not_allowed";
        case 408: return "request_timeout";
        case 411: return "length_required";
        case 413: return "payload_too_large";
        case 414: return "uri_too_long";
        case 422: return "unprocessable";
        case 503: return "unavailable";
        default: return status >= 500 ? "internal" : "error";
    }
}

nlohmann::json ErrorBody(int status, std::string_view message) {
    // Library texts are UTF-8; anything else would make dump() throw.
    return {{"error", ErrorCode(status)}, {"message", std::string(message)}};
}

void AnswerJson(httplib::Response& res, int status, const nlohmann::json& body) {
    res.status = status;
    res.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
                    "application/json; charset=utf-8");
}

void AnswerError(httplib::Response& res, int status, std::string_view message) {
    AnswerJson(res, status, ErrorBody(status, message));
}

bool HasBody(const httplib::Request& req) {
    if (req.has_header("Transfer-Encoding")) return true;
    const std::string length = req.get_header_value("Content-Length");
    return !length.empty() && length != "0";
}

void CloseAfterAnswer(httplib::Response& res) { res.set_header("Connection", "close"); }

}  // namespace ovardx::serve
