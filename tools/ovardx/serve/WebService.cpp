#include "tools/ovardx/serve/WebService.h"

#include <sys/socket.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <thread>

#include "tools/ovardx/serve/ErrorScrubber.h"
#include "tools/ovardx/serve/Exchange.h"
#include "tools/ovardx/serve/PropsString.h"
#include "tools/ovardx/serve/WorkerPool.h"

namespace ovardx::serve {

namespace {

void CheckReadable(const std::string& path, const char* what) {
    if (!std::ifstream(path)) throw ConfigError(std::string(what) + " '" + path + "' cannot be read");
}

std::unique_ptr<httplib::Server> MakeServer(const ServeConfig& config) {
    if (!config.Tls()) return std::make_unique<httplib::Server>();
    CheckReadable(config.tlsCert, "tls-cert");
    CheckReadable(config.tlsKey, "tls-key");
    auto server = std::make_unique<httplib::SSLServer>(config.tlsCert.c_str(), config.tlsKey.c_str());
    if (!server->is_valid())
        throw ConfigError("tls-cert and tls-key do not load as a PEM certificate and its private key");
    return server;
}

}  // namespace

WebService::WebService(ServeConfig config, LogSink& log)
    : config_(std::move(config)), log_(log), endpoints_(config_, log_), server_(MakeServer(config_)) {
    // A client that goes away mid-answer must not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    const ErrorScrubber scrub(config_.connectString);
    if (const std::string error = CheckDatabase(config_.connectString); !error.empty())
        throw ConfigError("the database of connect-string does not answer: " + scrub(error));
    for (const ApiKey& key : config_.keys) {
        const GateVerdict gate =
            ProbeGate(BuildPropsString(config_.connectString, key.user, config_.setupType, key.language));
        if (gate.kind == GateVerdict::Kind::Failed)
            throw ConfigError("the access check of key '" + key.id + "' fails: " + scrub(gate.text));
        if (gate.kind == GateVerdict::Kind::Refused)
            log_.Warning("key '" + key.id + "': ERP user " + std::to_string(key.user) +
                         " is refused by the access gate; its requests will be answered 403");
    }

    server_->set_read_timeout(config_.readTimeoutSeconds, 0);
    server_->set_write_timeout(config_.writeTimeoutSeconds, 0);
    server_->set_keep_alive_timeout(config_.keepAliveSeconds);
    server_->set_keep_alive_max_count(100);
    // An answer leaves in two writes (head, then body); with Nagle's
    // algorithm the body waits for the client's delayed ACK of the head,
    // about 40 ms on every request.
    server_->set_tcp_nodelay(true);
    // The listening socket is remembered, so that Bind() can give it a
    // longer queue of connections than the library's five. It reuses an
    // address only from connections of an earlier run (SO_REUSEADDR), not
    // from a service still listening on it (the library's SO_REUSEPORT,
    // with which a second service on the port would start and take half of
    // the requests).
    server_->set_socket_options([this](socket_t socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listenSocket_ = socket;
    });
    server_->set_payload_max_length(config_.maxBodyBytes);
    server_->new_task_queue = [workers = config_.workers, queue = config_.queue] {
        return new WorkerPool(workers, queue);
    };
    endpoints_.Register(*server_);
}

WebService::~WebService() = default;

int WebService::Bind() {
    const int bound = config_.port == 0 ? server_->bind_to_any_port(config_.host)
                                        : (server_->bind_to_port(config_.host, config_.port) ? config_.port : -1);
    if (bound <= 0)
        throw ConfigError("cannot listen on " + config_.host + ":" + std::to_string(config_.port) + ": " +
                          std::strerror(errno));
    // Connections beyond the listen queue lose their SYN and retry a second
    // later: a burst of new clients would see one-second answers.
    if (listenSocket_ != INVALID_SOCKET) ::listen(listenSocket_, SOMAXCONN);
    port_ = bound;
    return port_;
}

std::string WebService::Url() const {
    const bool v6 = config_.host.find(':') != std::string::npos;
    return std::string(config_.Tls() ? "https://" : "http://") + (v6 ? "[" + config_.host + "]" : config_.host) + ":" +
           std::to_string(port_);
}

void WebService::Run() {
    {
        std::lock_guard lock(runMutex_);
        if (stopRequested_) return;
        running_ = true;
    }
    server_->listen_after_bind();
    finished_ = true;
}

void WebService::Stop() {
    bool wasRunning = false;
    {
        std::lock_guard lock(runMutex_);
        if (stopRequested_) return;
        stopRequested_ = true;
        wasRunning = running_;
    }
    endpoints_.BeginDrain();
    if (!wasRunning) return;
    // Run may be on its way into listen: wait until httplib says it listens.
    while (!server_->is_running() && !finished_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    server_->stop();
}

}  // namespace ovardx::serve
