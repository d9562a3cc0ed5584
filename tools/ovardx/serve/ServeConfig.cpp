#include "tools/ovardx/serve/ServeConfig.h"

#include <ini.h>

#include <charconv>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string_view>

#include "tools/ovardx/serve/KeyHash.h"
#include "tools/ovardx/serve/PropsString.h"

namespace ovardx::serve {

namespace {

constexpr std::string_view kKeyPrefix = "key:";

// Feeds inih one line at a time and remembers which line it is on, so that
// an error found in the handler can name its line. A line longer than
// inih's buffer is refused rather than read as two.
struct LineSource {
    std::string_view rest;
    int line = 0;
    int tooLong = 0;
};

char* ReadLine(char* buffer, int size, void* stream) {
    auto* source = static_cast<LineSource*>(stream);
    if (source->rest.empty() || size < 2) return nullptr;
    const std::size_t newline = source->rest.find('\n');
    const std::size_t length = newline == std::string_view::npos ? source->rest.size() : newline + 1;
    ++source->line;
    if (length > static_cast<std::size_t>(size) - 1) {
        source->tooLong = source->line;
        return nullptr;
    }
    std::memcpy(buffer, source->rest.data(), length);
    buffer[length] = '\0';
    source->rest.remove_prefix(length);
    return buffer;
}

int WholeNumber(std::string_view text, long low, long high, const std::string& what) {
    long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || number < low || number > high)
        throw ConfigError(what + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    return static_cast<int>(number);
}

std::uint64_t ByteCount(std::string_view text, const std::string& what) {
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    constexpr std::uint64_t kLargest = std::uint64_t{1} << 31;  // the library's own document limit
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || number < 1 || number > kLargest)
        throw ConfigError(what + " must be a number of bytes from 1 to " + std::to_string(kLargest));
    return number;
}

// "host:port", "[v6-address]:port".
void ReadListen(std::string_view text, ServeConfig& config) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) throw ConfigError("listen must be address:port");
    std::string_view host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    config.host = std::string(host);
    config.port = WholeNumber(text.substr(colon + 1), 0, 65535, "the port of listen");
}

// The names of [serve], each with what it sets.
using Setter = std::function<void(std::string_view value, ServeConfig&)>;
const std::map<std::string, Setter, std::less<>>& ServeNames() {
    static const std::map<std::string, Setter, std::less<>> names{
        {"listen", ReadListen},
        {"connect-string", [](std::string_view v, ServeConfig& c) { c.connectString = CheckConnectString(v); }},
        {"setup-type", [](std::string_view v, ServeConfig& c) { c.setupType = CheckPropertyWord(v, "setup-type"); }},
        {"workers", [](std::string_view v, ServeConfig& c) { c.workers = WholeNumber(v, 1, 1024, "workers"); }},
        {"queue", [](std::string_view v, ServeConfig& c) { c.queue = WholeNumber(v, 1, 65536, "queue"); }},
        {"max-body-bytes", [](std::string_view v, ServeConfig& c) { c.maxBodyBytes = ByteCount(v, "max-body-bytes"); }},
        {"max-imports", [](std::string_view v, ServeConfig& c) { c.maxImports = WholeNumber(v, 1, 1024, "max-imports"); }},
        {"max-per-count",
         [](std::string_view v, ServeConfig& c) { c.maxPerCount = WholeNumber(v, 1, 1000000, "max-per-count"); }},
        {"read-timeout",
         [](std::string_view v, ServeConfig& c) { c.readTimeoutSeconds = WholeNumber(v, 1, 3600, "read-timeout"); }},
        {"write-timeout",
         [](std::string_view v, ServeConfig& c) { c.writeTimeoutSeconds = WholeNumber(v, 1, 3600, "write-timeout"); }},
        {"keep-alive-timeout",
         [](std::string_view v, ServeConfig& c) { c.keepAliveSeconds = WholeNumber(v, 1, 300, "keep-alive-timeout"); }},
        {"tls-cert", [](std::string_view v, ServeConfig& c) { c.tlsCert = v; }},
        {"tls-key", [](std::string_view v, ServeConfig& c) { c.tlsKey = v; }},
        {"plan-tsql", [](std::string_view v, ServeConfig& c) { c.planTsql = CheckOperatorSql(v, "plan-tsql"); }},
        {"bill-filter", [](std::string_view v, ServeConfig& c) { c.billFilter = CheckOperatorSql(v, "bill-filter"); }},
        {"contract-filter",
         [](std::string_view v, ServeConfig& c) { c.contractFilter = CheckOperatorSql(v, "contract-filter"); }},
    };
    return names;
}

void SetKeyValue(std::string_view name, std::string_view value, ApiKey& key) {
    if (name == "hash") {
        if (!IsKeyHash(value)) throw ConfigError("hash is not what `ovardx serve --hash-key` prints");
        key.hash = value;
    } else if (name == "user") {
        key.user = WholeNumber(value, -32768, 32767, "user");
    } else if (name == "language") {
        key.language = CheckLanguage(value);
    } else {
        throw ConfigError("unknown name '" + std::string(name) + "' in a [key:...] section");
    }
}

struct Reader {
    LineSource source;
    std::string name;
    ServeConfig config;
    std::set<std::string, std::less<>> seen;  // "section/name"
    std::set<std::string, std::less<>> sections;
    std::string lastSection;
    std::map<std::string, int> keyLines;  // key id -> its first line
    std::map<std::string, std::set<std::string, std::less<>>> keyNames;
    std::string error;

    void OnValue(std::string_view section, std::string_view key, std::string_view value) {
        if (section != lastSection) {
            if (!sections.insert(std::string(section)).second)
                throw ConfigError("section [" + std::string(section) + "] appears twice");
            lastSection = section;
        }
        if (!seen.insert(std::string(section) + "/" + std::string(key)).second)
            throw ConfigError("'" + std::string(key) + "' is given twice in [" + std::string(section) + "]");
        if (section == "serve") {
            const auto setter = ServeNames().find(key);
            if (setter == ServeNames().end())
                throw ConfigError("unknown name '" + std::string(key) + "' in [serve]");
            setter->second(value, config);
        } else if (section.starts_with(kKeyPrefix)) {
            const std::string id(section.substr(kKeyPrefix.size()));
            CheckKeyId(id);
            auto [at, added] = keyLines.emplace(id, source.line);
            if (added) config.keys.push_back(ApiKey{id, {}, 0, "chs"});
            keyNames[id].insert(std::string(key));
            for (ApiKey& each : config.keys)
                if (each.id == id) SetKeyValue(key, value, each);
        } else {
            throw ConfigError("unknown section [" + std::string(section) + "]");
        }
    }

    static void CheckKeyId(const std::string& id) {
        const bool ok = !id.empty() && id.size() <= 64 && id.find_first_not_of(
                                                              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                              "0123456789._-") == std::string::npos;
        if (!ok) throw ConfigError("a key's name (after 'key:') takes letters, digits, '.', '_' and '-' only");
    }

    static int Handler(void* user, const char* section, const char* key, const char* value) {
        auto* reader = static_cast<Reader*>(user);
        if (!reader->error.empty()) return 0;
        try {
            reader->OnValue(section, key, value != nullptr ? value : "");
            return 1;
        } catch (const ConfigError& problem) {
            reader->error = reader->name + ":" + std::to_string(reader->source.line) + ": " + problem.what();
            return 0;
        }
    }
};

void CheckWhole(const Reader& reader) {
    const ServeConfig& config = reader.config;
    const std::string& name = reader.name;
    if (config.connectString.empty()) throw ConfigError(name + ": [serve] has no connect-string");
    if (config.tlsCert.empty() != config.tlsKey.empty())
        throw ConfigError(name + ": tls-cert and tls-key go together: set both for HTTPS, or neither");
    if (config.keys.empty())
        throw ConfigError(name + ": no [key:NAME] section: nobody could call the service");
    for (const ApiKey& key : config.keys) {
        const auto& names = reader.keyNames.at(key.id);
        const int line = reader.keyLines.at(key.id);
        for (const char* required : {"hash", "user"})
            if (!names.contains(required))
                throw ConfigError(name + ":" + std::to_string(line) + ": [key:" + key.id + "] has no " + required);
    }
}

}  // namespace

ServeConfig ParseServeConfig(const std::string& text, const std::string& name) {
    if (text.find('\0') != std::string::npos) throw ConfigError(name + ": not a text file");
    Reader reader;
    reader.name = name;
    reader.source.rest = text;
    const int result = ini_parse_stream(ReadLine, &reader.source, &Reader::Handler, &reader);
    if (reader.source.tooLong != 0)
        throw ConfigError(name + ":" + std::to_string(reader.source.tooLong) + ": the line is too long");
    if (!reader.error.empty()) throw ConfigError(reader.error);
    if (result > 0) throw ConfigError(name + ":" + std::to_string(result) + ": not a section, a comment or name = value");
    if (result < 0) throw ConfigError(name + ": cannot be parsed");
    CheckWhole(reader);
    return reader.config;
}

ServeConfig LoadServeConfig(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw ConfigError(path.string() + ": cannot be opened for reading");
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) throw ConfigError(path.string() + ": cannot be read");
    return ParseServeConfig(text, path.string());
}

}  // namespace ovardx::serve
