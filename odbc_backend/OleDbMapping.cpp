#include "odbc_backend/OleDbMapping.h"

#include <array>
#include <cctype>
#include <charconv>
#include <map>

#include "object_library/Text.h"
#include "sqlite_backend/ProviderError.h"

namespace ovardx::odbc {

namespace {

// What a key of the SQL Server OLE DB providers stands for.
enum class Property {
    Provider,
    Server,
    Database,
    User,
    Password,
    IntegratedSecurity,
    Encrypt,
    TrustServerCertificate,
    ConnectTimeout,
    ApplicationName,
    Language,
    ApplicationIntent,
    MultiSubnetFailover,
    FailoverPartner,
    ServerSpn,
    HostNameInCertificate,
    Authentication,
    ConnectRetryCount,
    ConnectRetryInterval,
    NetworkLibrary,
    Ignored,      // no ODBC equivalent, and nothing the library relies on changes
    Unsupported,  // would change what is connected to or how, and cannot be honoured here
};

struct KeyName {
    std::string_view name;
    Property property;
};

// The documented keys of SQLOLEDB, SQLNCLI and MSOLEDBSQL (initialization
// strings and provider strings), by every name they are known by.
constexpr std::array kKeys{
    KeyName{"Provider", Property::Provider},
    KeyName{"Data Source", Property::Server},
    KeyName{"Server", Property::Server},
    KeyName{"Address", Property::Server},
    KeyName{"Addr", Property::Server},
    KeyName{"Network Address", Property::Server},
    KeyName{"Initial Catalog", Property::Database},
    KeyName{"Database", Property::Database},
    KeyName{"User ID", Property::User},
    KeyName{"UID", Property::User},
    KeyName{"Password", Property::Password},
    KeyName{"PWD", Property::Password},
    KeyName{"Integrated Security", Property::IntegratedSecurity},
    KeyName{"Trusted_Connection", Property::IntegratedSecurity},
    KeyName{"Encrypt", Property::Encrypt},
    KeyName{"Use Encryption for Data", Property::Encrypt},
    KeyName{"TrustServerCertificate", Property::TrustServerCertificate},
    KeyName{"Trust Server Certificate", Property::TrustServerCertificate},
    KeyName{"Connect Timeout", Property::ConnectTimeout},
    KeyName{"Connection Timeout", Property::ConnectTimeout},
    KeyName{"Timeout", Property::ConnectTimeout},
    KeyName{"Application Name", Property::ApplicationName},
    KeyName{"APP", Property::ApplicationName},
    KeyName{"Current Language", Property::Language},
    KeyName{"Language", Property::Language},
    KeyName{"Application Intent", Property::ApplicationIntent},
    KeyName{"ApplicationIntent", Property::ApplicationIntent},
    KeyName{"MultiSubnetFailover", Property::MultiSubnetFailover},
    KeyName{"Multi Subnet Failover", Property::MultiSubnetFailover},
    KeyName{"Failover Partner", Property::FailoverPartner},
    KeyName{"Failover_Partner", Property::FailoverPartner},
    KeyName{"Server SPN", Property::ServerSpn},
    KeyName{"ServerSPN", Property::ServerSpn},
    KeyName{"Host Name In Certificate", Property::HostNameInCertificate},
    KeyName{"HostNameInCertificate", Property::HostNameInCertificate},
    KeyName{"Authentication", Property::Authentication},
    KeyName{"Connect Retry Count", Property::ConnectRetryCount},
    KeyName{"ConnectRetryCount", Property::ConnectRetryCount},
    KeyName{"Connect Retry Interval", Property::ConnectRetryInterval},
    KeyName{"ConnectRetryInterval", Property::ConnectRetryInterval},
    KeyName{"Network Library", Property::NetworkLibrary},
    KeyName{"Network", Property::NetworkLibrary},
    KeyName{"Net", Property::NetworkLibrary},
    // OLE DB's own idea of showing the password back (ADO's ConnectionString).
    KeyName{"Persist Security Info", Property::Ignored},
    KeyName{"Workstation ID", Property::Ignored},
    KeyName{"WSID", Property::Ignored},
    KeyName{"Packet Size", Property::Ignored},
    // ODBC text arrives as Unicode: there is no code page to translate through.
    KeyName{"Auto Translate", Property::Ignored},
    KeyName{"AutoTranslate", Property::Ignored},
    KeyName{"Use Procedure for Prepare", Property::Ignored},
    KeyName{"Locale Identifier", Property::Ignored},
    KeyName{"MARS Connection", Property::Ignored},
    KeyName{"MarsConn", Property::Ignored},
    KeyName{"DataTypeCompatibility", Property::Ignored},
    KeyName{"Tag with column collation when possible", Property::Ignored},
    // Pooling is the connection's own; prompting never happens.
    KeyName{"OLE DB Services", Property::Ignored},
    KeyName{"Prompt", Property::Ignored},
    // The library only reads; its connection enforces that itself.
    KeyName{"Mode", Property::Ignored},
    KeyName{"General Timeout", Property::Ignored},
    KeyName{"Transparent Network IP Resolution", Property::Ignored},
    KeyName{"TransparentNetworkIPResolution", Property::Ignored},
    KeyName{"Failover Partner SPN", Property::Ignored},
    KeyName{"Initial File Name", Property::Unsupported},
    KeyName{"AttachDBFileName", Property::Unsupported},
    KeyName{"Access Token", Property::Unsupported},
    KeyName{"Extended Properties", Property::Unsupported},
    KeyName{"Server Certificate", Property::Unsupported},
    KeyName{"ServerCertificate", Property::Unsupported},
};

constexpr std::array<std::string_view, 7> kProviders = {"SQLOLEDB",  "MSOLEDBSQL", "MSOLEDBSQL19", "SQLNCLI",
                                                         "SQLNCLI10", "SQLNCLI11",  ""};

[[noreturn]] void Refuse(const std::string& why) {
    sqlite::RaiseProviderError(sqlite::kOpenError, "Connection string refused: " + why);
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

const KeyName* FindKey(std::string_view key) {
    for (const KeyName& known : kKeys)
        if (EqualsNoCase(known.name, key)) return &known;
    return nullptr;
}

bool IsPasswordKey(std::string_view key) {
    const KeyName* known = FindKey(key);
    return known != nullptr && known->property == Property::Password;
}

// Yes/no values as the providers spell them.
bool Flag(const Attribute& attribute, bool allowSspi = false) {
    const std::string value = Upper(attribute.value);
    if (value == "TRUE" || value == "YES" || value == "1" || (allowSspi && value == "SSPI")) return true;
    if (value == "FALSE" || value == "NO" || value == "0") return false;
    Refuse("'" + attribute.key + "' must be true or false, not '" + attribute.value + "'");
}

std::uint32_t Seconds(const Attribute& attribute) {
    std::uint32_t seconds = 0;
    const std::string_view text = attribute.value;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || seconds > 65535)
        Refuse("'" + attribute.key + "' must be a number of seconds from 0 to 65535, not '" + attribute.value + "'");
    return seconds;
}

struct ServerAddress {
    std::string host;  // with "\instance" when one is named
    std::string port;
};

// "host", "host,port", "host\instance", "tcp:host,port"; "(local)" and "."
// are this machine.
ServerAddress ParseServer(const Attribute& attribute) {
    std::string_view value = TrimSpace(attribute.value);
    if (value.size() > 4 && EqualsNoCase(value.substr(0, 4), "tcp:")) value.remove_prefix(4);
    if (value.find(':') != std::string_view::npos)
        Refuse("'" + attribute.key + "' names a protocol other than TCP ('" + attribute.value +
               "'); only TCP reaches SQL Server from here");
    ServerAddress address;
    const std::size_t comma = value.find(',');
    address.host = std::string(TrimSpace(value.substr(0, comma)));
    if (comma != std::string_view::npos) {
        address.port = std::string(TrimSpace(value.substr(comma + 1)));
        const bool digits = !address.port.empty() && address.port.size() <= 5 &&
                            address.port.find_first_not_of("0123456789") == std::string::npos;
        if (!digits) Refuse("'" + attribute.key + "' has a port that is no number: '" + attribute.value + "'");
    }
    if (address.host == "(local)" || address.host == ".") address.host = "localhost";
    if (address.host.starts_with("(local)\\") || address.host.starts_with(".\\"))
        address.host = "localhost" + address.host.substr(address.host.find('\\'));
    if (address.host.empty()) Refuse("'" + attribute.key + "' names no server");
    return address;
}

// Encrypt as the driver spells it; nothing when the driver has no spelling
// for the value.
std::string EncryptValue(const Attribute& attribute, DriverDialect dialect) {
    const std::string value = Upper(attribute.value);
    const bool on = value == "TRUE" || value == "YES" || value == "MANDATORY" || value == "1";
    const bool off = value == "FALSE" || value == "NO" || value == "OPTIONAL" || value == "0";
    const bool strict = value == "STRICT";
    if (!on && !off && !strict)
        Refuse("'" + attribute.key + "' must be true, false, mandatory, optional or strict, not '" + attribute.value + "'");
    if (dialect == DriverDialect::FreeTds) {
        if (strict) Refuse("'" + attribute.key + "=strict' is not supported by the FreeTDS driver");
        return on ? "require" : "request";
    }
    if (strict && dialect == DriverDialect::Vendor17)
        Refuse("'" + attribute.key + "=strict' needs ODBC Driver 18 for SQL Server");
    return strict ? "Strict" : on ? "Yes" : "No";
}

}  // namespace

std::vector<Attribute> ParseOleDbProperties(std::string_view text) {
    std::vector<Attribute> properties;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t equals = text.find('=', i);
        const std::size_t semicolon = text.find(';', i);
        const std::string_view piece = TrimSpace(text.substr(i, std::min(equals, semicolon) - i));
        if (semicolon < equals || equals == std::string_view::npos) {
            // After an unquoted password the piece may be the rest of it.
            if (!piece.empty() && !properties.empty() && IsPasswordKey(properties.back().key))
                Refuse("a piece without '=' follows the password (quote a password that holds ';')");
            if (!piece.empty()) Refuse("'" + std::string(piece) + "' has no value");
            if (semicolon == std::string_view::npos) break;
            i = semicolon + 1;
            continue;
        }
        Attribute property{std::string(piece), {}};
        if (property.key.empty()) Refuse("a value without a key");
        i = equals + 1;
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
            const char quote = text[i++];
            for (;;) {
                if (i >= text.size()) Refuse("the value of '" + property.key + "' has no closing quote");
                if (text[i] == quote) {
                    if (i + 1 < text.size() && text[i + 1] == quote) {
                        property.value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                property.value += text[i++];
            }
            const std::size_t end = text.find(';', i);
            if (!TrimSpace(text.substr(i, end == std::string_view::npos ? end : end - i)).empty())
                Refuse("text after the quoted value of '" + property.key + "'");
            i = end == std::string_view::npos ? text.size() : end + 1;
        } else {
            const std::size_t end = text.find(';', i);
            property.value = std::string(TrimSpace(text.substr(i, end == std::string_view::npos ? end : end - i)));
            i = end == std::string_view::npos ? text.size() : end + 1;
        }
        properties.push_back(std::move(property));
    }
    return properties;
}

bool IsSqlServerProvider(std::string_view provider) {
    provider = TrimSpace(provider);
    // A version suffix: "SQLOLEDB.1", "SQLNCLI11.1".
    if (const std::size_t dot = provider.find('.'); dot != std::string_view::npos) {
        const std::string_view version = provider.substr(dot + 1);
        if (version.empty() || version.find_first_not_of("0123456789") != std::string_view::npos) return false;
        provider = provider.substr(0, dot);
    }
    for (const std::string_view known : kProviders)
        if (!known.empty() && EqualsNoCase(known, provider)) return true;
    return false;
}

OdbcTarget MapOleDbToOdbc(std::string_view connectString, const SqlServerDriver& driver) {
    const std::vector<Attribute> properties = ParseOleDbProperties(connectString);
    std::map<Property, Attribute> given;
    for (std::size_t i = 0; i < properties.size(); ++i) {
        const Attribute& property = properties[i];
        const KeyName* known = FindKey(property.key);
        // After an unquoted password that held ';' the "key" may be the rest of it.
        if (known == nullptr && i > 0 && IsPasswordKey(properties[i - 1].key))
            Refuse("an unknown key follows the password (quote a password that holds ';')");
        if (known == nullptr)
            Refuse("the key '" + property.key +
                   "' is not a key of the SQL Server OLE DB providers (see the README for the keys that are mapped "
                   "to ODBC)");
        if (known->property == Property::Unsupported)
            Refuse("the key '" + property.key + "' cannot be honoured through ODBC");
        if (known->property == Property::Ignored) continue;
        const auto [entry, added] = given.emplace(known->property, property);
        if (!added) Refuse("'" + property.key + "' is given twice (also as '" + entry->second.key + "')");
    }
    const auto find = [&given](Property property) -> const Attribute* {
        const auto entry = given.find(property);
        return entry == given.end() ? nullptr : &entry->second;
    };
    const bool freeTds = driver.dialect == DriverDialect::FreeTds;
    const auto unsupportedHere = [&](const Attribute& attribute) {
        Refuse("the key '" + attribute.key + "' has no equivalent in the driver '" + driver.name + "'");
    };

    OdbcTarget target;
    target.context.driver = driver.name;
    std::string& out = target.connectionString;
    const auto add = [&out](std::string_view key, std::string_view value) {
        out += std::string(key) + "=" + OdbcValue(value) + ";";
    };
    out = "Driver={";
    for (const char c : driver.name) out += c == '}' ? std::string("}}") : std::string(1, c);
    out += "};";

    if (const Attribute* provider = find(Property::Provider); provider && !IsSqlServerProvider(provider->value))
        Refuse("the provider '" + provider->value + "' is not a SQL Server provider");
    const Attribute* server = find(Property::Server);
    if (server == nullptr) Refuse("it names no server (Data Source or Server)");
    const ServerAddress address = ParseServer(*server);
    if (freeTds) {
        add("Server", address.host);
        if (!address.port.empty()) add("Port", address.port);
    } else {
        add("Server", address.port.empty() ? address.host : address.host + "," + address.port);
    }
    if (const Attribute* database = find(Property::Database)) add("Database", database->value);

    const Attribute* integrated = find(Property::IntegratedSecurity);
    if (integrated != nullptr && Flag(*integrated, true)) {
        // Integrated security wins over a user and password, as with the providers.
        add("Trusted_Connection", "Yes");
    } else {
        if (const Attribute* user = find(Property::User)) add("UID", user->value);
        if (const Attribute* password = find(Property::Password)) {
            add("PWD", password->value);
            target.context.secret = password->value;
        }
    }

    if (const Attribute* encrypt = find(Property::Encrypt)) {
        add(freeTds ? "Encryption" : "Encrypt", EncryptValue(*encrypt, driver.dialect));
    } else if (!freeTds) {
        // The providers' own default: MSOLEDBSQL19 encrypts, the older ones do
        // not. Driver 18 alone would encrypt and check the certificate.
        const Attribute* provider = find(Property::Provider);
        const bool mandatory = provider && Upper(TrimSpace(provider->value)).starts_with("MSOLEDBSQL19");
        add("Encrypt", mandatory ? "Yes" : "No");
    }
    if (const Attribute* trust = find(Property::TrustServerCertificate)) {
        const bool on = Flag(*trust);
        // FreeTDS checks a certificate only when freetds.conf names a CA file.
        if (!freeTds) add("TrustServerCertificate", on ? "Yes" : "No");
    }
    if (const Attribute* timeout = find(Property::ConnectTimeout)) target.loginTimeoutSeconds = Seconds(*timeout);
    if (const Attribute* application = find(Property::ApplicationName)) add("APP", application->value);
    if (const Attribute* language = find(Property::Language)) add("Language", language->value);
    if (const Attribute* intent = find(Property::ApplicationIntent)) {
        const std::string value = Upper(intent->value);
        if (value != "READONLY" && value != "READWRITE")
            Refuse("'" + intent->key + "' must be ReadOnly or ReadWrite, not '" + intent->value + "'");
        add("ApplicationIntent", value == "READONLY" ? "ReadOnly" : "ReadWrite");
    }
    if (const Attribute* failover = find(Property::MultiSubnetFailover)) {
        const bool on = Flag(*failover);
        if (!freeTds) add("MultiSubnetFailover", on ? "Yes" : "No");
    }
    if (const Attribute* partner = find(Property::FailoverPartner)) {
        if (freeTds) unsupportedHere(*partner);
        add("Failover_Partner", partner->value);
    }
    if (const Attribute* spn = find(Property::ServerSpn)) add("ServerSPN", spn->value);
    if (const Attribute* host = find(Property::HostNameInCertificate)) {
        if (driver.dialect != DriverDialect::Vendor18) unsupportedHere(*host);
        add("HostNameInCertificate", host->value);
    }
    if (const Attribute* authentication = find(Property::Authentication)) {
        if (freeTds) unsupportedHere(*authentication);
        add("Authentication", authentication->value);
    }
    for (const auto& [property, name] : {std::pair{Property::ConnectRetryCount, "ConnectRetryCount"},
                                         std::pair{Property::ConnectRetryInterval, "ConnectRetryInterval"}}) {
        if (const Attribute* retry = find(property)) {
            const std::uint32_t value = Seconds(*retry);
            if (!freeTds) add(name, std::to_string(value));
        }
    }
    if (const Attribute* network = find(Property::NetworkLibrary); network && !EqualsNoCase(TrimSpace(network->value), "dbmssocn"))
        Refuse("'" + network->key + "' names a network library other than TCP (dbmssocn)");
    return target;
}

}  // namespace ovardx::odbc
