#include "session/AccessCheck.h"

#include "ovardx/ComponentRegistry.h"
#include "session/CaughtError.h"
#include "session/ErrorText.h"
#include "session/LocalizedText.h"
#include "session/MParse.h"
#include "session/OpenConnection.h"

namespace ovardx {

namespace {

constexpr std::int64_t kWebServiceRight = 0x00100000;

// A short-lived connection of the checks' own, released without CloseConn.
// Its statements read one state of the database, so a connection that can
// tell the state answers them from what it read before while nothing changed.
std::shared_ptr<DatabaseConnection> OwnConnection() {
    auto connection = ComponentRegistry::Create<DatabaseConnection>(kConnectionProgId);
    connection->ConnString(GetConnectString());
    connection->HoldSnapshot();
    return connection;
}

}  // namespace

std::int32_t GetActiveUserID(DatabaseConnection& connection) noexcept {
    try {
        auto rows = OpenRecordset(connection, "SELECT FUserID, FName, FForbidden FROM t_User WHERE FUserID=" +
                                                  std::to_string(GetUserID()));
        if (rows->Eof()) return -1;
        const Variant forbidden = rows->Value("FForbidden");
        if (forbidden.IsNull() || forbidden.ToInt64() != 0) return -1;
        return rows->Value("FUserID").ToInt32();
    } catch (...) {
        return -1;
    }
}

bool IsAdministrator() noexcept {
    try {
        auto connection = OwnConnection();
        const std::int32_t userId = GetActiveUserID(*connection);
        // No blank before "AND t_Group.FGroupID": the server reads the number
        // and the keyword as two tokens.
        auto rows = OpenRecordset(*connection, "SELECT t_User.FUserID FROM t_Group, t_User "
                                               "WHERE t_Group.FUserID = t_User.FUserID "
                                               "AND t_User.FUserID = " +
                                                   std::to_string(userId) + "AND t_Group.FGroupID = 1");
        return !rows->Eof();
    } catch (...) {
        return false;
    }
}

bool HasWebServiceAccess() {
    auto connection = OwnConnection();
    const std::int32_t userId = GetActiveUserID(*connection);
    auto rows = OpenRecordset(*connection, "SELECT * FROM t_AccessControl WHERE  FObjectType=16 AND FUserID=" +
                                               std::to_string(userId));
    if (rows->Eof()) return false;
    const Variant mask = rows->Value("FAccessMask");
    if (mask.IsNull()) return false;
    return (mask.ToInt64() & kWebServiceRight) == kWebServiceRight;
}

bool AuthorizeSession(const std::string& strPropsString, std::string& strError) noexcept {
    std::string language = "chs";
    try {
        ParsePropsString(strPropsString);
        language = GetPropFromString(strPropsString, "language");
        // Both checks always run, in this order.
        const bool administrator = IsAdministrator();
        const bool webServiceAccess = HasWebServiceAccess();
        if (administrator || webServiceAccess) return true;
        strError = LoadLocalizedText(kNotAuthorizedText, language);
        return false;
    } catch (...) {
        strError = BuildErrorText(CaughtErrorRecord(), language);
        return false;
    }
}

}  // namespace ovardx
