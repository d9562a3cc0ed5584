// ovardx serve: the six operations over HTTP.
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "tools/ovardx/Subcommand.h"
#include "tools/ovardx/serve/KeyHash.h"
#include "tools/ovardx/serve/LogSink.h"
#include "tools/ovardx/serve/ServeConfig.h"
#include "tools/ovardx/serve/WebService.h"

namespace ovardx::tool {

namespace {

struct ServeOptions {
    std::string config;
    bool foreground = false;
    bool check = false;
    std::string hashKey;
    bool newKey = false;
};

int PrintHash(std::string key) {
    if (key == "-" && !std::getline(std::cin, key)) {
        std::cerr << "ovardx serve: no key on standard input\n";
        return 2;
    }
    if (!serve::IsAcceptableKey(key)) {
        std::cerr << "ovardx serve: a key takes 32 to 256 characters of A-Z a-z 0-9 - . _ ~ + / "
                     "(`ovardx serve --new-key` makes one)\n";
        return 2;
    }
    std::cout << serve::HashKey(key) << "\n";
    return 0;
}

int PrintNewKey() {
    const std::string key = serve::NewKey();
    std::cout << key << "\n" << serve::HashKey(key) << "\n";
    return 0;
}

// Waits for SIGTERM or SIGINT (blocked in every thread, so only this one
// takes them) and stops the service; ends by itself when the service does.
class SignalWatch {
public:
    SignalWatch(serve::WebService& service, serve::LogSink& log)
        : thread_([this, &service, &log] { Watch(service, log); }) {}
    ~SignalWatch() {
        done_ = true;
        thread_.join();
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    static void BlockSignals() {
        const sigset_t set = Signals();
        pthread_sigmask(SIG_BLOCK, &set, nullptr);
    }

private:
    static sigset_t Signals() {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGINT);
        return set;
    }

    void Watch(serve::WebService& service, serve::LogSink& log) {
        const sigset_t set = Signals();
        const timespec tick{0, 100'000'000};
        while (!done_) {
            const int signal = sigtimedwait(&set, nullptr, &tick);
            if (signal < 0) continue;
            // Refuse new requests first: once the line is logged, none is served.
            service.Stop();
            log.Info(std::string("shutting down on ") + (signal == SIGTERM ? "SIGTERM" : "SIGINT") +
                     ": requests in progress finish, new ones are refused");
            return;
        }
    }

    std::atomic<bool> done_{false};
    std::thread thread_;
};

// Leaves the terminal: the parent reports the child and exits, the child
// goes on in a session of its own with standard streams on /dev/null.
// Called before any thread starts.
void Detach(const std::string& url) {
    std::cout.flush();
    const pid_t child = ::fork();
    if (child < 0) throw serve::ConfigError(std::string("cannot fork: ") + std::strerror(errno));
    if (child > 0) {
        std::cout << "ovardx serve: listening on " << url << " (process " << child << ", logging to syslog)"
                  << std::endl;
        ::_exit(0);
    }
    ::setsid();
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        if (null > STDERR_FILENO) ::close(null);
    }
}

int RunServe(const ServeOptions& options) {
    if (!options.hashKey.empty()) return PrintHash(options.hashKey);
    if (options.newKey) return PrintNewKey();
    if (options.config.empty()) {
        std::cerr << "ovardx serve: --config FILE is required\n";
        return 2;
    }
    const bool toStderr = options.foreground || options.check;
    const std::unique_ptr<serve::LogSink> sink = toStderr ? serve::StandardErrorLog() : serve::SyslogLog();
    serve::LogSink& log = *sink;
    try {
        serve::WebService service(serve::LoadServeConfig(options.config), log);
        if (options.check) {
            std::cout << "ovardx serve: the configuration " << options.config << " is fine\n";
            return 0;
        }
        service.Bind();
        if (!options.foreground) Detach(service.Url());
        SignalWatch::BlockSignals();
        const SignalWatch watch(service, log);
        log.Info("listening on " + service.Url() + " with " + std::to_string(service.Config().workers) +
                 " workers, " + std::to_string(service.Config().keys.size()) + " keys");
        service.Run();
        log.Info("stopped");
        return 0;
    } catch (const serve::ConfigError& error) {
        log.Error(std::string("cannot serve: ") + error.what());
        if (!toStderr) std::cerr << "ovardx serve: " << error.what() << "\n";
        return 1;
    }
}

}  // namespace

Subcommand AddServeCommand(CLI::App& app) {
    auto options = std::make_shared<ServeOptions>();
    CLI::App* parser = app.add_subcommand("serve", "Serve the exports and imports over HTTP(S) to holders of API keys");
    CLI::Option* config = parser->add_option("--config", options->config, "The service's INI configuration file");
    CLI::Option* foreground =
        parser->add_flag("--foreground", options->foreground, "Stay in the foreground and log to standard error");
    CLI::Option* check = parser->add_flag("--check", options->check, "Check the configuration and the database, then exit");
    CLI::Option* hash = parser->add_option("--hash-key", options->hashKey,
                                           "Print the hash of KEY for a [key:NAME] section (- reads KEY from standard input)");
    CLI::Option* newKey = parser->add_flag("--new-key", options->newKey, "Print a new random key and its hash");
    hash->excludes(config)->excludes(newKey)->excludes(foreground)->excludes(check);
    newKey->excludes(config)->excludes(foreground)->excludes(check);
    return {parser, [options] { return RunServe(*options); }};
}

}  // namespace ovardx::tool
