#include "tools/ovardx/serve/Endpoints.h"

#include <chrono>
#include <charconv>
#include <limits>
#include <map>
#include <set>

#include "tools/ovardx/serve/Answers.h"
#include "tools/ovardx/serve/PropsString.h"

namespace ovardx::serve {

namespace {

using Clock = std::chrono::steady_clock;
using json = nlohmann::json;

// What the access log needs of the request a worker thread is serving; the
// gate starts it, the key check names the key, the log line ends it.
struct RequestTrace {
    const httplib::Request* request = nullptr;
    Clock::time_point start;
    std::string keyId = "-";
};
thread_local RequestTrace tTrace;

const std::map<std::string, std::set<std::string>, std::less<>>& Routes() {
    static const std::map<std::string, std::set<std::string>, std::less<>> routes{
        {"/v1/health", {"GET", "HEAD"}},
        {"/v1/plan", {"GET", "HEAD"}},
        {"/v1/bills", {"GET", "HEAD"}},
        {"/v1/contracts", {"GET", "HEAD", "POST"}},
        {"/v1/deletions", {"GET", "HEAD", "POST"}},
    };
    return routes;
}

std::string Allowed(const std::set<std::string>& methods) {
    std::string text;
    for (const std::string& method : methods) text += (text.empty() ? "" : ", ") + method;
    return text;
}

void AnswerBusy(httplib::Response& res, std::string_view message) {
    AnswerError(res, 503, message);
    res.set_header("Retry-After", "1");
}

// Control bytes of a request's path would start a new log line.
std::string Printable(std::string_view text) {
    std::string printable(text.substr(0, 200));
    for (char& c : printable)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return printable;
}

// Gives an import slot back when the import is done.
class ImportSlot {
public:
    explicit ImportSlot(std::counting_semaphore<1024>& slots) : slots_(slots), held_(slots.try_acquire()) {}
    ~ImportSlot() {
        if (held_) slots_.release();
    }
    ImportSlot(const ImportSlot&) = delete;
    ImportSlot& operator=(const ImportSlot&) = delete;
    bool Held() const { return held_; }

private:
    std::counting_semaphore<1024>& slots_;
    bool held_;
};

}  // namespace

Endpoints::Endpoints(const ServeConfig& config, LogSink& log)
    : config_(config), log_(log), auth_(config.keys), scrub_(config.connectString), importSlots_(config.maxImports) {}

void Endpoints::Register(httplib::Server& server) {
    server.set_pre_routing_handler([this](const Request& req, Response& res) { return Gate(req, res); });
    server.Get("/v1/health", [this](const Request& req, Response& res) { Guarded(res, [&] { Health(req, res); }); });
    server.Get("/v1/plan", WithKey([this](auto& req, auto& res, auto& key) { ExportPlan(req, res, key); }));
    server.Get("/v1/bills", WithKey([this](auto& req, auto& res, auto& key) { ExportBills(req, res, key); }));
    server.Get("/v1/contracts", WithKey([this](auto& req, auto& res, auto& key) { ExportContracts(req, res, key); }));
    server.Get("/v1/deletions", WithKey([this](auto& req, auto& res, auto& key) { ExportDeletions(req, res, key); }));
    server.Post("/v1/contracts", WithKeyAndBody([this](auto& req, auto& res, auto& body, auto& key) {
                    ImportContracts(req, res, body, key);
                }));
    server.Post("/v1/deletions", WithKeyAndBody([this](auto& req, auto& res, auto& body, auto& key) {
                    ImportDeletions(req, res, body, key);
                }));
    // Answers httplib gives itself (a malformed request, a header too long)
    // get the same JSON shape; answers of the handlers keep theirs.
    server.set_error_handler(httplib::Server::HandlerWithResponse([](const Request&, Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        AnswerError(res, res.status, res.status == 404 ? "no such endpoint" : "the request cannot be served");
        return httplib::Server::HandlerResponse::Handled;
    }));
    // Without this httplib would put the exception's text in a header.
    server.set_exception_handler([this](const Request&, Response& res, std::exception_ptr) {
        log_.Error("a handler raised an exception");
        AnswerError(res, 500, "internal error");
    });
    server.set_logger([this](const Request& req, const Response& res) { LogAccess(log_, req, res); });
}

httplib::Server::HandlerResponse Endpoints::Gate(const Request& req, Response& res) {
    tTrace = RequestTrace{&req, Clock::now(), "-"};
    const auto refuse = [&](int status, std::string_view message) {
        AnswerError(res, status, message);
        if (HasBody(req) || status == 503) CloseAfterAnswer(res);
        return httplib::Server::HandlerResponse::Handled;
    };
    if (draining_) return refuse(503, "the service is shutting down");
    const auto route = Routes().find(req.path);
    if (route == Routes().end()) return refuse(404, "no such endpoint");
    if (!route->second.contains(req.method)) {
        res.set_header("Allow", Allowed(route->second));
        return refuse(405, "this endpoint takes " + Allowed(route->second));
    }
    if (req.method != "POST" && HasBody(req)) return refuse(400, "a " + req.method + " request takes no body");
    return httplib::Server::HandlerResponse::Unhandled;
}

const ApiKey* Endpoints::Authenticate(const Request& req, Response& res) const {
    const ApiKey* key = auth_.Find(req.get_header_value("Authorization"));
    if (key == nullptr) {
        AnswerError(res, 401, "a valid API key is required: Authorization: Bearer KEY");
        res.set_header("WWW-Authenticate", "Bearer realm=\"ovardx\"");
        if (HasBody(req)) CloseAfterAnswer(res);
        return nullptr;
    }
    if (tTrace.request == &req) tTrace.keyId = key->id;
    return key;
}

httplib::Server::Handler Endpoints::WithKey(Handler handler) {
    return [this, handler = std::move(handler)](const Request& req, Response& res) {
        if (const ApiKey* key = Authenticate(req, res)) Guarded(res, [&] { handler(req, res, *key); });
    };
}

httplib::Server::HandlerWithContentReader Endpoints::WithKeyAndBody(BodyHandler handler) {
    return [this, handler = std::move(handler)](const Request& req, Response& res,
                                                const httplib::ContentReader& body) {
        const ApiKey* key = Authenticate(req, res);
        if (key == nullptr) return;
        Guarded(res, [&] { handler(req, res, body, *key); });
        // An error may have come before the body was read to its end.
        if (res.status >= 400) CloseAfterAnswer(res);
    };
}

void Endpoints::Guarded(Response& res, const std::function<void()>& work) const {
    try {
        work();
    } catch (const BadRequest& bad) {
        AnswerError(res, 400, bad.what());
    } catch (const std::exception& error) {
        log_.Error(std::string("internal error: ") + scrub_(error.what()));
        AnswerError(res, 500, "internal error");
    }
}

void Endpoints::Health(const Request& req, Response& res) const {
    const RequestParams params(req.params, {});
    const std::string error = CheckDatabase(config_.connectString);
    if (error.empty()) {
        AnswerJson(res, 200, {{"status", "ok"}, {"database", "reachable"}, {"version", OVARDX_SERVE_VERSION}});
        return;
    }
    log_.Warning("health: the database does not answer: " + scrub_(error));
    json body = ErrorBody(503, "the database does not answer");
    body.update({{"status", "unavailable"}, {"database", "unreachable"}, {"version", OVARDX_SERVE_VERSION}});
    AnswerJson(res, 503, body);
}

std::string Endpoints::Props(const ApiKey& key, const RequestParams& params) const {
    return BuildPropsString(config_.connectString, key.user, config_.setupType, LanguageParam(params, key.language));
}

std::int32_t Endpoints::PerCount(const RequestParams& params) const {
    return static_cast<std::int32_t>(params.Number("per-count", 1, config_.maxPerCount, std::min(100, config_.maxPerCount)));
}

void Endpoints::ExportPlan(const Request& req, Response& res, const ApiKey& key) const {
    const RequestParams params(req.params, {"timestamp", "per-count", "language", "uuid", "number", "name",
                                            "date-from", "date-to"});
    const std::string props = Props(key, params);
    const std::string filter = PlanFilterText(params, config_.planTsql);
    AnswerPage(res, serve::ExportPlan(props, filter, PerCount(params), TimeStampParam(params)), props);
}

void Endpoints::ExportBills(const Request& req, Response& res, const ApiKey& key) const {
    const RequestParams params(req.params, {"timestamp", "per-count", "language", "pre"});
    const std::string props = Props(key, params);
    const auto pre = static_cast<std::int16_t>(params.Number("pre", 0, 1, 1));
    AnswerPage(res, serve::ExportBills(props, config_.billFilter, pre, PerCount(params), TimeStampParam(params)),
               props);
}

void Endpoints::ExportContracts(const Request& req, Response& res, const ApiKey& key) const {
    const RequestParams params(req.params, {"timestamp", "per-count", "language", "rp"});
    const std::string props = Props(key, params);
    const auto rp = static_cast<std::int16_t>(params.Number("rp", 0, 1, 1));
    AnswerPage(res,
               serve::ExportContracts(props, config_.contractFilter, rp, PerCount(params), TimeStampParam(params)),
               props);
}

void Endpoints::ExportDeletions(const Request& req, Response& res, const ApiKey& key) const {
    const RequestParams params(req.params, {"timestamp", "per-count", "language", "bill-type"});
    if (!params.Has("bill-type")) throw BadRequest("bill-type is required: 1 receive bills, 2 advance receipts, 3 contracts");
    const std::string props = Props(key, params);
    const auto billType = static_cast<std::int16_t>(params.Number("bill-type", 1, 3, 0));
    AnswerPage(res, serve::ExportDeletions(props, billType, PerCount(params), TimeStampParam(params)), props);
}

void Endpoints::ImportContracts(const Request& req, Response& res, const httplib::ContentReader& body,
                                const ApiKey& key) {
    const RequestParams params(req.params, {"check-by-uuid", "add-new-only", "system-type", "language"});
    ContractImportOptions options;
    options.checkByUuid = params.Flag("check-by-uuid", false);
    options.addNewOnly = params.Flag("add-new-only", false);
    options.systemType = static_cast<std::int32_t>(params.Number(
        "system-type", std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(), 1));
    const std::string props = Props(key, params);
    const ImportSlot slot(importSlots_);
    if (!slot.Held()) return RefuseBusyImport(req, res, body);
    std::string xml;
    if (!ReadBody(req, res, body, &xml)) return;
    const ImportResult result = serve::ImportContracts(props, xml, options);
    json answer{{"saved", result.saved},
                {"skipped", result.handled - result.saved},
                {"records", result.records >= 0 ? json(result.records) : json(nullptr)}};
    if (result.ok) return AnswerJson(res, 200, answer);
    const int status = FailureStatus(result.error, true, props);
    answer.update(ErrorBody(status, FailureMessage(status, result.error)));
    AnswerJson(res, status, answer);
    if (status == 503) res.set_header("Retry-After", "1");
}

void Endpoints::ImportDeletions(const Request& req, Response& res, const httplib::ContentReader& body,
                                const ApiKey& key) {
    const RequestParams params(req.params, {"bill-type", "language"});
    if (!params.Has("bill-type")) throw BadRequest("bill-type is required: 1 receive bills, 2 advance receipts, 3 contracts");
    const auto billType = static_cast<std::int16_t>(params.Number("bill-type", 1, 3, 0));
    const std::string props = Props(key, params);
    const ImportSlot slot(importSlots_);
    if (!slot.Held()) return RefuseBusyImport(req, res, body);
    std::string xml;
    if (!ReadBody(req, res, body, &xml)) return;
    const ImportResult result = serve::ImportDeletions(props, billType, xml);
    json answer{{"deleted", result.deleted}};
    if (result.ok) return AnswerJson(res, 200, answer);
    const int status = FailureStatus(result.error, true, props);
    answer.update(ErrorBody(status, FailureMessage(status, result.error)));
    AnswerJson(res, status, answer);
    if (status == 503) res.set_header("Retry-After", "1");
}

void Endpoints::AnswerPage(Response& res, const Page& page, const std::string& props) const {
    if (page.ok) {
        res.status = 200;
        res.set_header("Ovardx-TimeStamp", page.timeStamp);
        res.set_header("Ovardx-MaxTimeStamp", page.maxTimeStamp);
        res.set_content(page.xml, "application/xml; charset=utf-8");
        return;
    }
    const int status = FailureStatus(page.error, false, props);
    AnswerError(res, status, FailureMessage(status, page.error));
    if (status == 503) res.set_header("Retry-After", "1");
}

int Endpoints::FailureStatus(const std::string& error, bool import, const std::string& props) const {
    if (IsBusyError(error)) return 503;
    // The gate's refusal and the reader's or writer's messages are all plain
    // text; a call that changes nothing tells whether it was the gate.
    const GateVerdict gate = ProbeGate(props);
    switch (gate.kind) {
        case GateVerdict::Kind::Refused: return 403;
        case GateVerdict::Kind::Failed: return IsBusyError(gate.text) ? 503 : 500;
        case GateVerdict::Kind::Admitted: break;
    }
    return import ? 422 : 500;
}

std::string Endpoints::FailureMessage(int status, const std::string& error) const {
    const std::string message = scrub_(error);
    if (status == 500) log_.Error("library error: " + message);
    return message;
}

void Endpoints::RefuseBusyImport(const Request& req, Response& res, const httplib::ContentReader& body) const {
    // The body is read and dropped before the answer: closing a connection
    // with unread bytes resets it, and the reset can reach the client before
    // it has read the 503, which it would then never see.
    if (ReadBody(req, res, body, nullptr)) AnswerBusy(res, "too many imports are running; try again");
}

bool Endpoints::ReadBody(const Request& req, Response& res, const httplib::ContentReader& body,
                         std::string* text) const {
    const std::string declared = req.get_header_value("Content-Length");
    if (!declared.empty()) {
        std::uint64_t length = 0;
        const auto [end, error] = std::from_chars(declared.data(), declared.data() + declared.size(), length);
        if (error != std::errc{} || end != declared.data() + declared.size()) {
            AnswerError(res, 400, "Content-Length is no number");
            return false;
        }
        if (length > config_.maxBodyBytes) {
            AnswerError(res, 413, "the document is larger than the " + std::to_string(config_.maxBodyBytes) +
                                      " bytes this service takes");
            return false;
        }
        if (text != nullptr) text->reserve(length);
    }
    const auto deadline = Clock::now() + std::chrono::seconds(config_.readTimeoutSeconds);
    enum class Stop { No, TooLarge, TooSlow } stop = Stop::No;
    std::uint64_t received = 0;
    const bool read = body([&](const char* data, std::size_t length) {
        if (received + length > config_.maxBodyBytes) return (stop = Stop::TooLarge, false);
        if (Clock::now() > deadline) return (stop = Stop::TooSlow, false);
        received += length;
        if (text != nullptr) text->append(data, length);
        return true;
    });
    if (stop == Stop::TooLarge)
        AnswerError(res, 413, "the document is larger than the " + std::to_string(config_.maxBodyBytes) +
                                  " bytes this service takes");
    else if (stop == Stop::TooSlow)
        AnswerError(res, 408, "the document did not arrive within the read timeout");
    else if (!read)
        AnswerError(res, 400, "the document could not be read");
    return read && stop == Stop::No;
}

void LogAccess(LogSink& log, const httplib::Request& req, const httplib::Response& res) {
    std::string key = "-";
    std::string duration = "-";
    if (tTrace.request == &req) {
        key = tTrace.keyId;
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - tTrace.start).count();
        char text[32];
        std::snprintf(text, sizeof text, "%.1fms", static_cast<double>(micros) / 1000.0);
        duration = text;
    }
    tTrace = RequestTrace{};
    log.Info("access " + (req.remote_addr.empty() ? std::string("-") : req.remote_addr) + " " + key + " " +
             Printable(req.method.empty() ? "-" : req.method) + " " + Printable(req.path.empty() ? "-" : req.path) +
             " " + std::to_string(res.status) + " " + duration + " " + std::to_string(res.body.size()));
}

}  // namespace ovardx::serve
