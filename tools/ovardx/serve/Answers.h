#pragma once

#include <string>
#include <string_view>

#include <httplib.h>
#include <nlohmann/json.hpp>

namespace ovardx::serve {

// The shapes of the service's answers. Errors are JSON objects
// {"error": CODE, "message": TEXT} with a short code per status
// ("bad_request", "unauthorized", "forbidden", ...), so a client can branch
// on the code and show the message.

// The code of an error status ("bad_request" for 400 ...).
std::string_view ErrorCode(int status);

void AnswerJson(httplib::Response& res, int status, const nlohmann::json& body);
void AnswerError(httplib::Response& res, int status, std::string_view message);
// An error object with more members (the counts of an import).
nlohmann::json ErrorBody(int status, std::string_view message);

// Whether the request carries a body (Content-Length above 0, or chunked).
bool HasBody(const httplib::Request& req);
// Ends the connection after this answer: the request's body was not read,
// so what follows on the connection is no request.
void CloseAfterAnswer(httplib::Response& res);

}  // namespace ovardx::serve
