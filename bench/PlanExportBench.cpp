// Exporting every plan row of a scale-100 demo database page by page, in
// pages of 100 and 1000 rows: once through clsArapPlan::Export, and once as a
// floor that does the same work straight on SQLite and libxml2 (the same page
// statements with the same completion of the page's last FModifyTime group,
// the same two reference lookups per row, the same document). The ratio of
// the two rates is what the library's layers cost.
//
// Before timing, each floor run checks that its first documents equal the
// library's, and both runs check that every exportable plan row came out
// exactly once.
#include <benchmark/benchmark.h>
#include <libxml/xmlwriter.h>

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchDatabase.h"
#include "components/BuiltInComponents.h"
#include "ovardx/clsArapPlan.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::bench {
namespace {

constexpr const char* kZeroTimeStamp = "0x0000000000000000";

// --- The library ----------------------------------------------------------------

std::int64_t CountRecords(const std::string& xml) {
    std::int64_t count = 0;
    for (std::size_t at = xml.find("<Record>"); at != std::string::npos; at = xml.find("<Record>", at + 8)) ++count;
    return count;
}

// Pages through every plan row with Export; hands each page's document to
// `onPage`. Answers the error text of a failed call, or nothing.
template <class OnPage>
std::optional<std::string> LibraryExport(std::int32_t perCount, OnPage onPage) {
    std::string props = BenchDatabase::Get().Props();
    clsArapPlan plan;
    std::string timeStamp;
    do {
        std::string xml, maxTimeStamp, error;
        if (!plan.Export(props, xml, perCount, timeStamp, maxTimeStamp, error)) return error;
        onPage(xml);
    } while (timeStamp != kZeroTimeStamp);
    return std::nullopt;
}

// --- The floor ------------------------------------------------------------------

template <class T, void (*Free)(T*)>
struct LibxmlFree {
    void operator()(T* handle) const noexcept { Free(handle); }
};
using BufferHandle = std::unique_ptr<xmlBuffer, LibxmlFree<xmlBuffer, xmlBufferFree>>;
using WriterHandle = std::unique_ptr<xmlTextWriter, LibxmlFree<xmlTextWriter, xmlFreeTextWriter>>;

const xmlChar* Chars(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

// The page statements as they reach SQLite: TOP n as LIMIT n, the bound as a
// BLOB parameter.
constexpr std::string_view kSelectFrom =
    "SELECT  c.FNumber,d.FDate FArDate,  c.FExchangerate,d.FRemainAmountFor FAmountFor, "
    "c.FModifyTime,c.FCustomer,c.FCurrencyID,c.FContractNo,e.FContractID  from t_rp_contact c  join t_item i "
    "on c.FCustomer=i.FitemID  join t_currency b on c.FCurrencyID=b.FCurrencyID  join (select "
    "FOrgID,FDate,FRemainAmountFor from t_rp_plan_ar union select FOrgID,FDate,FRemainAmountFor from "
    "t_Rp_plan_ap) d on c.FID=d.FOrgID  left join t_rpContract e on c.FContractNo=e.FContractNo where "
    "c.FRP=1 and c.FType in(3,13)  and d.FRemainAmountFor<>0 ";
// The group statement combines only the plan entries of the group's headers.
constexpr std::string_view kGroupSelectFrom =
    "SELECT  c.FNumber,d.FDate FArDate,  c.FExchangerate,d.FRemainAmountFor FAmountFor, "
    "c.FModifyTime,c.FCustomer,c.FCurrencyID,c.FContractNo,e.FContractID  from t_rp_contact c  join t_item i "
    "on c.FCustomer=i.FitemID  join t_currency b on c.FCurrencyID=b.FCurrencyID  join (select "
    "FOrgID,FDate,FRemainAmountFor from t_rp_plan_ar where FOrgID in (select FID from t_rp_contact where "
    "FModifyTime=?1) union select FOrgID,FDate,FRemainAmountFor from t_Rp_plan_ap where FOrgID in (select FID "
    "from t_rp_contact where FModifyTime=?1)) d on c.FID=d.FOrgID  left join t_rpContract e on "
    "c.FContractNo=e.FContractNo where c.FRP=1 and c.FType in(3,13)  and d.FRemainAmountFor<>0 ";
constexpr const char* kMaxStatement =
    "SELECT MAX(FModifyTime) as FMT FROM t_RP_Contact WHERE FRP=1 and FType in(3,13) ";
constexpr const char* kItemStatement = "SELECT  FNumber,FName,UUID FROM t_item WHERE FItemID =?";
constexpr const char* kCurrencyStatement = "SELECT  FNumber,FName,UUID FROM t_Currency WHERE FCurrencyID=?";

// One column value of a page row, as the document needs it.
struct Cell {
    bool null = true;
    std::string text;
};

// One page row: the document's text of each column, the row version and the
// two reference ids.
struct PlanRow {
    Cell number, date, rate, amount, contractNo, contractId;
    Bytes modifyTime;
    std::int64_t customer = 0;
    std::int64_t currency = 0;
};

std::string DecimalText(double value) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

std::string HexText(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

// "yyyy-mm-dd[ hh:mm:ss]" as xs:dateTime.
std::string DateTimeText(std::string text) {
    if (text.size() == 10) return text + "T00:00:00";
    if (text.size() > 10) text[10] = 'T';
    return text;
}

Cell TextCell(const sqlite::Statement& rows, int column) {
    if (rows.ColumnStorage(column) == sqlite::StorageClass::Null) return {};
    return {false, rows.ColumnText(column)};
}

Cell DecimalCell(const sqlite::Statement& rows, int column) {
    if (rows.ColumnStorage(column) == sqlite::StorageClass::Null) return {};
    return {false, DecimalText(rows.ColumnDouble(column))};
}

class FloorExport {
public:
    FloorExport(const std::filesystem::path& path, std::int32_t perCount)
        : db_(sqlite::Database::Open(path.string(), sqlite::OpenMode::ReadWrite)),
          perCount_(perCount),
          max_(db_, kMaxStatement),
          page_(db_, std::string(kSelectFrom) + " and   c.FModifyTime>? ORDER BY c.FModifyTime LIMIT " +
                         std::to_string(perCount)),
          group_(db_, std::string(kGroupSelectFrom) + " and   c.FModifyTime=?1 ORDER BY c.FModifyTime"),
          item_(db_, kItemStatement),
          currency_(db_, kCurrencyStatement) {}

    // Writes the page after the bound into xml and moves the bound to its last
    // row version; false for an empty page.
    bool NextPage(std::string& xml, std::int64_t& rows) {
        ReadMax();
        std::vector<PlanRow> page = ReadPage();
        if (page.empty()) return false;
        bound_ = page.back().modifyTime;
        xml = WriteDocument(page);
        rows += static_cast<std::int64_t>(page.size());
        return true;
    }

    const Bytes& MaxTimeStamp() const { return maxTimeStamp_; }

private:
    void ReadMax() {
        max_.Reset();
        maxTimeStamp_.clear();
        if (max_.Step() && max_.ColumnStorage(0) == sqlite::StorageClass::Blob) maxTimeStamp_ = max_.ColumnBlob(0);
    }

    static void ReadRows(sqlite::Statement& statement, std::vector<PlanRow>& rows) {
        while (statement.Step()) {
            PlanRow row;
            row.number = TextCell(statement, 0);
            row.date = TextCell(statement, 1);
            if (!row.date.null) row.date.text = DateTimeText(std::move(row.date.text));
            row.rate = DecimalCell(statement, 2);
            row.amount = DecimalCell(statement, 3);
            row.modifyTime = statement.ColumnBlob(4);
            row.customer = statement.ColumnInt64(5);
            row.currency = statement.ColumnInt64(6);
            row.contractNo = TextCell(statement, 7);
            row.contractId = TextCell(statement, 8);
            rows.push_back(std::move(row));
        }
    }

    std::vector<PlanRow> ReadPage() {
        std::vector<PlanRow> rows;
        page_.Reset();
        page_.Bind(1, bound_);
        ReadRows(page_, rows);
        // A full page that may end inside its last FModifyTime group gets
        // that whole group instead of its own rows of it.
        if (rows.empty() || static_cast<std::int64_t>(rows.size()) < perCount_) return rows;
        const Bytes last = rows.back().modifyTime;
        while (!rows.empty() && rows.back().modifyTime == last) rows.pop_back();
        group_.Reset();
        group_.Bind(1, last);
        ReadRows(group_, rows);
        return rows;
    }

    std::string WriteDocument(const std::vector<PlanRow>& rows) {
        BufferHandle buffer(xmlBufferCreate());
        WriterHandle writer(xmlNewTextWriterMemory(buffer.get(), 0));
        writer_ = writer.get();
        xmlTextWriterSetIndent(writer_, 1);
        xmlTextWriterSetIndentString(writer_, Chars("  "));
        xmlTextWriterStartDocument(writer_, "1.0", "UTF-8", nullptr);
        xmlTextWriterStartElement(writer_, Chars("ArApPlan"));
        xmlTextWriterWriteAttribute(writer_, Chars("xmlns:xsi"), Chars("http://www.w3.org/2001/XMLSchema-instance"));
        for (const PlanRow& row : rows) {
            xmlTextWriterStartElement(writer_, Chars("Record"));
            WriteCell("FNumber", row.number);
            WriteCell("FArDate", row.date);
            WriteCell("FExchangerate", row.rate);
            WriteCell("FAmountFor", row.amount);
            WriteCell("FModifyTime", {false, HexText(row.modifyTime)});
            WriteReference("FCustomer", item_, row.customer);
            WriteReference("FCurrency", currency_, row.currency);
            if (!row.contractNo.null && !row.contractNo.text.empty()) WriteCell("FContractNo", row.contractNo);
            const bool noContract = row.contractId.null || row.contractId.text.empty();
            WriteCell("FContractID", noContract ? Cell{false, "0"} : row.contractId);
            xmlTextWriterEndElement(writer_);
        }
        xmlTextWriterEndDocument(writer_);
        writer.reset();  // flushes into the buffer
        writer_ = nullptr;
        return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                           static_cast<std::size_t>(xmlBufferLength(buffer.get())));
    }

    void WriteCell(const char* name, const Cell& cell) {
        xmlTextWriterStartElement(writer_, Chars(name));
        if (cell.null)
            xmlTextWriterWriteAttribute(writer_, Chars("xsi:nil"), Chars("true"));
        else if (!cell.text.empty())
            xmlTextWriterWriteString(writer_, Chars(cell.text.c_str()));
        xmlTextWriterEndElement(writer_);
    }

    // The Number, Name and UUID of the referenced row; nothing for id 0 or a
    // missing row.
    void WriteReference(const char* name, sqlite::Statement& lookup, std::int64_t id) {
        if (id == 0) return;
        lookup.Reset();
        lookup.Bind(1, id);
        if (!lookup.Step()) return;
        xmlTextWriterStartElement(writer_, Chars(name));
        WriteCell("Number", TextCell(lookup, 0));
        WriteCell("Name", TextCell(lookup, 1));
        WriteCell("UUID", TextCell(lookup, 2));
        xmlTextWriterEndElement(writer_);
    }

    sqlite::Database db_;
    std::int32_t perCount_;
    sqlite::Statement max_, page_, group_, item_, currency_;
    Bytes bound_ = Bytes(8, 0);
    Bytes maxTimeStamp_;
    xmlTextWriter* writer_ = nullptr;
};

// Pages through every plan row with the floor; answers the number of rows.
std::int64_t FloorExportAll(std::int32_t perCount) {
    FloorExport floor(BenchDatabase::Get().Path(), perCount);
    std::int64_t rows = 0;
    std::string xml;
    while (floor.NextPage(xml, rows)) benchmark::DoNotOptimize(xml.data());
    benchmark::DoNotOptimize(floor.MaxTimeStamp().data());
    return rows;
}

// Whether the floor writes the library's documents for the first pages
// (each full page ends with a completed FModifyTime group); the first
// difference otherwise. Only the first pages: a full comparison would cost
// as much as both runs together.
std::optional<std::string> FloorDiffersFromLibrary(std::int32_t perCount) {
    constexpr std::size_t kPages = 3;
    std::vector<std::string> library;
    std::string props = BenchDatabase::Get().Props();
    clsArapPlan plan;
    std::string timeStamp;
    while (library.size() < kPages) {
        std::string xml, maxTimeStamp, error;
        if (!plan.Export(props, xml, perCount, timeStamp, maxTimeStamp, error)) return "the library failed: " + error;
        if (timeStamp == kZeroTimeStamp) break;
        library.push_back(std::move(xml));
    }
    FloorExport floor(BenchDatabase::Get().Path(), perCount);
    std::int64_t rows = 0;
    for (std::size_t page = 0; page < library.size(); ++page) {
        std::string xml;
        if (!floor.NextPage(xml, rows) || xml != library[page])
            return "the floor's page " + std::to_string(page + 1) + " differs from the library's";
    }
    return std::nullopt;
}

// --- The benchmarks -------------------------------------------------------------

void CheckRowCount(benchmark::State& state, std::int64_t rows) {
    if (rows != BenchDatabase::Get().Summary().ExportablePlanRows)
        state.SkipWithError(("exported " + std::to_string(rows) + " rows, expected " +
                             std::to_string(BenchDatabase::Get().Summary().ExportablePlanRows))
                                .c_str());
}

void BM_LibraryPlanExport(benchmark::State& state) {
    EnsureBuiltInComponents();
    BenchDatabase::Get();  // created before timing
    const auto perCount = static_cast<std::int32_t>(state.range(0));
    std::int64_t rows = 0;
    for (auto _ : state) {
        std::int64_t runRows = 0;
        auto error = LibraryExport(perCount, [&](const std::string& xml) {
            state.PauseTiming();
            runRows += CountRecords(xml);
            state.ResumeTiming();
        });
        if (error) {
            state.SkipWithError(error->c_str());
            return;
        }
        CheckRowCount(state, runRows);
        rows += runRows;
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}

void BM_FloorPlanExport(benchmark::State& state) {
    EnsureBuiltInComponents();
    BenchDatabase::Get();  // created before timing
    const auto perCount = static_cast<std::int32_t>(state.range(0));
    if (auto difference = FloorDiffersFromLibrary(perCount)) {
        state.SkipWithError(difference->c_str());
        return;
    }
    std::int64_t rows = 0;
    for (auto _ : state) {
        const std::int64_t runRows = FloorExportAll(perCount);
        CheckRowCount(state, runRows);
        rows += runRows;
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_LibraryPlanExport)->Arg(100)->Arg(1000)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorPlanExport)->Arg(100)->Arg(1000)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ovardx::bench
