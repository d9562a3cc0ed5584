#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include <httplib.h>

#include "tools/ovardx/serve/ComponentCounters.h"
#include "tools/ovardx/serve/Endpoints.h"
#include "tools/ovardx/serve/LogSink.h"
#include "tools/ovardx/serve/ServeConfig.h"

namespace ovardx::serve {

// The web service of `ovardx serve`: the endpoints on an HTTP/1.1 server
// (HTTPS when the configuration names a certificate and key), a bounded
// worker pool, timeouts and size limits from the configuration.
//
//   WebService service(config, log);   // checks, or raises ConfigError
//   const int port = service.Bind();
//   std::thread serving([&] { service.Run(); });
//   ...
//   service.Stop();                     // from any thread
//   serving.join();
//
// The business components the imports go through must be registered before
// the service is made (it counts their calls).
class WebService {
public:
    // Checks what can be checked before serving, like `nginx -t`: the
    // database answers, the certificate and key load. A key whose ERP user
    // the access gate refuses is logged as a warning (rights can be granted
    // later). Raises ConfigError.
    WebService(ServeConfig config, LogSink& log);
    // Run must have returned (or never been called).
    ~WebService();
    WebService(const WebService&) = delete;
    WebService& operator=(const WebService&) = delete;

    // Opens the listening socket; answers its port (the free one the system
    // picked for port 0). Raises ConfigError when the address is taken.
    int Bind();

    // Serves until Stop(); returns once every request that was in a handler
    // has been answered.
    void Run();

    // New requests are refused (the listening socket closes; requests on
    // open connections are answered 503), requests in a handler finish.
    void Stop();

    const ServeConfig& Config() const { return config_; }
    std::string Url() const;

private:
    const ServeConfig config_;
    LogSink& log_;
    ComponentCounters counters_;
    Endpoints endpoints_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    socket_t listenSocket_ = INVALID_SOCKET;
    std::mutex runMutex_;
    bool stopRequested_ = false;
    bool running_ = false;
    std::atomic<bool> finished_{false};
};

}  // namespace ovardx::serve
