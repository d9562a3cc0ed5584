#pragma once

#include <atomic>
#include <semaphore>
#include <string>

#include <httplib.h>

#include "tools/ovardx/serve/Authentication.h"
#include "tools/ovardx/serve/ErrorScrubber.h"
#include "tools/ovardx/serve/Exchange.h"
#include "tools/ovardx/serve/LogSink.h"
#include "tools/ovardx/serve/RequestParams.h"
#include "tools/ovardx/serve/ServeConfig.h"

namespace ovardx::serve {

// The service's endpoints under /v1, registered on an httplib server:
//
//   GET  /v1/health                       no key; database reachable, version
//   GET  /v1/plan        clsArapPlan.Export
//   GET  /v1/bills       clsReceiveBill.Export
//   GET  /v1/contracts   clsContract.Export
//   GET  /v1/deletions   clsDataKey.ExportXMLDataKey
//   POST /v1/contracts   clsContract.Import
//   POST /v1/deletions   clsDataKey.ImportXMLDataKey
//
// Before a request reaches a handler, the gate refuses what no handler
// takes (unknown paths, other methods, bodies on GET, anything while the
// service drains) without reading a body, and the key is checked. Handlers
// read the query, make one library call and map its answer to a status.
class Endpoints {
public:
    Endpoints(const ServeConfig& config, LogSink& log);
    Endpoints(const Endpoints&) = delete;
    Endpoints& operator=(const Endpoints&) = delete;

    void Register(httplib::Server& server);

    // From now on every new request is answered 503 and its connection
    // closed; requests already in a handler finish.
    void BeginDrain() { draining_ = true; }

private:
    using Request = httplib::Request;
    using Response = httplib::Response;
    using Handler = std::function<void(const Request&, Response&, const ApiKey&)>;
    using BodyHandler =
        std::function<void(const Request&, Response&, const httplib::ContentReader&, const ApiKey&)>;

    httplib::Server::HandlerResponse Gate(const Request& req, Response& res);
    const ApiKey* Authenticate(const Request& req, Response& res) const;
    httplib::Server::Handler WithKey(Handler handler);
    httplib::Server::HandlerWithContentReader WithKeyAndBody(BodyHandler handler);
    // Runs a handler's work; a BadRequest becomes 400, anything else 500.
    void Guarded(Response& res, const std::function<void()>& work) const;

    void Health(const Request& req, Response& res) const;
    void ExportPlan(const Request& req, Response& res, const ApiKey& key) const;
    void ExportBills(const Request& req, Response& res, const ApiKey& key) const;
    void ExportContracts(const Request& req, Response& res, const ApiKey& key) const;
    void ExportDeletions(const Request& req, Response& res, const ApiKey& key) const;
    void ImportContracts(const Request& req, Response& res, const httplib::ContentReader& body, const ApiKey& key);
    void ImportDeletions(const Request& req, Response& res, const httplib::ContentReader& body, const ApiKey& key);

    std::string Props(const ApiKey& key, const RequestParams& params) const;
    std::int32_t PerCount(const RequestParams& params) const;
    void AnswerPage(Response& res, const Page& page, const std::string& props) const;
    // The status of a failed call: 503 busy, 403 refused by the gate, 422 a
    // document the library refused (imports), else 500.
    int FailureStatus(const std::string& error, bool import, const std::string& props) const;
    std::string FailureMessage(int status, const std::string& error) const;
    // Reads the body within max-body-bytes and read-timeout into text, or
    // drops it when text is null; false once it answered 400, 408 or 413
    // itself.
    bool ReadBody(const Request& req, Response& res, const httplib::ContentReader& body, std::string* text) const;
    // Answers 503 to an import that found every slot taken.
    void RefuseBusyImport(const Request& req, Response& res, const httplib::ContentReader& body) const;

    const ServeConfig& config_;
    LogSink& log_;
    const Authentication auth_;
    const ErrorScrubber scrub_;
    std::counting_semaphore<1024> importSlots_;
    std::atomic<bool> draining_{false};
};

// Connects httplib's access log to the request's key and duration: each
// answer is written as one line
//   REMOTE KEY METHOD PATH STATUS DURATIONms BYTES
// ("-" for the key of a request without one). Never the key itself, nor the
// query (filter values are the partner's data).
void LogAccess(LogSink& log, const httplib::Request& req, const httplib::Response& res);

}  // namespace ovardx::serve
