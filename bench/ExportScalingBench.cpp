// How the cost of an export grows with the database: every export kind
// paged to the end in pages of 100 on demo databases of scale 10, 100 and
// 300. Reported per kind and scale: microseconds per exported record
// (us_per_record) and the peak memory one page takes (page_peak_KB,
// measured in a child process that exports the first page). Linear exports
// show the same figures at every scale.
//
// OVARDX_BENCH_MAX_PAGES, when set, stops each export after that many pages
// (to measure a build whose pages are too slow to page to the end).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "bench/BenchDatabase.h"
#include "bench/ChildPeakMemory.h"
#include "ovardx/clsArapPlan.h"
#include "ovardx/clsContract.h"
#include "ovardx/clsDataKey.h"
#include "ovardx/clsReceiveBill.h"

namespace ovardx::bench {
namespace {

constexpr std::int32_t kPageSize = 100;
constexpr const char* kZeroTimeStamp = "0x0000000000000000";

enum Kind { kPlan, kReceiveBills, kAdvanceReceipts, kContracts, kDeletions };
const char* const kKindNames[] = {"plan", "receive_bills", "advance_receipts", "contracts", "deletions"};

std::string PropsOf(int scale) { return BenchDatabase::Get(scale).Props() + ";Language=eng"; }

// One page of a kind after timeStamp; false with the error on failure.
using PageExport = std::function<bool(std::string& xml, std::string& timeStamp, std::string& error)>;

PageExport ExporterFor(Kind kind, const std::string& props) {
    switch (kind) {
        case kPlan: {
            auto plan = std::make_shared<clsArapPlan>();
            return [plan, props = std::string(props)](std::string& xml, std::string& timeStamp, std::string& error) mutable {
                std::string max;
                return plan->Export(props, xml, kPageSize, timeStamp, max, error);
            };
        }
        case kReceiveBills:
        case kAdvanceReceipts: {
            auto bill = std::make_shared<clsReceiveBill>();
            const std::int16_t pre = kind == kReceiveBills ? 0 : 1;
            return [bill, props = std::string(props), pre](std::string& xml, std::string& timeStamp, std::string& error) mutable {
                std::string max;
                return bill->Export(props, xml, pre, kPageSize, timeStamp, max, error);
            };
        }
        case kContracts: {
            auto contract = std::make_shared<clsContract>();
            return [contract, props = std::string(props)](std::string& xml, std::string& timeStamp, std::string& error) mutable {
                std::string max;
                return contract->Export(props, xml, 1, kPageSize, timeStamp, max, error);
            };
        }
        case kDeletions: {
            auto keys = std::make_shared<clsDataKey>();
            return [keys, props](std::string& xml, std::string& timeStamp, std::string& error) {
                std::string max;
                return keys->ExportXMLDataKey(props, 1, xml, kPageSize, timeStamp, max, error);
            };
        }
    }
    return {};
}

std::int64_t CountRecords(const std::string& xml) {
    std::int64_t count = 0;
    for (std::size_t at = xml.find("<Record>"); at != std::string::npos; at = xml.find("<Record>", at + 8)) ++count;
    return count;
}

// The memory the first page takes, in a child process of its own: its peak
// resident size above its size before the page.
long FirstPagePeakKilobytes(Kind kind, const std::string& props) {
    PageExport exportPage = ExporterFor(kind, props);
    return ChildPeakKilobytes([&] {
               std::string xml, timeStamp, error;
               return exportPage(xml, timeStamp, error);
           })
        .value_or(-1);
}

void BM_ExportToTheEnd(benchmark::State& state) {
    const auto kind = static_cast<Kind>(state.range(0));
    const int scale = static_cast<int>(state.range(1));
    const std::string props = PropsOf(scale);
    const char* limit = std::getenv("OVARDX_BENCH_MAX_PAGES");
    const long maxPages = limit != nullptr ? std::atol(limit) : 0;
    state.SetLabel(std::string(kKindNames[kind]) + " scale " + std::to_string(scale));
    std::int64_t records = 0;
    double seconds = 0;
    for (auto _ : state) {
        PageExport exportPage = ExporterFor(kind, props);
        std::string timeStamp;
        const auto start = std::chrono::steady_clock::now();
        for (long page = 0; maxPages == 0 || page < maxPages; ++page) {
            std::string xml, error;
            if (!exportPage(xml, timeStamp, error)) {
                state.SkipWithError(error.c_str());
                return;
            }
            if (timeStamp == kZeroTimeStamp) break;
            records += CountRecords(xml);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["records"] = static_cast<double>(records);
    state.counters["us_per_record"] = records > 0 ? seconds * 1e6 / static_cast<double>(records) : 0;
    state.counters["page_peak_KB"] = static_cast<double>(FirstPagePeakKilobytes(kind, props));
}

void AllKindsAndScales(benchmark::internal::Benchmark* benchmark) {
    for (int kind = kPlan; kind <= kDeletions; ++kind)
        for (int scale : {10, 100, 300}) benchmark->Args({kind, scale});
}
BENCHMARK(BM_ExportToTheEnd)->Apply(AllKindsAndScales)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ovardx::bench
