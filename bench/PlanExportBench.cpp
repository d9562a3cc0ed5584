// Exporting every plan row of a demo database (scale 100 and 300) page by
// page, in pages of 100 and 1000 rows: once through clsArapPlan::Export, and
// once as a floor, the fastest correct hand-written export of the same
// documents straight on SQLite and libxml2 (see FloorExport). The ratio of
// the two rates is what the library costs above the best it could do.
//
// Before timing, each floor run checks that its first documents equal the
// library's byte for byte, and both runs check that every exportable plan
// row came out exactly once.
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
#include <array>
#include <unordered_map>

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
std::optional<std::string> LibraryExport(int scale, std::int32_t perCount, OnPage onPage) {
    std::string props = BenchDatabase::Get(scale).Props();
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

// The floor's statements: the exportable headers in FModifyTime order (with
// a customer and a currency row, as the page query's inner joins ask), the
// plan entries of one header from both plan tables without duplicates, in
// the order the library's page gives them, the contracts of a number, and
// the two kinds of reference.
constexpr const char* kHeaderStatement =
    "SELECT c.FID, c.FNumber, c.FExchangerate, c.FModifyTime, c.FCustomer, c.FCurrencyID, c.FContractNo"
    " FROM t_rp_contact c JOIN t_item i ON c.FCustomer=i.FItemID JOIN t_currency b ON c.FCurrencyID=b.FCurrencyID"
    " WHERE c.FRP=1 AND c.FType IN (3,13) AND c.FModifyTime>?1 ORDER BY c.FModifyTime";
constexpr const char* kEntryStatement =
    "SELECT FDate, FRemainAmountFor FROM t_rp_plan_ar WHERE FOrgID=?1 AND FRemainAmountFor<>0"
    " UNION SELECT FDate, FRemainAmountFor FROM t_Rp_plan_ap WHERE FOrgID=?1 AND FRemainAmountFor<>0 ORDER BY 1, 2";
constexpr const char* kContractStatement = "SELECT FContractID FROM t_rpContract WHERE FContractNo=?1 ORDER BY FContractID";
constexpr const char* kMaxStatement =
    "SELECT MAX(FModifyTime) as FMT FROM t_RP_Contact WHERE FRP=1 and FType in(3,13) ";
constexpr const char* kItemStatement = "SELECT FNumber, FName, UUID FROM t_item WHERE FItemID=?1";
constexpr const char* kCurrencyStatement = "SELECT FNumber, FName, UUID FROM t_Currency WHERE FCurrencyID=?1";

// One column value as the document needs it.
struct Cell {
    bool null = true;
    std::string text;
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

// The best a hand-written export of the same documents can do: it walks the
// headers by FModifyTime, reads each header's entries by FOrgID, reuses
// prepared statements and each reference it has read, and writes with the
// libxml2 text writer. A page holds whole headers until it has at least
// perCount rows, which is what the library's page with its completed last
// group holds.
class FloorExport {
public:
    FloorExport(const std::filesystem::path& path, std::int32_t perCount)
        : db_(sqlite::Database::Open(path.string(), sqlite::OpenMode::ReadWrite)),
          perCount_(perCount),
          max_(db_, kMaxStatement),
          headers_(db_, kHeaderStatement),
          entries_(db_, kEntryStatement),
          contracts_(db_, kContractStatement),
          item_(db_, kItemStatement),
          currency_(db_, kCurrencyStatement) {}

    // Writes the page after the bound into xml and moves the bound to its last
    // row version; false for an empty page.
    bool NextPage(std::string& xml, std::int64_t& rows) {
        ReadMax();
        StartDocument();
        std::int64_t pageRows = 0;
        headers_.Reset();
        headers_.Bind(1, bound_);
        while ((perCount_ == 0 || pageRows < perCount_) && headers_.Step()) {
            const std::int64_t written = WriteHeader();
            if (written > 0) bound_ = headers_.ColumnBlob(3);
            pageRows += written;
        }
        xml = EndDocument();
        rows += pageRows;
        return pageRows > 0;
    }

    const Bytes& MaxTimeStamp() const { return maxTimeStamp_; }

private:
    void ReadMax() {
        max_.Reset();
        maxTimeStamp_.clear();
        if (max_.Step() && max_.ColumnStorage(0) == sqlite::StorageClass::Blob) maxTimeStamp_ = max_.ColumnBlob(0);
    }

    void StartDocument() {
        buffer_.reset(xmlBufferCreate());
        writer_.reset(xmlNewTextWriterMemory(buffer_.get(), 0));
        xmlTextWriterSetIndent(writer_.get(), 1);
        xmlTextWriterSetIndentString(writer_.get(), Chars("  "));
        xmlTextWriterStartDocument(writer_.get(), "1.0", "UTF-8", nullptr);
        xmlTextWriterStartElement(writer_.get(), Chars("ArApPlan"));
        xmlTextWriterWriteAttribute(writer_.get(), Chars("xmlns:xsi"),
                                    Chars("http://www.w3.org/2001/XMLSchema-instance"));
    }

    std::string EndDocument() {
        xmlTextWriterEndDocument(writer_.get());
        writer_.reset();  // flushes into the buffer
        return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer_.get())),
                           static_cast<std::size_t>(xmlBufferLength(buffer_.get())));
    }

    // The records of the current header: one per entry and contract of its
    // number (one with id 0 when none). Answers how many.
    std::int64_t WriteHeader() {
        const Cell number = TextCell(headers_, 1);
        const Cell rate = DecimalCell(headers_, 2);
        const std::string modifyTime = HexText(headers_.ColumnBlob(3));
        const std::int64_t customer = headers_.ColumnInt64(4);
        const std::int64_t currency = headers_.ColumnInt64(5);
        const Cell contractNo = TextCell(headers_, 6);
        std::vector<Cell> contractIds;
        if (!contractNo.null) {
            contracts_.Reset();
            contracts_.Bind(1, std::string_view(contractNo.text));
            while (contracts_.Step()) contractIds.push_back(TextCell(contracts_, 0));
        }
        if (contractIds.empty()) contractIds.push_back(Cell{false, "0"});

        std::int64_t written = 0;
        entries_.Reset();
        entries_.Bind(1, headers_.ColumnInt64(0));
        while (entries_.Step()) {
            Cell date = TextCell(entries_, 0);
            if (!date.null) date.text = DateTimeText(std::move(date.text));
            const Cell amount = DecimalCell(entries_, 1);
            for (const Cell& contractId : contractIds) {
                xmlTextWriterStartElement(writer_.get(), Chars("Record"));
                WriteCell("FNumber", number);
                WriteCell("FArDate", date);
                WriteCell("FExchangerate", rate);
                WriteCell("FAmountFor", amount);
                WriteCell("FModifyTime", {false, modifyTime});
                WriteReference("FCustomer", items_, item_, customer);
                WriteReference("FCurrency", currencies_, currency_, currency);
                if (!contractNo.null && !contractNo.text.empty()) WriteCell("FContractNo", contractNo);
                WriteCell("FContractID", contractId);
                xmlTextWriterEndElement(writer_.get());
                ++written;
            }
        }
        return written;
    }

    void WriteCell(const char* name, const Cell& cell) {
        xmlTextWriterStartElement(writer_.get(), Chars(name));
        if (cell.null)
            xmlTextWriterWriteAttribute(writer_.get(), Chars("xsi:nil"), Chars("true"));
        else if (!cell.text.empty())
            xmlTextWriterWriteString(writer_.get(), Chars(cell.text.c_str()));
        xmlTextWriterEndElement(writer_.get());
    }

    // Number, Name and UUID of the referenced row, read once; nothing for id
    // 0 or a missing row.
    using References = std::unordered_map<std::int64_t, std::optional<std::array<Cell, 3>>>;
    void WriteReference(const char* name, References& known, sqlite::Statement& lookup, std::int64_t id) {
        if (id == 0) return;
        auto found = known.find(id);
        if (found == known.end()) {
            lookup.Reset();
            lookup.Bind(1, id);
            std::optional<std::array<Cell, 3>> reference;
            if (lookup.Step()) reference = {TextCell(lookup, 0), TextCell(lookup, 1), TextCell(lookup, 2)};
            found = known.emplace(id, std::move(reference)).first;
        }
        if (!found->second) return;
        xmlTextWriterStartElement(writer_.get(), Chars(name));
        WriteCell("Number", (*found->second)[0]);
        WriteCell("Name", (*found->second)[1]);
        WriteCell("UUID", (*found->second)[2]);
        xmlTextWriterEndElement(writer_.get());
    }

    sqlite::Database db_;
    std::int32_t perCount_;
    sqlite::Statement max_, headers_, entries_, contracts_, item_, currency_;
    References items_, currencies_;
    Bytes bound_ = Bytes(8, 0);
    Bytes maxTimeStamp_;
    BufferHandle buffer_;
    WriterHandle writer_;
};

// Pages through every plan row with the floor; answers the number of rows.
std::int64_t FloorExportAll(int scale, std::int32_t perCount) {
    FloorExport floor(BenchDatabase::Get(scale).Path(), perCount);
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
std::optional<std::string> FloorDiffersFromLibrary(int scale, std::int32_t perCount) {
    constexpr std::size_t kPages = 3;
    std::vector<std::string> library;
    std::string props = BenchDatabase::Get(scale).Props();
    clsArapPlan plan;
    std::string timeStamp;
    while (library.size() < kPages) {
        std::string xml, maxTimeStamp, error;
        if (!plan.Export(props, xml, perCount, timeStamp, maxTimeStamp, error)) return "the library failed: " + error;
        if (timeStamp == kZeroTimeStamp) break;
        library.push_back(std::move(xml));
    }
    FloorExport floor(BenchDatabase::Get(scale).Path(), perCount);
    std::int64_t rows = 0;
    for (std::size_t page = 0; page < library.size(); ++page) {
        std::string xml;
        if (!floor.NextPage(xml, rows) || xml != library[page])
            return "the floor's page " + std::to_string(page + 1) + " differs from the library's";
    }
    return std::nullopt;
}

// --- The benchmarks -------------------------------------------------------------

void CheckRowCount(benchmark::State& state, int scale, std::int64_t rows) {
    const std::int64_t expected = BenchDatabase::Get(scale).Summary().ExportablePlanRows;
    if (rows != expected)
        state.SkipWithError(("exported " + std::to_string(rows) + " rows, expected " + std::to_string(expected)).c_str());
}

void BM_LibraryPlanExport(benchmark::State& state) {
    EnsureBuiltInComponents();
    const auto perCount = static_cast<std::int32_t>(state.range(0));
    const int scale = static_cast<int>(state.range(1));
    BenchDatabase::Get(scale);  // created before timing
    std::int64_t rows = 0;
    for (auto _ : state) {
        std::int64_t runRows = 0;
        auto error = LibraryExport(scale, perCount, [&](const std::string& xml) {
            state.PauseTiming();
            runRows += CountRecords(xml);
            state.ResumeTiming();
        });
        if (error) {
            state.SkipWithError(error->c_str());
            return;
        }
        CheckRowCount(state, scale, runRows);
        rows += runRows;
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}

void BM_FloorPlanExport(benchmark::State& state) {
    EnsureBuiltInComponents();
    const auto perCount = static_cast<std::int32_t>(state.range(0));
    const int scale = static_cast<int>(state.range(1));
    BenchDatabase::Get(scale);  // created before timing
    if (auto difference = FloorDiffersFromLibrary(scale, perCount)) {
        state.SkipWithError(difference->c_str());
        return;
    }
    std::int64_t rows = 0;
    for (auto _ : state) {
        const std::int64_t runRows = FloorExportAll(scale, perCount);
        CheckRowCount(state, scale, runRows);
        rows += runRows;
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}

// Page size and scale.
void PagesAndScales(benchmark::internal::Benchmark* benchmark) {
    for (int scale : {100, 300})
        for (int perCount : {100, 1000}) benchmark->Args({perCount, scale});
}
BENCHMARK(BM_FloorPlanExport)->Apply(PagesAndScales)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibraryPlanExport)->Apply(PagesAndScales)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ovardx::bench
