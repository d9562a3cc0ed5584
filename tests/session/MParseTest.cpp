#include "session/MParse.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "ovardx/ComponentRegistry.h"
#include "ovardx/DatabaseConnection.h"
#include "ovardx/Error.h"

namespace ovardx {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kProbeSql =
    "SELECT FValue FROM T_SYSTEMPROFILE WHERE FCategory='Base' AND FKey='ServicePack'";

// What the fake connections of one test saw.
struct ConnectionLog {
    std::vector<std::string> connectStrings;
    std::vector<std::string> statements;
    int closes = 0;
};

// Stands in for the database: records what it is told and answers each
// statement with what the test wants (or raises).
class FakeConnection : public DatabaseConnection {
public:
    using Answer = std::function<std::shared_ptr<Recordset>(const std::string&)>;
    FakeConnection(std::shared_ptr<ConnectionLog> log, Answer answer)
        : log_(std::move(log)), answer_(std::move(answer)) {}
    void ConnString(const std::string& connectString) override { log_->connectStrings.push_back(connectString); }
    std::shared_ptr<Recordset> GetAnyRecordSet(std::string& sql) override {
        log_->statements.push_back(sql);
        return answer_(sql);
    }
    void CloseConn() override { ++log_->closes; }

private:
    std::shared_ptr<ConnectionLog> log_;
    Answer answer_;
};

std::shared_ptr<Recordset> ServicePackRows(std::vector<std::vector<Variant>> rows) {
    return std::make_shared<Recordset>(std::vector<std::string>{"FValue"}, std::move(rows));
}

class MParseTest : public ::testing::Test {
protected:
    void Answer(FakeConnection::Answer answer) { answer_ = std::move(answer); }

    std::shared_ptr<ConnectionLog> log_ = std::make_shared<ConnectionLog>();
    FakeConnection::Answer answer_ = [](const std::string&) { return ServicePackRows({{Variant("SP1")}}); };
    ScopedComponent connection_{kConnectionProgId, std::function<std::shared_ptr<DatabaseConnection>()>([this] {
                                    return std::make_shared<FakeConnection>(log_, answer_);
                                })};
};

void ExpectStored(const Pairs& expected) {
    EXPECT_EQ(SessionProperties().Count(), expected.size());
    for (const auto& [key, value] : expected) {
        ASSERT_TRUE(SessionProperties().Contains(key)) << "key '" << key << "'";
        EXPECT_EQ(SessionProperties().Get(key), value) << "key '" << key << "'";
    }
}

TEST(MParseTokenizerTest, SplitFirstTakesTheFrontToken) {
    const struct {
        std::string text, separator, token, rest;
    } cases[] = {
        {"a=b=c", "=", "a", "b=c"},
        {"abc", "=", "abc", ""},
        {"", "=", "", ""},
        {"=x", "=", "", "x"},
        {"a}}b", "}", "a", "}b"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(SplitFirst(text, c.separator), c.token) << "text '" << c.text << "'";
        EXPECT_EQ(text, c.rest) << "text '" << c.text << "'";
    }
}

TEST(MParseTokenizerTest, ValuesAreTrimmedOfSpacesOnlyAndBracesRunToTheFirstClose) {
    const struct {
        std::string text, value, rest;
    } cases[] = {
        {" 7 ;next", "7", "next"},
        {"{ a;b=c }junk;next", "a;b=c", "next"},
        {"{a{b}c};next", "a{b", "next"},
        {"{open;rest", "open;rest", ""},
        {"\t7\t;next", "\t7\t", "next"},
        {"   ", "", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(ReadPropValue(text), c.value) << "text '" << c.text << "'";
        EXPECT_EQ(text, c.rest) << "text '" << c.text << "'";
    }
    std::string text = "  User ID  = 5";
    EXPECT_EQ(ReadPropKey(text), "User ID");
    EXPECT_EQ(text, " 5");
}

TEST_F(MParseTest, ParsesThePropertyStringGrammar) {
    const struct {
        std::string props;
        std::int32_t error;  // 0: the parse succeeds
        Pairs stored;
    } cases[] = {
        {"ConnectString={Provider=SQLOLEDB;Data Source=srv};UserID=16;Setuptype=standard;Language=chs", 0,
         {{"ConnectString", "Provider=SQLOLEDB;Data Source=srv"}, {"UserID", "16"}, {"Setuptype", "standard"},
          {"Language", "chs"}}},
        {"ConnectString=c; UserID = 7 ;Setuptype=x", 0, {{"ConnectString", "c"}, {"UserID", "7"}, {"Setuptype", "x"}}},
        {"ConnectString=c;UserID={ 7 }junk;Setuptype=x", 0,
         {{"ConnectString", "c"}, {"UserID", "7"}, {"Setuptype", "x"}}},
        {"ConnectString=c;abc;UserID=5;Setuptype=x;", 0,
         {{"ConnectString", "c"}, {"abc;UserID", "5"}, {"Setuptype", "x"}}},
        {"ConnectString=c;Setuptype=x;tail", 0, {{"ConnectString", "c"}, {"Setuptype", "x"}, {"tail", ""}}},
        {"ConnectString=c;Setuptype=x;=after;UserID=1", 0, {{"ConnectString", "c"}, {"Setuptype", "x"}}},
        {"ConnectString=c;Setuptype=x;\tUserID=1", 0, {{"ConnectString", "c"}, {"Setuptype", "x"}, {"\tUserID", "1"}}},
        {"UserID=7;userid=8;Setuptype=x", errnum::kDuplicateKey, {{"UserID", "7"}}},
        {"UserID=7", errnum::kInvalidProcedureCall, {{"UserID", "7"}}},
        {"UserID=7; =x;Setuptype=y", errnum::kInvalidProcedureCall, {{"UserID", "7"}}},
        {"ConnectString={Provider=a;Setuptype=x", errnum::kInvalidProcedureCall,
         {{"ConnectString", "Provider=a;Setuptype=x"}}},
        {"Setuptype=x", errnum::kInvalidProcedureCall, {{"Setuptype", "x"}}},
        {"", errnum::kInvalidProcedureCall, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("props '" + c.props + "'");
        if (c.error == 0) {
            EXPECT_TRUE(ParsePropsString(c.props));
        } else {
            try {
                ParsePropsString(c.props);
                ADD_FAILURE() << "the parse succeeded";
            } catch (const Error& error) {
                EXPECT_EQ(error.record().Number, c.error);
            }
        }
        ExpectStored(c.stored);
    }
}

TEST_F(MParseTest, ErrorsNameTheKey) {
    try {
        ParsePropsString("UserID=7;userid=8");
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.record().Source, kRuntimeSource);
        EXPECT_NE(error.record().Description.find("'userid'"), std::string::npos) << error.record().Description;
    }
    try {
        ParsePropsString("UserID=7");
        FAIL();
    } catch (const Error& error) {
        EXPECT_NE(error.record().Description.find("'Setuptype'"), std::string::npos) << error.record().Description;
    }
}

TEST_F(MParseTest, EveryParseReplacesTheThreadsProperties) {
    ASSERT_TRUE(ParsePropsString("ConnectString=c;UserID=1;Setuptype=x"));
    EXPECT_THROW(ParsePropsString("Setuptype=x"), Error);
    ExpectStored({{"Setuptype", "x"}});
    EXPECT_THROW(GetConnectString(), Error);

    ASSERT_TRUE(ParsePropsString("ConnectString=main;Setuptype=x"));
    std::thread([] {
        EXPECT_EQ(SessionProperties().Count(), 0u);
        ParsePropsString("ConnectString=other;Setuptype=y");
        EXPECT_EQ(GetConnectString(), "other");
    }).join();
    EXPECT_EQ(GetConnectString(), "main");
}

TEST_F(MParseTest, GetUserIdConvertsToASixteenBitInteger) {
    const struct {
        std::string value;
        std::int32_t error;
        std::int16_t id;
    } cases[] = {
        {"16", 0, 16},
        {"32767", 0, 32767},
        {"-32768", 0, -32768},
        {"32768", errnum::kOverflow, 0},
        {"-32769", errnum::kOverflow, 0},
        {"99999999999", errnum::kOverflow, 0},
        {"abc", errnum::kTypeMismatch, 0},
        {"", errnum::kTypeMismatch, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("UserID '" + c.value + "'");
        SessionProperties() = PropertyCollection{};
        SessionProperties().Add("UserID", c.value);
        if (c.error == 0) {
            EXPECT_EQ(GetUserID(), c.id);
            continue;
        }
        try {
            GetUserID();
            ADD_FAILURE() << "no error";
        } catch (const Error& error) {
            EXPECT_EQ(error.record().Number, c.error);
            EXPECT_NE(error.record().Description.find("UserID"), std::string::npos);
        }
    }
    SessionProperties() = PropertyCollection{};
    try {
        GetUserID();
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.record().Number, errnum::kInvalidProcedureCall);
    }
}

TEST(MParseLookupTest, GetPropFromStringSearchesTheRawString) {
    const struct {
        std::string props, key, value;
    } cases[] = {
        {"UserID=1;LANGUAGE=cht", "Language", "cht"},
        {"UserID=1", "Language", "chs"},
        {"UserID=1", "language", ""},
        {"UserID=1", "LANGUAGE", ""},
        {"UserID=1", " Language ", "chs"},
        {"Language= ;UserID=1", "Language", "chs"},
        {"Language=", "Language", "chs"},
        {"Language= ;UserID=1", "language", " "},
        {"Language={chs}", "Language", "{chs}"},
        {"Language= eng ;", "Language", " eng "},
        {"MyLanguage=x;Language=y", "Language", "x"},
        {"ConnectString={a;Language=b};Language=c", "Language", "b}"},
        {"", "Language", "chs"},
        {"", "UserID", ""},
        {"UserID=5", "UserID", "5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetPropFromString(c.props, c.key), c.value) << "props '" << c.props << "' key '" << c.key << "'";
}

TEST_F(MParseTest, ServicePackProbeRunsOnItsOwnConnectionWithoutClosingIt) {
    ASSERT_TRUE(ParsePropsString("ConnectString={Provider=SQLite;Data Source=/tmp/x.db};Setuptype=standard"));
    EXPECT_EQ(log_->connectStrings, std::vector<std::string>{"Provider=SQLite;Data Source=/tmp/x.db"});
    EXPECT_EQ(log_->statements, std::vector<std::string>{kProbeSql});
    EXPECT_EQ(log_->closes, 0);
    EXPECT_EQ(ServicePack(), "SP1");
}

TEST_F(MParseTest, ServicePackProbeFailuresFailTheParse) {
    const struct {
        const char* what;
        FakeConnection::Answer answer;
        std::int32_t error;
    } cases[] = {
        {"null FValue", [](const std::string&) { return ServicePackRows({{Variant::Null()}}); },
         errnum::kInvalidUseOfNull},
        {"no recordset", [](const std::string&) { return std::shared_ptr<Recordset>(); }, errnum::kObjectRequired},
        {"failing statement",
         [](const std::string&) -> std::shared_ptr<Recordset> {
             Raise(-2147217865, "Microsoft OLE DB Provider for SQL Server", "Invalid object name 'T_SYSTEMPROFILE'.");
         },
         -2147217865},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Answer(c.answer);
        try {
            ParsePropsString("ConnectString=c;Setuptype=x");
            ADD_FAILURE() << "the parse succeeded";
        } catch (const Error& error) {
            EXPECT_EQ(error.record().Number, c.error);
        }
    }
}

TEST_F(MParseTest, ServicePackProbeAcceptsAnEmptyProfile) {
    Answer([](const std::string&) { return ServicePackRows({}); });
    EXPECT_TRUE(ParsePropsString("ConnectString=c;Setuptype=x"));
}

TEST_F(MParseTest, MissingConnectionComponentFailsTheParse) {
    ScopedComponent none(kConnectionProgId);
    try {
        ParsePropsString("ConnectString=c;Setuptype=x");
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.record().Number, errnum::kCannotCreateObject);
    }
}

}  // namespace
}  // namespace ovardx
