#include <stdexcept>

#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

std::string SessionOptions::PropsString() const {
    if (!props.empty()) return props;
    std::string text = "ConnectString={Provider=SQLite;Data Source=" + database + "};UserID=" + std::to_string(userId) +
                       ";Setuptype=standard";
    if (!language.empty()) text += ";Language=" + language;
    return text;
}

void AddSessionOptions(CLI::App& command, SessionOptions& options) {
    CLI::Option* props = command.add_option("--props", options.props, "Property string passed as it stands");
    CLI::Option* database = command.add_option("--db", options.database, "Embedded ERP database file");
    CLI::Option* user = command.add_option("--user", options.userId, "ERP user id (FUserID)");
    command.add_option("--language", options.language, "Language of messages: chs, cht, eng");
    database->excludes(props)->needs(user);
    user->needs(database);
    command.callback([&options, &command] {
        if (options.props.empty() && options.database.empty())
            throw CLI::RequiredError("--db and --user, or --props,");
        (void)command;
    });
}

}  // namespace ovardx::tool
