// Exporting every receivable bill of one FPre of a scale-100 demo database
// through clsReceiveBill::Export, page by page in pages of 100 bills: receive
// bills (FPre 0) and advance receipts (FPre 1). Reports bills per second.
// Each run checks that every exportable bill came out exactly once.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "bench/BenchDatabase.h"
#include "components/BuiltInComponents.h"
#include "ovardx/clsReceiveBill.h"

namespace ovardx::bench {
namespace {

constexpr const char* kZeroTimeStamp = "0x0000000000000000";
constexpr std::int32_t kPerCount = 100;


// The UUIDs of the bills in a page's document.
void CollectUuids(const std::string& xml, std::multiset<std::string>& uuids) {
    // A bill's own UUID is the last element of its record.
    static constexpr std::string_view kOpen = "<UUID>", kClose = "</UUID>\n  </Record>";
    for (std::size_t end = xml.find(kClose); end != std::string::npos; end = xml.find(kClose, end + 1)) {
        const std::size_t begin = xml.rfind(kOpen, end) + kOpen.size();
        uuids.insert(xml.substr(begin, end - begin));
    }
}

void BM_ReceiveBillExport(benchmark::State& state) {
    EnsureBuiltInComponents();
    const auto pre = static_cast<std::int16_t>(state.range(0));
    const BenchDatabase& database = BenchDatabase::Get();
    std::int64_t bills = 0;
    for (auto _ : state) {
        std::string props = database.Props();
        clsReceiveBill bill;
        std::string timeStamp;
        std::multiset<std::string> uuids;
        do {
            std::string xml, maxTimeStamp, error;
            if (!bill.Export(props, xml, pre, kPerCount, timeStamp, maxTimeStamp, error)) {
                state.SkipWithError(error.c_str());
                return;
            }
            state.PauseTiming();
            CollectUuids(xml, uuids);
            state.ResumeTiming();
        } while (timeStamp != kZeroTimeStamp);

        const auto exported = static_cast<std::int64_t>(uuids.size());
        const auto distinct = static_cast<std::int64_t>(std::set<std::string>(uuids.begin(), uuids.end()).size());
        if (exported != (pre == 1 ? database.Summary().ExportableAdvanceReceipts : database.Summary().ExportableReceiveBills) || distinct != exported) {
            state.SkipWithError(("exported " + std::to_string(exported) + " bills (" + std::to_string(distinct) +
                                 " distinct), expected " + std::to_string((pre == 1 ? database.Summary().ExportableAdvanceReceipts : database.Summary().ExportableReceiveBills)))
                                    .c_str());
            return;
        }
        bills += exported;
    }
    state.counters["bills"] = benchmark::Counter(static_cast<double>(bills), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ReceiveBillExport)->ArgName("iPre")->Arg(0)->Arg(1)->Iterations(3)->UseRealTime()->Unit(
    benchmark::kMillisecond);

}  // namespace
}  // namespace ovardx::bench
