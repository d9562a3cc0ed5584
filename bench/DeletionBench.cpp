// Applying a "Delete" document that names every contract of a scale-100
// demo database through clsDataKey::ImportXMLDataKey and the contract
// component's stand-in, into a fresh copy of the database each time. The
// rate is in deletions per second, wall-clock: the stand-in commits every
// deletion durably before the next one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/BenchDatabase.h"
#include "erp/ErpComponents.h"
#include "ovardx/ValueDictionary.h"
#include "ovardx/clsDataKey.h"
#include "session/SchemaFolder.h"
#include "session/XmlBridge.h"
#include "sqlite_backend/SqliteHandle.h"

namespace ovardx::bench {
namespace {

constexpr std::int16_t kContracts = 3;

// The deletion document of every contract, made on first use.
class DeletionData {
public:
    static const DeletionData& Get() {
        static const DeletionData data;
        return data;
    }

    const std::string& Document() const { return document_; }
    std::int64_t Deletions() const { return deletions_; }

    // A fresh copy of the benchmark database, every contract in it.
    std::filesystem::path FreshCopy() const {
        const auto copy = BenchDatabase::Get().Folder() / "deletions.db";
        // The stand-in keeps its connection to the last copy open.
        erp::CloseErpDatabases();
        for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(copy.string() + suffix);
        std::filesystem::copy_file(BenchDatabase::Get().Path(), copy);
        return copy;
    }

    DeletionData(const DeletionData&) = delete;
    DeletionData& operator=(const DeletionData&) = delete;

private:
    DeletionData() {
        clsDataKey created;  // settles the schema folder
        auto list = NewList();
        sqlite::Database db = sqlite::Database::Open(BenchDatabase::Get().Path().string(), sqlite::OpenMode::ReadOnly);
        sqlite::Statement uuids(db, "SELECT UUID FROM t_RPContract WHERE UUID IS NOT NULL AND UUID <> '' ORDER BY FContractID");
        while (uuids.Step()) {
            auto record = NewRecord();
            record->SetValue("Remark", Variant("合同"));
            record->SetValue("UUID", Variant(uuids.ColumnText(0)));
            list->Add(record);
            ++deletions_;
        }
        std::string error;
        if (!WriteXml(list, document_, SchemaFolder() + "Delete.xsd", "Delete", error)) throw std::runtime_error(error);
    }

    std::string document_;
    std::int64_t deletions_ = 0;
};

void BM_DeleteEveryContract(benchmark::State& state) {
    const DeletionData& data = DeletionData::Get();
    for (auto _ : state) {
        state.PauseTiming();
        std::string props = BenchDatabase::PropsFor(data.FreshCopy());
        clsDataKey dataKey;
        state.ResumeTiming();
        std::string error;
        if (!dataKey.ImportXMLDataKey(props, kContracts, data.Document(), error)) state.SkipWithError(error.c_str());
    }
    state.counters["deletions/s"] =
        benchmark::Counter(static_cast<double>(data.Deletions()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["deletions"] = static_cast<double>(data.Deletions());
}
BENCHMARK(BM_DeleteEveryContract)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace ovardx::bench
