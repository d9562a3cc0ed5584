// The property string: the parse, the keyed lookups and the raw lookup of
// the language, on any text. The database probe answers from a stand-in,
// so only the text is under test. Anything but ovardx::Error escaping, or a
// crash, is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "ovardx/ComponentRegistry.h"
#include "ovardx/DatabaseConnection.h"
#include "ovardx/Error.h"
#include "session/MParse.h"
#include "sqlite_backend/ConnectionString.h"

namespace {

// Answers the service pack probe without a database.
class ProbeConnection final : public ovardx::DatabaseConnection {
public:
    void ConnString(const std::string&) override {}
    std::shared_ptr<ovardx::Recordset> GetAnyRecordSet(std::string&) override {
        return std::make_shared<ovardx::Recordset>(std::vector<std::string>{"FValue"},
                                                   std::vector<std::vector<ovardx::Variant>>{{ovardx::Variant("SP2")}});
    }
    void CloseConn() override {}
};

template <class Call>
void ErrorsOnly(Call call) {
    try {
        call();
    } catch (const ovardx::Error&) {
        // Refusals are expected; they carry number, source and description.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        ovardx::ComponentRegistry::Register<ovardx::DatabaseConnection>(
            ovardx::kConnectionProgId, [] { return std::make_shared<ProbeConnection>(); });
        return true;
    }();
    (void)registered;
    const std::string text(reinterpret_cast<const char*>(data), size);

    for (const char* key : {"Language", "language", "UserID", "ConnectString"})
        (void)ovardx::GetPropFromString(text, key);
    ErrorsOnly([&] {
        ovardx::ParsePropsString(text);
        ErrorsOnly([] { (void)ovardx::GetUserID(); });
        ErrorsOnly([] { (void)ovardx::sqlite::DataSourceOf(ovardx::GetConnectString()); });
    });
    return 0;
}
