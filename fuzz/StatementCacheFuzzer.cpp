// The prepared-statement cache, differentially: read statements built from
// templates and values taken from the input run on the library's connection,
// which keeps its statements prepared and shares them between texts of one
// shape, and on a connection that prepares every text anew. Both must answer
// alike: the same error, or the same columns and rows with the same values
// and types in the same order. The cached connection lives across inputs, so
// the cache also fills up and evicts.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ovardx/Error.h"
#include "sqlite_backend/SqliteConnection.h"
#include "sqlite_backend/SqliteHandle.h"

namespace {

using ovardx::sqlite::SqliteConnection;

// No index besides the primary key: statements without ORDER BY scan in
// rowid order whether their values are literals or parameters.
constexpr const char* kSchema = R"sql(
CREATE TABLE t_Fz (
    FID INTEGER PRIMARY KEY,
    FNum INT,
    FName NVARCHAR(40) COLLATE NOCASE,
    FCode VARCHAR(40),
    FDate DATETIME,
    FFlag BIT,
    FVer ROWVERSION);
INSERT INTO t_Fz VALUES
 (1, 7, 'abc', 'abc', '2024-01-05', 1, X'0000000000000001'),
 (2, 7, 'ABC', 'ABC', '2024-01-05 00:00:00.000', 0, X'0000000000000002'),
 (3, 0, 'abc ', 'abc ', '2024-02-29 13:45:10.250', NULL, X'000000000000000A'),
 (4, NULL, NULL, NULL, NULL, NULL, NULL),
 (5, -1, '', '', '1900-01-01', 1, X'0000000000000000'),
 (6, 123456789, '123456789', '123456789', '2023-12-31 23:59:59.997', 0, X'00000000075BCD15'),
 (7, 1234567890, '1234567890', '1234567890', '2024-01-06', 1, X'00000000499602D2'),
 (8, 2147483648, 'it''s', 'it''s', '2024-01-05', 0, X'FFFFFFFFFFFFFFFF'),
 (9, 7, '7', '7', NULL, 1, X'0000000000000001'),
 (10, 42, '007', '007', '2025-07-14 12:00:00', 1, X'01'),
 (11, 1, '2024-01-05', '2024-01-05', '2024-01-05 12:30:00', 0, X'0001'),
 (12, 999999999, 'Straße', 'STRASSE', '2000-02-29', 1, X'7FFFFFFFFFFFFFFF'),
 (13, 0, 'x', 'X', '2024-01-05', NULL, X'0000000000000100'),
 (14, -7, 'xabc', 'xabc', '1999-12-31', 0, NULL),
 (15, 10, 'éé', 'ÉÉ', '2024-01-05 00:00:00.003', 1, X'0000000000000003'),
 (16, 7, 'a''b''''c', 'a''b''''c', '2024-03-01', 1, X'000000000000000B'),
 (17, NULL, '  ', '  ', '2024-01-05', 0, X'0000000000000004'),
 (18, 1, 'NULL', 'null', NULL, 1, X'00000000000000FF'),
 (19, 100, '1e5', '1E5', '2010-10-10', 0, X'0000000000000005'),
 (20, 0, '0x01', '0x01', '2024-01-05', 1, X'0000000000000006'),
 (21, 5, 'abc', 'aBc', '2024-01-07', 0, X'0000000000000007'),
 (22, 5, 'ABC ', 'ABC  ', '2024-01-05', 1, X'0000000000000008'),
 (23, 12, '20240105', '20240105', '2024-01-05', NULL, X'0000000000000009'),
 (24, 2147483647, '-1', '-1', '2024-12-31 23:59:59', 0, X'000000000000000C');
)sql";

// "{N}": a number, "{S}": a string literal, "{B}": the statement's binary
// literal (one value wherever it stands), "{b}": another binary literal.
constexpr const char* kTemplates[] = {
    "SELECT FID, FName, FNum FROM t_Fz WHERE FID ={N}",
    "SELECT FID, FName FROM t_Fz WHERE FNum = {N}",
    "SELECT FID,FCode FROM t_Fz WHERE FNum>={N}",
    "SELECT COUNT(*) n, MIN(FID) m FROM t_Fz WHERE FName = {S} OR FNum={N}",
    "SELECT FID FROM t_Fz WHERE FDate = {N}",
    "SELECT FID FROM t_Fz WHERE FName={N}",
    "SELECT FID FROM t_Fz WHERE FFlag = {N}",
    "SELECT FID FROM t_Fz WHERE FCode = {S} AND FNum = {N}",
    "SELECT FID FROM t_Fz WHERE FNum = {N} \r\n",
    "SELECT FID FROM t_Fz WHERE FNum = {N} + 1",
    "SELECT FID FROM t_Fz WHERE FID IN (SELECT FID FROM t_Fz WHERE FName = {S}) AND FNum = {N}",
    "SELECT FID, FName, FDate FROM t_Fz WHERE FName = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FName={S} AND FCode = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FDate={S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FNum = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FFlag = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FVer = {S} ORDER BY FID",
    "SELECT {S} AS v, FID FROM t_Fz WHERE FName={S} ORDER BY FID",
    "SELECT v = {S}, FID FROM t_Fz WHERE FCode={S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FName LIKE {S} OR FCode = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE UPPER(FCode) = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FDate > {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FDate = {S} OR FName = {S} ORDER BY FID",
    "SELECT FID, FDate FROM t_Fz WHERE FDate >= {S} AND FCode = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE ISNULL(FName, '') = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE CONVERT(VARCHAR(10), FDate, 120) = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE CAST(FNum AS VARCHAR(20)) = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FName = {S} + 'c' ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FCode = N{S} ORDER BY FID",
    "SELECT a.FID, b.FID AS FID2 FROM t_Fz a JOIN t_Fz b ON a.FNum = b.FNum WHERE a.FCode = {S} ORDER BY a.FID, b.FID",
    "SELECT MAX(FDate) d, COUNT(FDate) c FROM t_Fz WHERE FCode = {S}",
    "SELECT FName, COUNT(*) c, MIN(FID) m FROM t_Fz WHERE FCode <> {S} GROUP BY FName ORDER BY m",
    "SELECT FID, FVer FROM t_Fz WHERE FVer>{B} ORDER BY FVer, FID",
    "SELECT FID FROM t_Fz WHERE FVer={B} OR (FVer>{B} AND FID < 10) ORDER BY FID",
    "SELECT {B}, FID FROM t_Fz WHERE FVer<={B} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FVer>{B} AND FVer<{b} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FVer>{B} AND FName={S} ORDER BY FID",
    "SELECT TOP 5 FID, FName, FVer FROM t_Fz WHERE FVer > {B} ORDER BY FVer, FID",
    "SELECT FID FROM t_Fz WHERE FVer = {B} AND FNum = {N}",
    "SELECT FID FROM t_Fz WHERE FNum = {B} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FCode = {B} ORDER BY FID",
    // Values compared with expressions rather than columns.
    "SELECT FID FROM t_Fz WHERE ISNULL(FDate, '2000-01-01') = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE COALESCE(FDate, FDate) = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE CASE WHEN FID > 3 THEN FDate END = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE DATEADD(day, 1, FDate) = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE CAST(FCode AS DATETIME) = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz f WHERE f.FDate = {S} ORDER BY f.FID",
    "SELECT FID FROM t_Fz WHERE (SELECT MAX(FDate) FROM t_Fz) = {S} ORDER BY FID",
    "SELECT FCode, MAX(FDate) d FROM t_Fz GROUP BY FCode HAVING MAX(FDate) = {S} ORDER BY FCode",
    "SELECT FID FROM t_Fz WHERE FNum + 0 = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE ABS(FNum) = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE LEN(FName) = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FID = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE LEN(FName) = {N}",
    "SELECT FID FROM t_Fz WHERE ABS(FNum) = {N}",
    "SELECT FID FROM t_Fz WHERE FFlag = {S} OR FNum = {N}",
    "SELECT FID FROM t_Fz WHERE FName = {S} AND FDate = {S} AND FCode={S} ORDER BY FID",
    "SELECT FID, {S} AS a, {S} b FROM t_Fz WHERE FCode = {S} ORDER BY FID",
    "SELECT FID FROM t_Fz WHERE FCode = RTRIM({S}) OR FName = {S} ORDER BY FID",
};

constexpr const char* kNumbers[] = {"0", "1", "7", "007", "0007", "42", "5", "-1", "-7", "123456789",
                                    "999999999", "000000007", "1234567890", "0000000001", "2147483647",
                                    "2147483648", "9999999999", "000000000", "10", "100"};
constexpr const char* kStrings[] = {
    "''",         "'abc'",  "'ABC'",        "'abc '",       "'Abc'",       "'it''s'",    "''''",
    "'7'",        "'007'",  "'1234567890'", "'2024-01-05'", "'2024-01-05 00:00:00'",    "'20240105'",
    "'2024-02-29 13:45:10.250'",            "'éé'",         "'ÉÉ'",        "'x'",        "'1e5'",
    "'0x01'",     "' 7'",   "'NULL'",       "'-1'",         "'a''b''''c'", "'Straße'",   "'  '",
    "'xabc'",     "'1'",    "'0'",          "'abc  '",      "'2024-13-45'", "'12:30'",   "'1.5'"};
constexpr const char* kBinaries[] = {"0x0000000000000001", "0x0000000000000000", "0x000000000000000A",
                                     "0x000000000000000a", "0xFFFFFFFFFFFFFFFF", "0x00000000075BCD15",
                                     "0x01",               "0xA",                "0x0001",
                                     "0x000000000000001",  "0x00000000000000010", "0x7FFFFFFFFFFFFFFF",
                                     "0x0000000000000007", "0x00000000000000FF"};

// Takes bytes from the input, zero once it is used up.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

template <std::size_t N>
const char* Pick(const char* const (&pool)[N], std::uint8_t byte) {
    return pool[byte % N];
}

// A value from the pool, or, for a byte's high bit, one made of further bytes.
std::string NumberFrom(Input& in) {
    const std::uint8_t choice = in.Next();
    if (choice < 0x80) return Pick(kNumbers, choice);
    std::string number = (choice & 0x40) != 0 ? "-" : "";
    const std::size_t digits = 1 + choice % 12;
    for (std::size_t index = 0; index < digits; ++index) number += static_cast<char>('0' + in.Next() % 10);
    return number;
}

std::string StringFrom(Input& in) {
    const std::uint8_t choice = in.Next();
    if (choice < 0x80) return Pick(kStrings, choice);
    static constexpr const char* kPieces[] = {"a", "B", "c", "x", "0", "1", "7", "-", ":", " ", "''", "é",
                                              "2024", "-01", "-05", ".", "e", "ß", "\t", "%", "_", "N"};
    std::string text = "'";
    const std::size_t pieces = choice % 8;
    for (std::size_t index = 0; index < pieces; ++index) text += Pick(kPieces, in.Next());
    return text + "'";
}

std::string BinaryFrom(Input& in) {
    const std::uint8_t choice = in.Next();
    if (choice < 0x80) return Pick(kBinaries, choice);
    static constexpr std::string_view kDigits = "0123456789ABCDEFabcdef";
    const std::size_t lengths[] = {16, 16, 16, 16, 1, 2, 3, 15, 17, 4};
    std::string binary = "0x";
    const std::size_t digits = lengths[choice % std::size(lengths)];
    // Mostly zeros, so the values meet the rows' versions.
    for (std::size_t index = 0; index < digits; ++index) {
        const std::uint8_t byte = in.Next();
        binary += index + 2 < digits && byte < 0xC0 ? '0' : kDigits[byte % kDigits.size()];
    }
    return binary;
}

std::string StatementFrom(Input& in) {
    std::string sql = Pick(kTemplates, in.Next());
    std::optional<std::string> binary;
    for (std::size_t at = sql.find('{'); at != std::string::npos; at = sql.find('{', at)) {
        std::string value;
        switch (sql[at + 1]) {
            case 'N': value = NumberFrom(in); break;
            case 'S': value = StringFrom(in); break;
            case 'B':
                if (!binary) binary = BinaryFrom(in);
                value = *binary;
                break;
            default: value = BinaryFrom(in); break;
        }
        sql.replace(at, 3, value);
        at += value.size();
    }
    return sql;
}

std::string DescribeValue(const ovardx::Variant& value) {
    using Kind = ovardx::Variant::Kind;
    static constexpr const char* kKinds[] = {"empty", "null", "bool", "int", "double",
                                             "text",  "date", "bytes", "record", "list"};
    std::string out = kKinds[static_cast<int>(value.kind())];
    if (value.kind() == Kind::Bytes) {
        out += ":";
        static constexpr std::string_view kHex = "0123456789ABCDEF";
        for (const std::uint8_t byte : value.AsBytes()) out.append({kHex[byte >> 4], kHex[byte & 15]});
    } else if (value.kind() != Kind::Null && value.kind() != Kind::Empty) {
        try {
            out += ":" + value.ToText();
        } catch (const ovardx::Error&) {
            out += ":?";
        }
    }
    return out;
}

// What a connection answered, as comparable text.
std::string Run(SqliteConnection& connection, const std::string& sql) {
    std::string text = sql;
    std::string outcome;
    try {
        const auto records = connection.GetAnyRecordSet(text);
        outcome = "columns:";
        for (const std::string& column : records->ColumnNames()) outcome += " [" + column + "]";
        for (; !records->Eof(); records->MoveNext()) {
            outcome += "\nrow:";
            for (std::int32_t column = 0; column < records->FieldCount(); ++column)
                outcome += " " + DescribeValue(records->Item(column).Value);
        }
    } catch (const ovardx::Error& error) {
        const ovardx::ErrorRecord record = error.record();
        outcome = "error " + std::to_string(record.Number) + ": " + record.Description;
    }
    return outcome;
}

std::filesystem::path& Folder() {
    static std::filesystem::path folder;
    return folder;
}

void RemoveFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Folder(), ignored);
}

struct Connections {
    SqliteConnection cached;  // the library's connection, which caches its statements
    SqliteConnection fresh{SqliteConnection::Policy::Scripts};  // prepares every text anew
    std::deque<std::string> recent;  // the cached connection's latest texts, oldest first
};

Connections& Open() {
    static Connections* connections = [] {
        Folder() = std::filesystem::temp_directory_path() /
                   ("ovardx-fuzz-statement-cache-" + std::to_string(getpid()));
        std::filesystem::create_directories(Folder());
        std::atexit(RemoveFolder);
        const std::string path = (Folder() / "erp.db").string();
        ovardx::sqlite::Database::Open(path, ovardx::sqlite::OpenMode::ReadWriteCreate).Exec(kSchema);
        auto* opened = new Connections;
        for (SqliteConnection* connection : {&opened->cached, &opened->fresh})
            connection->ConnString("Provider=SQLite;Data Source=" + path);
        return opened;
    }();
    return *connections;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kMaxStatements = 32;
    constexpr std::size_t kRecentKept = 80;
    Connections& connections = Open();
    Input in(data, size);
    for (int count = 0; count < kMaxStatements && !in.Empty(); ++count) {
        const std::string sql = StatementFrom(in);
        const std::string expected = Run(connections.fresh, sql);
        const std::string actual = Run(connections.cached, sql);
        connections.recent.push_back(sql);
        if (connections.recent.size() > kRecentKept) connections.recent.pop_front();
        if (actual == expected) continue;
        std::fprintf(stderr, "The cached connection answers otherwise.\nStatements run on it, oldest first:\n");
        for (const std::string& earlier : connections.recent) std::fprintf(stderr, "  %s\n", earlier.c_str());
        std::fprintf(stderr, "Statement:\n%s\nCached:\n%s\nFresh:\n%s\n", sql.c_str(), actual.c_str(),
                     expected.c_str());
        __builtin_trap();
    }
    return 0;
}
