#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ovardx::serve {

// One API key: who a caller is once the key checked out. The ERP user and
// the language come from here, never from a request.
struct ApiKey {
    std::string id;        // the section name after "key:"; shown in logs
    std::string hash;      // what `ovardx serve --hash-key` printed
    std::int32_t user = 0; // the ERP user the key acts as
    std::string language = "chs";
};

// The configuration of `ovardx serve`, an INI file:
//
//   [serve]
//   listen = 127.0.0.1:8080
//   connect-string = Provider=SQLite;Data Source=/srv/erp.db
//   setup-type = standard
//   workers = 8
//   ...
//   [key:partner-a]
//   hash = sha256$...
//   user = 17
//   language = eng
//
// Every value is checked when the file is read: an unknown section or name,
// a value given twice, a malformed value or a missing required one is
// refused with the file and line it stands on.
struct ServeConfig {
    std::string host = "127.0.0.1";
    int port = 8080;  // 0 binds a free port
    std::string connectString;
    std::string setupType = "standard";
    int workers = 8;
    int queue = 64;                       // accepted connections waiting for a worker
    std::uint64_t maxBodyBytes = 64u << 20;
    int maxImports = 2;                   // imports running at once; more are answered 503
    int maxPerCount = 1000;               // largest page a request may ask for
    int readTimeoutSeconds = 30;          // each read, and a whole request body
    int writeTimeoutSeconds = 30;
    int keepAliveSeconds = 5;
    std::string tlsCert;
    std::string tlsKey;
    // Raw SQL the library trusts: operator settings, never request input.
    std::string planTsql;
    std::string billFilter;
    std::string contractFilter;
    std::vector<ApiKey> keys;

    bool Tls() const { return !tlsCert.empty(); }
};

// A configuration that cannot serve: the message names the file and, where
// there is one, the line ("serve.ini:12: unknown name 'lisen' in [serve]").
class ConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads and checks the file; raises ConfigError.
ServeConfig LoadServeConfig(const std::filesystem::path& path);

// The same from text (name is used in messages).
ServeConfig ParseServeConfig(const std::string& text, const std::string& name);

}  // namespace ovardx::serve
