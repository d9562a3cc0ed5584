// The configuration file, the key hashes and the property string: what
// `ovardx serve` refuses before it serves anything.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/ovardx/serve/ErrorScrubber.h"
#include "tools/ovardx/serve/Exchange.h"
#include "tools/ovardx/serve/KeyHash.h"
#include "tools/ovardx/serve/PropsString.h"
#include "tools/ovardx/serve/ServeConfig.h"

namespace ovardx::serve {
namespace {

const std::string kHash = HashKey(NewKey());

std::string KeySection(const std::string& extra = {}) {
    return "[key:partner-a]\nhash = " + kHash + "\nuser = 17\n" + extra;
}

TEST(ServeConfigTest, TheDocumentedExampleReads) {
    const ServeConfig config = ParseServeConfig(
        "[serve]\n"
        "listen = 127.0.0.1:8080          ; address:port\n"
        "connect-string = Provider=SQLite;Data Source=/srv/erp.db\n"
        "setup-type = standard\n"
        "workers = 8\n"
        "max-body-bytes = 67108864\n"
        "\n"
        "[key:partner-a]                  ; one section per API key\n"
        "hash = " + kHash + "\n"
        "user = 17                        ; the ERP user this key acts as\n"
        "language = eng\n",
        "serve.ini");
    EXPECT_EQ(config.host, "127.0.0.1");
    EXPECT_EQ(config.port, 8080);
    EXPECT_EQ(config.connectString, "Provider=SQLite;Data Source=/srv/erp.db");
    EXPECT_EQ(config.workers, 8);
    EXPECT_EQ(config.maxBodyBytes, 67108864u);
    ASSERT_EQ(config.keys.size(), 1u);
    EXPECT_EQ(config.keys[0].id, "partner-a");
    EXPECT_EQ(config.keys[0].user, 17);
    EXPECT_EQ(config.keys[0].language, "eng");
    EXPECT_FALSE(config.Tls());
}

TEST(ServeConfigTest, RefusesWhatCannotServeNamingTheLine) {
    const std::string serve = "[serve]\nconnect-string = Provider=SQLite;Data Source=/srv/erp.db\n";
    struct Case {
        std::string text;
        std::string message;
    };
    const std::vector<Case> cases{
        {serve + "lisen = 127.0.0.1:80\n" + KeySection(), "serve.ini:3: unknown name 'lisen' in [serve]"},
        {serve + "workers = 8\nworkers = 9\n" + KeySection(), "serve.ini:4: 'workers' is given twice"},
        {serve + "workers = 0\n" + KeySection(), "serve.ini:3: workers must be a whole number from 1"},
        {serve + "listen = 127.0.0.1\n" + KeySection(), "serve.ini:3: listen must be address:port"},
        {serve + "listen = 127.0.0.1:70000\n" + KeySection(), "serve.ini:3: the port of listen"},
        {"[serve]\nconnect-string = Data Source=/x.db};UserID=16;x={\n" + KeySection(),
         "serve.ini:2: connect-string must hold no braces"},
        {serve + "setup-type = standard;UserID=16\n" + KeySection(), "serve.ini:3: setup-type takes letters"},
        {serve + KeySection("language = eng;UserID=16\n"), "serve.ini:6: language must be two to eight letters"},
        {serve + KeySection("role = admin\n"), "serve.ini:6: unknown name 'role'"},
        {serve + "[keys]\nx = 1\n", "serve.ini:4: unknown section [keys]"},
        {serve + "[key:a b]\nuser = 1\n", "serve.ini:4: a key's name"},
        {serve + "[key:a]\nhash = sha256$00$11\nuser = 1\n", "serve.ini:4: hash is not what"},
        {serve + "[key:a]\nuser = 17\n", "serve.ini:4: [key:a] has no hash"},
        {serve, "serve.ini: no [key:NAME] section"},
        {"[serve]\nworkers = 2\n" + KeySection(), "serve.ini: [serve] has no connect-string"},
        {serve + "tls-cert = /etc/cert.pem\n" + KeySection(), "tls-cert and tls-key go together"},
        {serve + "this line has no equals sign\n" + KeySection(), "serve.ini:3: not a section"},
        {serve + "plan-tsql = " + std::string(300, 'x') + "\n" + KeySection(), "serve.ini:3: the line is too long"},
    };
    for (const Case& c : cases) {
        try {
            ParseServeConfig(c.text, "serve.ini");
            ADD_FAILURE() << "accepted:\n" << c.text;
        } catch (const ConfigError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos)
                << "expected: " << c.message << "\n     got: " << error.what();
        }
    }
}

TEST(ServeConfigTest, KeyHashesAreSaltedAndMatchOnlyTheirKey) {
    const std::string key = NewKey();
    EXPECT_TRUE(IsAcceptableKey(key));
    const std::string first = HashKey(key);
    const std::string second = HashKey(key);
    EXPECT_NE(first, second) << "each hash has its own salt";
    EXPECT_TRUE(IsKeyHash(first));
    EXPECT_TRUE(KeyMatches(key, first));
    EXPECT_TRUE(KeyMatches(key, second));
    EXPECT_FALSE(KeyMatches(NewKey(), first));
    EXPECT_FALSE(KeyMatches(key + "x", first));
    EXPECT_FALSE(KeyMatches(key, "sha256$" + std::string(32, '0') + "$" + std::string(64, '0')));
    EXPECT_FALSE(KeyMatches(key, "plain:" + key));
}

TEST(ServeConfigTest, KeysAreLongRandomTokens) {
    EXPECT_FALSE(IsAcceptableKey("secret"));
    EXPECT_FALSE(IsAcceptableKey(std::string(31, 'a')));
    EXPECT_TRUE(IsAcceptableKey(std::string(32, 'a')));
    EXPECT_FALSE(IsAcceptableKey(std::string(257, 'a')));
    EXPECT_FALSE(IsAcceptableKey(std::string(31, 'a') + " b"));
    EXPECT_FALSE(IsAcceptableKey(std::string(31, 'a') + ";b"));
    EXPECT_TRUE(IsAcceptableKey(std::string(40, 'a') + "=="));
    EXPECT_FALSE(IsAcceptableKey(std::string(40, '=')));
}

TEST(ServeConfigTest, PropertyStringPutsTheLanguageFirstAndTheConnectStringInBraces) {
    EXPECT_EQ(BuildPropsString("Provider=SQLite;Data Source=/srv/erp.db", 17, "standard", "eng"),
              "Language=eng;ConnectString={Provider=SQLite;Data Source=/srv/erp.db};UserID=17;Setuptype=standard");
}

TEST(ServeConfigTest, ScrubberTakesOutTheDatabaseAndEveryAbsolutePath) {
    const ErrorScrubber scrub("Provider=SQLite;Data Source=\"/srv/erp data/erp.db\"");
    EXPECT_EQ(scrub("Error number:-2147467259\nError source:P\nError description:unable to open database file: "
                    "/srv/erp data/erp.db"),
              "Error number:-2147467259\nError source:P\nError description:unable to open database file: [database]");
    EXPECT_EQ(scrub("The document does not match the schema '/opt/ov/SCHEMA/Delete.xsd': line 4"),
              "The document does not match the schema '[path]': line 4");
    EXPECT_EQ(scrub("bad date 2025/01/01 and a/b"), "bad date 2025/01/01 and a/b");
}

// The statuses hang on these: a three-line text is never the gate's refusal,
// and a lock held past the busy timeout is 503.
TEST(ServeConfigTest, LibraryErrorTextsAreToldApart) {
    const std::string busy =
        "错误号:-2147217900\r\n错误源:OVArDataExchange SQLite Provider\r\n错误描述:database is locked (another "
        "connection kept it locked for longer than the busy timeout; see BusyTimeout in the configuration file)";
    const std::string open = "Error number:-2147467259\r\nError source:OVArDataExchange SQLite Provider\r\n"
                             "Error description:unable to open database file: [database]";
    EXPECT_TRUE(IsThreeLineError(busy));
    EXPECT_TRUE(IsBusyError(busy));
    EXPECT_TRUE(IsThreeLineError(open));
    EXPECT_FALSE(IsBusyError(open));
    for (const std::string& plain :
         {std::string("The current user is not authorized to process data through WebServices!"),
          std::string("The XML document is refused: line 1: database is locked\nx:y\nz:w")})
        EXPECT_FALSE(IsThreeLineError(plain)) << plain;
}

}  // namespace
}  // namespace ovardx::serve
