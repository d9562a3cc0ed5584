// Contracts of a scale-100 demo database: exporting all of them in one
// document through clsContract::Export, and importing that document through
// clsContract::Import and the contract component's stand-in into a copy of
// the database whose contracts were deleted. Rates are in contracts per
// second.
//
// To show where the time goes, the parts are timed on their own as well:
// writing the document from records already built (writer and schema check),
// reading it back (parser and schema check), and an import that finds every
// contract and skips it (the gate, the reader and the contract lookups, no
// reference lookups and no saving), and an import whose contract component
// saves nothing (everything the library does, the reference lookups
// included). Times and rates are wall-clock: the
// import waits on the disk for every contract the stand-in commits. Last,
// the peak memory of importing a 100 MB document.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "bench/BenchDatabase.h"
#include "bench/ChildPeakMemory.h"
#include "components/BuiltInComponents.h"
#include "erp/ErpComponents.h"
#include "ovardx/BusinessComponents.h"
#include "ovardx/ComponentRegistry.h"
#include "ovardx/clsContract.h"
#include "session/SchemaFolder.h"
#include "session/XmlBridge.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::bench {
namespace {


// The document of all receivable contracts of the benchmark database, made
// on first use.
class ContractData {
public:
    static const ContractData& Get() {
        static const ContractData data;
        return data;
    }

    const std::filesystem::path& Path() const { return path_; }
    const std::string& Document() const { return document_; }
    std::int64_t Contracts() const { return contracts_; }

    // A copy of the database without contracts, for one import.
    std::filesystem::path EmptyCopy() const {
        const auto copy = folder_ / "empty.db";
        // The stand-in keeps its connection to the last copy open; close it
        // and its log before the file is replaced.
        erp::CloseErpDatabases();
        for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(copy.string() + suffix);
        std::filesystem::copy_file(path_, copy);
        sqlite::Database db = sqlite::Database::Open(copy.string(), sqlite::OpenMode::ReadWrite);
        db.Exec("DELETE FROM t_RPContract");
        return copy;
    }

    ContractData(const ContractData&) = delete;
    ContractData& operator=(const ContractData&) = delete;

private:
    ContractData()
        : folder_(BenchDatabase::Get().Folder()), path_(BenchDatabase::Get().Path()) {
        contracts_ = BenchDatabase::Get().Summary().ExportableContracts;
        clsContract contract;
        std::string props = BenchDatabase::PropsFor(path_), timeStamp, maxTimeStamp, error;
        if (!contract.Export(props, document_, 1, 0, timeStamp, maxTimeStamp, error)) throw std::runtime_error(error);
    }

    std::filesystem::path folder_;
    std::filesystem::path path_;
    std::string document_;
    std::int64_t contracts_ = 0;
};

void CountContracts(benchmark::State& state, std::int64_t perIteration) {
    state.counters["contracts/s"] =
        benchmark::Counter(static_cast<double>(perIteration), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["contracts"] = static_cast<double>(perIteration);
}

void BM_ExportAllContracts(benchmark::State& state) {
    const ContractData& data = ContractData::Get();
    clsContract contract;
    std::string props = BenchDatabase::PropsFor(data.Path());
    for (auto _ : state) {
        std::string xml, timeStamp, maxTimeStamp, error;
        if (!contract.Export(props, xml, 1, 0, timeStamp, maxTimeStamp, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(xml);
    }
    CountContracts(state, data.Contracts());
}
BENCHMARK(BM_ExportAllContracts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_WriteContractDocument(benchmark::State& state) {
    const ContractData& data = ContractData::Get();
    auto records = NewList();
    std::string error;
    ReadXml(records, data.Document(), SchemaFolder() + "ArContract.xsd", "Contract", error);
    for (auto _ : state) {
        std::string xml;
        auto list = records;
        if (!WriteXml(list, xml, SchemaFolder() + "ArContract.xsd", "Contract", error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(xml);
    }
    CountContracts(state, data.Contracts());
}
BENCHMARK(BM_WriteContractDocument)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_ReadContractDocument(benchmark::State& state) {
    const ContractData& data = ContractData::Get();
    for (auto _ : state) {
        auto list = NewList();
        std::string error;
        if (!ReadXml(list, data.Document(), SchemaFolder() + "ArContract.xsd", "Contract", error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(list);
    }
    CountContracts(state, data.Contracts());
}
BENCHMARK(BM_ReadContractDocument)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_ImportIntoEmptyCopy(benchmark::State& state) {
    const ContractData& data = ContractData::Get();
    for (auto _ : state) {
        state.PauseTiming();
        std::string props = BenchDatabase::PropsFor(data.EmptyCopy());
        clsContract contract;
        state.ResumeTiming();
        std::string error;
        if (!contract.Import(props, data.Document(), error)) state.SkipWithError(error.c_str());
    }
    CountContracts(state, data.Contracts());
}
BENCHMARK(BM_ImportIntoEmptyCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_ImportSkippingExistingContracts(benchmark::State& state) {
    const ContractData& data = ContractData::Get();
    clsContract contract;
    contract.AddNewOnly(true);
    std::string props = BenchDatabase::PropsFor(data.Path());
    for (auto _ : state) {
        std::string error;
        if (!contract.Import(props, data.Document(), error)) state.SkipWithError(error.c_str());
    }
    CountContracts(state, data.Contracts());
}
BENCHMARK(BM_ImportSkippingExistingContracts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// A contract component that accepts every contract and saves nothing.
class DiscardingContractUpdater final : public ContractUpdater {
public:
    Variant Save(std::string&, std::shared_ptr<ValueDictionary>&, std::shared_ptr<ValueVector>&,
                 std::shared_ptr<ValueVector>&) override {
        return 1;
    }
    void Delete(std::string&, std::int32_t&, bool&) override {}
};

void BM_ImportWithoutSaving(benchmark::State& state) {
    const ContractData& data = ContractData::Get();
    const ScopedComponent discarding(kContractUpdaterProgId, std::function<std::shared_ptr<ContractUpdater>()>(
                                                                 [] { return std::make_shared<DiscardingContractUpdater>(); }));
    clsContract contract;
    std::string props = BenchDatabase::PropsFor(data.Path());
    for (auto _ : state) {
        std::string error;
        if (!contract.Import(props, data.Document(), error)) state.SkipWithError(error.c_str());
    }
    CountContracts(state, data.Contracts());
}
BENCHMARK(BM_ImportWithoutSaving)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The contract document repeated until it holds about `bytes`: every record
// names a contract of the benchmark database.
std::string RepeatedDocument(const std::string& document, std::size_t bytes) {
    const std::size_t first = document.find("<Record>");
    const std::size_t end = document.rfind("</Contract>");
    if (first == std::string::npos || end == std::string::npos) throw std::runtime_error("no records to repeat");
    const std::string_view records(document.data() + first, end - first);
    std::string repeated(document, 0, first);
    repeated.reserve(bytes + document.size());
    while (repeated.size() + records.size() < bytes) repeated += records;
    repeated += document.substr(end);
    return repeated;
}

// Peak memory of importing a 100 MB document (every contract found and
// skipped, so the reading dominates): the import runs in a child process,
// whose peak resident size above its size at the start is the memory the
// import took beyond the document it was handed. peak_ratio is the
// document plus that, over the document: what a host needs in all per
// document byte.
void BM_ImportPeakMemory(benchmark::State& state) {
    const ContractData& data = ContractData::Get();
    const std::string document = RepeatedDocument(data.Document(), 100u << 20);
    std::string props = BenchDatabase::PropsFor(data.Path());
    double aboveStart = 0;
    for (auto _ : state) {
        const std::optional<long> grown = ChildPeakKilobytes([&] {
            clsContract contract;
            contract.AddNewOnly(true);
            std::string error;
            return contract.Import(props, document, error);
        });
        if (!grown) state.SkipWithError("the import failed");
        aboveStart = static_cast<double>(grown.value_or(0)) * 1024;
    }
    const double size = static_cast<double>(document.size());
    state.counters["document_MB"] = size / 1e6;
    state.counters["peak_above_start_MB"] = aboveStart / 1e6;
    state.counters["peak_ratio"] = (size + aboveStart) / size;
}
BENCHMARK(BM_ImportPeakMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace ovardx::bench
