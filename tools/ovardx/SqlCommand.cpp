#include "tools/ovardx/SqlCommand.h"

#include <sqlite3.h>

#include <iostream>
#include <memory>

#include "sqlite_backend/SqliteConnection.h"
#include "tools/ovardx/ResultPrinter.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

namespace {

// "Provider=SQLite;Data Source=PATH", the path quoted when it holds a ";"
// or blanks at either end.
std::string ConnectStringFor(const std::string& path) {
    const bool quote = path.find(';') != std::string::npos ||
                       (!path.empty() && (path.front() == ' ' || path.back() == ' '));
    return "Provider=SQLite;Data Source=" + (quote ? "\"" + path + "\"" : path);
}

void RunBatch(sqlite::SqliteConnection& connection, std::string text, std::ostream& out) {
    const std::shared_ptr<Recordset> rows = connection.GetAnyRecordSet(text);
    if (rows && rows->FieldCount() > 0) {
        PrintRecordset(out, *rows);
    } else {
        out << ChangedRowsText(connection.LastChanges()) << '\n';
    }
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t\r\n;") == std::string::npos; }

}  // namespace

int RunSql(const std::string& database, const std::string* statement, std::istream& in, std::ostream& out) {
    // The library's own connection component, but one that runs whole
    // scripts, writes included.
    sqlite::SqliteConnection connection(sqlite::SqliteConnection::Policy::Scripts);
    connection.ConnString(ConnectStringFor(database));

    if (statement != nullptr) {
        RunBatch(connection, *statement, out);
    } else {
        std::string batch, line;
        while (std::getline(in, line)) {
            batch += line;
            batch += '\n';
            if (sqlite3_complete(batch.c_str()) && !IsBlank(batch)) {
                RunBatch(connection, batch, out);
                batch.clear();
            }
        }
        if (!IsBlank(batch)) RunBatch(connection, batch, out);
    }
    connection.CloseConn();
    return 0;
}

Subcommand AddSqlCommand(CLI::App& app) {
    struct Options {
        std::string database;
        std::string statement;
        CLI::Option* statementOption = nullptr;
    };
    auto options = std::make_shared<Options>();
    CLI::App* parser = app.add_subcommand("sql", "Run T-SQL statements on a database file");
    parser->add_option("--db", options->database, "Database file (must exist)")->required();
    options->statementOption =
        parser->add_option("STATEMENT", options->statement, "Statements to run; standard input when absent");
    parser->footer("Example: the users of the demo database:\n"
                   "  ovardx sql --db demo.db \"SELECT FUserID, FName FROM t_User\"");
    return {parser, [options] {
                const bool given = options->statementOption->count() > 0;
                return RunSql(options->database, given ? &options->statement : nullptr, std::cin, std::cout);
            }};
}

}  // namespace ovardx::tool
