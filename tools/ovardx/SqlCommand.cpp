#include <sqlite3.h>

#include <iostream>
#include <memory>
#include <string>

#include "sqlite_backend/SqliteConnection.h"
#include "tools/ovardx/ResultPrinter.h"
#include "tools/ovardx/Subcommand.h"

namespace ovardx::tool {

namespace {

struct SqlOptions {
    std::string database;
    std::string statement;
    CLI::Option* statementOption = nullptr;
};

// "Provider=SQLite;Data Source=PATH", the path quoted when it holds a ";"
// or blanks at either end.
std::string ConnectStringFor(const std::string& path) {
    const bool quote = path.find(';') != std::string::npos ||
                       (!path.empty() && (path.front() == ' ' || path.back() == ' '));
    return "Provider=SQLite;Data Source=" + (quote ? "\"" + path + "\"" : path);
}

// Runs one batch of statements and prints the rows of its last query, or
// the number of rows its last write changed.
void RunBatch(sqlite::SqliteConnection& connection, std::string text) {
    const std::shared_ptr<Recordset> rows = connection.GetAnyRecordSet(text);
    if (rows && rows->FieldCount() > 0) {
        PrintRecordset(std::cout, *rows);
    } else {
        std::cout << ChangedRowsText(connection.LastChanges()) << '\n';
    }
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t\r\n;") == std::string::npos; }

int RunSql(const SqlOptions& options) {
    // Built by the same factory the library registers for the connection
    // component; LastChanges belongs to the SQLite connection.
    const std::shared_ptr<DatabaseConnection> component = sqlite::CreateSqliteConnection();
    auto& connection = dynamic_cast<sqlite::SqliteConnection&>(*component);
    connection.ConnString(ConnectStringFor(options.database));

    if (options.statementOption->count() > 0) {
        RunBatch(connection, options.statement);
    } else {
        // Standard input: each statement ended by ";" at the end of a line
        // runs on its own, as soon as it is complete; a rest without ";"
        // runs at the end of the input.
        std::string batch, line;
        while (std::getline(std::cin, line)) {
            batch += line;
            batch += '\n';
            if (sqlite3_complete(batch.c_str()) && !IsBlank(batch)) {
                RunBatch(connection, batch);
                batch.clear();
            }
        }
        if (!IsBlank(batch)) RunBatch(connection, batch);
    }
    connection.CloseConn();
    return 0;
}

}  // namespace

Subcommand AddSqlCommand(CLI::App& app) {
    auto options = std::make_shared<SqlOptions>();
    CLI::App* parser = app.add_subcommand("sql", "Run T-SQL statements on a database file");
    parser->add_option("--db", options->database, "Database file (must exist)")->required();
    options->statementOption =
        parser->add_option("STATEMENT", options->statement, "Statements to run; standard input when absent");
    return {parser, [options] { return RunSql(*options); }};
}

}  // namespace ovardx::tool
